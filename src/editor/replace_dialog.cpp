#include "editor/replace_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>

#include "editor/editor.h"
#include "editor/text_search.h"
#include "widgets/dialogs.h"

using vandor::findForward;
using vandor::matchesAt;

ReplaceDialog::ReplaceDialog(Editor& editor) : QDialog(&editor), editor_(editor) {
    setObjectName(QStringLiteral("Reemplazo"));
    setWindowTitle(vandor::kAppTitle + QStringLiteral(" - Reemplazar"));
    setWindowIcon(editor.windowIcon());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    cadena_ = new QLineEdit(this);
    cadena_->setObjectName(QStringLiteral("cadena"));
    nueva_ = new QLineEdit(this);
    nueva_->setObjectName(QStringLiteral("nueva"));
    auto* buscarLabel = new QLabel(QStringLiteral("&Buscar:"), this);
    buscarLabel->setBuddy(cadena_);
    auto* nuevaLabel = new QLabel(QStringLiteral("Reemplazar &por:"), this);
    nuevaLabel->setBuddy(nueva_);
    may_ = new QCheckBox(QStringLiteral("&Mayúsculas/minúsculas"), this);
    may_->setObjectName(QStringLiteral("may"));

    reemplazar_ = new QPushButton(QStringLiteral("&Reemplazar"), this);
    reemplazar_->setObjectName(QStringLiteral("Reemplazar"));
    reemplazar_->setDefault(true);  // Enter in a box replaces, as the button does
    reemplazarTodo_ = new QPushButton(QStringLiteral("Reemplazar &todo"), this);
    reemplazarTodo_->setObjectName(QStringLiteral("ReemplazarTodo"));
    reemplazarTodo_->setAutoDefault(false);
    cancel_ = new QPushButton(QStringLiteral("&Cerrar"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(buscarLabel, 0, 0);
    grid->addWidget(cadena_, 0, 1);
    grid->addWidget(reemplazar_, 0, 2);
    grid->addWidget(nuevaLabel, 1, 0);
    grid->addWidget(nueva_, 1, 1);
    grid->addWidget(reemplazarTodo_, 1, 2);
    grid->addWidget(may_, 2, 1);
    grid->addWidget(cancel_, 2, 2);
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QLatin1Char('M')) * 22);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    connect(cadena_, &QLineEdit::textChanged, this, &ReplaceDialog::textChanged);
    connect(reemplazar_, &QPushButton::clicked, this, &ReplaceDialog::Reemplazar_Click);
    connect(reemplazarTodo_, &QPushButton::clicked, this, &ReplaceDialog::ReemplazarTodo_Click);
    connect(cancel_, &QPushButton::clicked, this, &ReplaceDialog::cancel_Click);
    textChanged();
}

void ReplaceDialog::setFindText(const QString& text) { cadena_->setText(text); }
void ReplaceDialog::setReplaceText(const QString& text) { nueva_->setText(text); }
void ReplaceDialog::setMatchCase(bool matchCase) { may_->setChecked(matchCase); }

void ReplaceDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    cadena_->setFocus();
    cadena_->selectAll();
}

void ReplaceDialog::textChanged() {
    const bool any = !cadena_->text().isEmpty();
    reemplazar_->setEnabled(any);
    reemplazarTodo_->setEnabled(any);
}

void ReplaceDialog::Reemplazar_Click() {
    const QString p = cadena_->text();
    if (p.isEmpty()) return;
    QPlainTextEdit* texto = editor_.texto();
    QTextCursor cursor = texto->textCursor();
    // The selection is an occurrence (the one selected last time, or one the user chose): replace it.
    if (cursor.hasSelection() && cursor.selectionEnd() - cursor.selectionStart() == p.size() &&
        matchesAt(editor_.documentText(), p, cursor.selectionStart(), may_->isChecked())) {
        cursor.insertText(nueva_->text());
        texto->setTextCursor(cursor);
    }
    selectNext();
}

bool ReplaceDialog::selectNext() {
    const QString p = cadena_->text();
    const QString t = editor_.documentText();
    const bool matchCase = may_->isChecked();
    QPlainTextEdit* texto = editor_.texto();
    const qsizetype s = texto->textCursor().position() + 1;
    qsizetype found = findForward(t, p, s, t.size(), matchCase);
    if (found == 0 && s != 1) {
        const QString question = p + QStringLiteral(" no encontrada\r\n¿Desea buscar desde el principio del documento?");
        if (editor_.dialogs().question(this, question) != vandor::Dialogs::Answer::Yes) return false;
        found = findForward(t, p, 1, s, matchCase);
    }
    if (found == 0) {
        editor_.dialogs().message(this, p + QStringLiteral(" no encontrada"));
        return false;
    }
    QTextCursor cursor = texto->textCursor();
    cursor.setPosition(static_cast<int>(found - 1));
    cursor.setPosition(static_cast<int>(found - 1 + p.size()), QTextCursor::KeepAnchor);
    texto->setTextCursor(cursor);
    texto->ensureCursorVisible();
    return true;
}

int ReplaceDialog::ReemplazarTodo_Click() {
    const QString p = cadena_->text();
    if (p.isEmpty()) return 0;
    const QString t = editor_.documentText();
    const bool matchCase = may_->isChecked();
    QList<qsizetype> positions;
    for (qsizetype from = 1; const qsizetype found = findForward(t, p, from, t.size(), matchCase);) {
        positions.append(found - 1);
        from = found + p.size();
    }
    if (positions.isEmpty()) {
        editor_.dialogs().message(this, p + QStringLiteral(" no encontrada"));
        return 0;
    }
    // One edit block: one "Deshacer" takes every replacement back. From the last occurrence to the
    // first, so that the positions still to replace do not move.
    QPlainTextEdit* texto = editor_.texto();
    QTextCursor cursor(texto->document());
    cursor.beginEditBlock();
    for (auto it = positions.crbegin(); it != positions.crend(); ++it) {
        cursor.setPosition(static_cast<int>(*it));
        cursor.setPosition(static_cast<int>(*it + p.size()), QTextCursor::KeepAnchor);
        cursor.insertText(nueva_->text());
    }
    cursor.endEditBlock();
    const int n = static_cast<int>(positions.size());
    editor_.dialogs().message(this, n == 1 ? QStringLiteral("Se ha reemplazado 1 aparición")
                                           : QStringLiteral("Se han reemplazado %1 apariciones").arg(n));
    return n;
}
