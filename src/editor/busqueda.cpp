#include "editor/busqueda.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "editor/editor.h"
#include "editor/text_search.h"
#include "widgets/twips.h"
#include "widgets/dialogs.h"
#include "widgets/zoom.h"

using vandor::findForward;
using vandor::twips;

Busqueda::Busqueda(Editor& editor) : QDialog(&editor), editor_(editor) {
    setObjectName(QStringLiteral("Busqueda"));
    setWindowTitle(vandor::kAppTitle + QStringLiteral(" - Buscar"));
    setWindowIcon(editor.windowIcon());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    dirini_ = new QLabel(this);
    dirini_->setObjectName(QStringLiteral("dirini"));
    dirini_->setGeometry(twips(120, 0, 855, 375));
    dirini_->hide();

    cadena_ = new QLineEdit(this);
    cadena_->setObjectName(QStringLiteral("cadena"));
    cadena_->installEventFilter(this);
    cadena_->setAccessibleName(QStringLiteral("Texto a buscar"));
    cadena_->setAccessibleDescription(QStringLiteral("Intro busca la siguiente aparición en el editor"));
    connect(cadena_, &QLineEdit::textChanged, this, &Busqueda::cadena_Change);

    may_ = new QCheckBox(QStringLiteral("Coincidir mayúsculas y minúsculas"), this);
    may_->setObjectName(QStringLiteral("may"));
    may_->setAccessibleName(may_->text());
    may_->setAccessibleDescription(QStringLiteral("Sin marcar, la búsqueda no distingue mayúsculas de minúsculas"));

    buscar_ = new QPushButton(QStringLiteral("&Buscar"), this);
    buscar_->setObjectName(QStringLiteral("Buscar"));
    buscar_->setEnabled(false);
    buscar_->setAccessibleName(QStringLiteral("Buscar"));
    buscar_->setAccessibleDescription(QStringLiteral("Busca el texto y selecciona lo encontrado (Alt+B)"));
    // The default button: Enter in cadena searches as the button does (and not while it is disabled).
    buscar_->setDefault(true);
    connect(buscar_, &QPushButton::clicked, this, &Busqueda::Buscar_Click);

    cancel_ = new QPushButton(QStringLiteral("&Cancelar"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setAutoDefault(false);
    cancel_->setAccessibleName(QStringLiteral("Cancelar"));
    cancel_->setAccessibleDescription(QStringLiteral("Cierra la búsqueda (Escape, Alt+C)"));
    connect(cancel_, &QPushButton::clicked, this, &Busqueda::cancel_Click);

    // Wider, the dialog gives the room to the text to find; the buttons stay at its right edge.
    layout_.place(cadena_, {120, 120, 2775, 285}, {.growX = 1});
    layout_.place(may_, {120, 600, 2775, 255}, {.growX = 1});
    layout_.place(buscar_, {3000, 120, 1095, 375}, {.moveX = 1});
    layout_.place(cancel_, {3000, 600, 1095, 375}, {.moveX = 1});
    vandor::Zoom::instance().follow(this, [this] { applyZoom(); });
}

// The controls at the zoom's scale. Where the check box's caption needs more room than its place gives
// it with this system's font, the text column widens and the buttons move right by the same amount.
void Busqueda::applyZoom() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    QFont captions = QApplication::font();
    captions.setPointSizeF(captions.pointSizeF() * zoom.scale());
    setFont(captions);
    extra_ = std::max(0, may_->sizeHint().width() - zoom.px(2775));
    const QSize least(zoom.px(4215) + extra_, zoom.px(1095));
    setMinimumSize(least);
    setMaximumHeight(least.height());
    resize(std::max(width(), least.width()), least.height());
    relayout();
}

void Busqueda::relayout() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    layout_.apply(zoom, {extra_ + std::max(0, width() - minimumWidth())});
}

void Busqueda::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    relayout();
}

void Busqueda::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    cadena_->setFocus();
    cadena_->selectAll();
}

bool Busqueda::eventFilter(QObject* watched, QEvent* event) {
    // The whole text is selected whenever cadena gets the focus; after a mouse click the press would
    // place the caret again, so the selection is made once the click is handled.
    if (watched == cadena_ && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, cadena_, [box = cadena_] { box->selectAll(); });
    }
    return QDialog::eventFilter(watched, event);
}

void Busqueda::cadena_Change() {
    dirini_->clear();
    buscar_->setEnabled(!cadena_->text().isEmpty());
}

void Busqueda::cancel_Click() { hide(); }

void Busqueda::Buscar_Click() {
    hide();
    editor_.buscarSiguienteAction()->setEnabled(false);
    const QString p = cadena_->text();
    if (p.isEmpty()) return;  // nothing to look for
    const QString t = editor_.documentText();
    const bool matchCase = may_->isChecked();

    qsizetype s;
    if (!dirini_->text().isEmpty()) {
        s = dirini_->text().toLongLong() + 1;
    } else {
        s = editor_.texto()->textCursor().selectionStart() + 1;
        dirini_->setText(QString::number(s));
    }

    qsizetype found = findForward(t, p, s, t.size(), matchCase);
    if (found == 0 && s != 1) {
        const QString question = p + QStringLiteral(" no encontrada\r\n¿Desea buscar desde el principio del documento?");
        if (editor_.dialogs().question(&editor_, question) != vandor::Dialogs::Answer::Yes) return;
        found = findForward(t, p, 1, s, matchCase);
    }
    if (found == 0) {
        editor_.dialogs().message(&editor_, p + QStringLiteral(" no encontrada"));
        return;
    }
    select(found - 1, p.size());
    editor_.buscarSiguienteAction()->setEnabled(true);
    dirini_->setText(QString::number(found));
}

void Busqueda::select(qsizetype position, qsizetype length) {
    QPlainTextEdit* texto = editor_.texto();
    QTextCursor cursor = texto->textCursor();
    cursor.setPosition(static_cast<int>(position));
    cursor.setPosition(static_cast<int>(position + length), QTextCursor::KeepAnchor);
    texto->setTextCursor(cursor);
    texto->ensureCursorVisible();
}
