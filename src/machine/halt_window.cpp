#include "machine/halt_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "inspect/disasm.h"
#include "mainwindow/dialogs.h"

using vandor::HaltOption;

namespace {

constexpr const char* kOptionTexts[6] = {"RESET", "TRAP", "RST5.5", "RST6.5", "RST7.5", "INTR"};
constexpr int kVectorDigits = 2;

QFont boxFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Courier New"), QStringLiteral("Courier")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    return font;
}

// The hexadecimal entry rule: upper case, leading blanks dropped, only hexadecimal digits, at most
// `digits` of them, zero-padded on the left. Empty when the text is rejected.
QString normalisedHex(const QString& typed, int digits) {
    QString text = typed.toUpper();
    qsizetype start = 0;
    while (start < text.size() && text[start] == QLatin1Char(' ')) ++start;
    text = text.mid(start);
    for (QChar ch : text) {
        if (!QStringLiteral("0123456789ABCDEF").contains(ch)) return {};
    }
    if (text.size() > digits) return {};
    return text.rightJustified(digits, QLatin1Char('0'));
}

}  // namespace

Halt::Halt(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), sim_(sim), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Halt"));
    setWindowTitle(vandor::kAppTitle);
    setModal(true);
    // No help or close button to invite a frame close that is refused anyway.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                   ~(Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint));

    label1_ = new QLabel(QStringLiteral("Programa Parado por instrucción HLT"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label2_ = new QLabel(QStringLiteral("Seleccione modo de salida"), this);
    label2_->setObjectName(QStringLiteral("Label2"));

    auto* options = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        opt_[i] = new QRadioButton(QString::fromLatin1(kOptionTexts[i]), this);
        opt_[i]->setObjectName(QStringLiteral("opt%1").arg(i));
        options->addWidget(opt_[i]);
    }
    opt_[0]->setChecked(true);

    label33_ = new QLabel(QStringLiteral("Vector:"), this);
    label33_->setObjectName(QStringLiteral("Label33"));
    txtVec_ = new QLineEdit(QString::fromStdString(vandor::hexa(sim_.vector(), kVectorDigits)), this);
    txtVec_->setObjectName(QStringLiteral("txtVec"));
    txtVec_->setFont(boxFont());
    txtVec_->setFixedWidth(QFontMetrics(txtVec_->font()).horizontalAdvance(QStringLiteral("000")) + 12);
    txtVec_->installEventFilter(this);
    connect(txtVec_, &QLineEdit::textEdited, this, [this] { justRejected_ = false; });

    eje_ = new QCheckBox(QStringLiteral("Continuar ejecución"), this);
    eje_->setObjectName(QStringLiteral("eje"));
    eje_->setChecked(false);
    eje_->setEnabled(false);

    aceptar_ = new QPushButton(QStringLiteral("Aceptar"), this);
    aceptar_->setObjectName(QStringLiteral("aceptar"));
    aceptar_->setDefault(true);
    connect(aceptar_, &QPushButton::clicked, this, &Halt::aceptar_Click);

    auto* vector = new QHBoxLayout;
    vector->addWidget(label33_);
    vector->addWidget(txtVec_);
    vector->addSpacing(16);
    vector->addWidget(eje_);
    vector->addStretch();
    vector->addWidget(aceptar_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addWidget(label2_);
    layout->addLayout(options);
    layout->addLayout(vector);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

vandor::HaltChoice Halt::chooseHaltExit(bool runInProgress) {
    Form_Activate(runInProgress);
    exec();
    vandor::HaltChoice choice;
    choice.option = HaltOption::Reset;
    for (int i = 0; i < 6; ++i) {
        if (opt_[i]->isChecked()) {
            choice.option = static_cast<HaltOption>(i);
            break;
        }
    }
    choice.continueRun = eje_->isChecked();
    return choice;
}

void Halt::Form_Activate(bool runInProgress) {
    // Options 2 to 5 follow the interrupt enabling rule; RESET and TRAP are always usable.
    for (int i = 2; i < 6; ++i) opt_[i]->setEnabled(sim_.usable(static_cast<HaltOption>(i)));
    opt_[0]->setChecked(true);
    eje_->setEnabled(runInProgress);
    eje_->setChecked(runInProgress);
    // The box shows the vector INTR will use, so leaving it unchanged never replaces that vector.
    txtVec_->setText(QString::fromStdString(vandor::hexa(sim_.vector(), kVectorDigits)));
    justRejected_ = false;
    aceptar_->setFocus(Qt::OtherFocusReason);
}

void Halt::aceptar_Click() {
    // "Aceptar" reached while the vector box still holds an entry (Enter in the box, or a click whose
    // focus change the box has just refused): the entry must be accepted first.
    if (justRejected_) {
        justRejected_ = false;
        return;
    }
    if (txtVec_->hasFocus() || normalisedHex(txtVec_->text(), kVectorDigits) != txtVec_->text()) {
        if (rutvalidate()) return;
        txtVec_LostFocus();
    }
    accept();
}

void Halt::rutgotfocus() { txtVec_->selectAll(); }

bool Halt::rutvalidate() {
    txtVec_->selectAll();
    const QString text = normalisedHex(txtVec_->text(), kVectorDigits);
    if (text.isEmpty()) {
        validating_ = true;
        dialogs_.message(this, QStringLiteral("Valor incorrecto"));
        txtVec_->setFocus(Qt::OtherFocusReason);
        txtVec_->selectAll();
        validating_ = false;
        return true;
    }
    txtVec_->setText(text);
    txtVec_->setCursorPosition(0);
    return false;
}

void Halt::txtVec_LostFocus() {
    const QString text = txtVec_->text();
    sim_.setVector(static_cast<uint8_t>(vandor::dec(text.toStdString()) & 0xFF));
    emit vectorCopied(text);
}

bool Halt::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtVec_) {
        if (event->type() == QEvent::FocusIn) {
            // After a mouse press the caret is placed once the press is handled: select afterwards.
            QTimer::singleShot(0, txtVec_, [this] { if (txtVec_->hasFocus()) rutgotfocus(); });
            rutgotfocus();
        } else if (event->type() == QEvent::FocusOut && !validating_) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            // Another window taking the focus (a message box, the desktop) is not leaving the box.
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
                const bool towardsAceptar =
                    reason == Qt::MouseFocusReason && QApplication::focusWidget() == aceptar_;
                if (rutvalidate()) {
                    justRejected_ = towardsAceptar;
                    // The focus is back in the box: it must not see a focus loss (which deselects).
                    return true;
                } else {
                    txtVec_LostFocus();
                }
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Halt::closeEvent(QCloseEvent* event) {
    // Closing by the window frame is refused; the dialog closes only through "Aceptar".
    event->ignore();
}
