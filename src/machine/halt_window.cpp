#include "machine/halt_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/hex.h"
#include "widgets/dialogs.h"
#include "widgets/hexbox.h"
#include "widgets/twips.h"
#include "widgets/zoom.h"

using vandor::HaltOption;

namespace {

constexpr const char* kOptionTexts[6] = {"RESET", "TRAP", "RST5.5", "RST6.5", "RST7.5", "INTR"};
constexpr int kVectorWidthTwips = 375;  // a two-digit box, as the main window's txtVec

}  // namespace

Halt::Halt(vandor::Simulator& sim, vandor::Dialogs& dialogs, QWidget* parent) : QDialog(parent), sim_(sim) {
    setObjectName(QStringLiteral("Halt"));
    setWindowTitle(vandor::kAppTitle);
    setModal(true);
    // No help or close button to invite a frame close that is refused anyway.
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint) &
                   ~(Qt::WindowContextHelpButtonHint | Qt::WindowCloseButtonHint));

    auto* label1 = new QLabel(QStringLiteral("Programa Parado por instrucción HLT"), this);
    label1->setObjectName(QStringLiteral("Label1"));
    auto* label2 = new QLabel(QStringLiteral("Seleccione modo de salida"), this);
    label2->setObjectName(QStringLiteral("Label2"));

    auto* options = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        opt_[i] = new QRadioButton(QString::fromLatin1(kOptionTexts[i]), this);
        opt_[i]->setObjectName(QStringLiteral("opt%1").arg(i));
        options->addWidget(opt_[i]);
    }
    opt_[0]->setChecked(true);

    auto* label33 = new QLabel(QStringLiteral("Vector:"), this);
    label33->setObjectName(QStringLiteral("Label33"));
    txtVec_ = new vandor::HexBox(dialogs, this, kVectorWidthTwips);
    txtVec_->setObjectName(QStringLiteral("txtVec"));
    txtVec_->setText(QString::fromStdString(vandor::hexa(sim_.vector(), txtVec_->digits())));
    connect(txtVec_, &vandor::HexBox::confirmed, this, &Halt::txtVec_LostFocus);

    eje_ = new QCheckBox(QStringLiteral("Continuar ejecución"), this);
    eje_->setObjectName(QStringLiteral("eje"));
    eje_->setChecked(false);
    eje_->setEnabled(false);

    aceptar_ = new QPushButton(QStringLiteral("Aceptar"), this);
    aceptar_->setObjectName(QStringLiteral("aceptar"));
    aceptar_->setDefault(true);
    connect(aceptar_, &QPushButton::clicked, this, &Halt::aceptar_Click);

    auto* vector = new QHBoxLayout;
    vector->addWidget(label33);
    vector->addWidget(txtVec_);
    vector->addSpacing(16);
    vector->addWidget(eje_);
    vector->addStretch();
    vector->addWidget(aceptar_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label1);
    layout->addWidget(label2);
    layout->addLayout(options);
    layout->addLayout(vector);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (int i = 0; i < 6; ++i) {
        opt_[i]->setAccessibleName(QStringLiteral("Salir con %1").arg(QString::fromLatin1(kOptionTexts[i])));
        opt_[i]->setAccessibleDescription(QStringLiteral("Cómo se sale de la parada por HLT"));
    }
    txtVec_->setAccessibleName(QStringLiteral("Vector"));
    txtVec_->setAccessibleDescription(QStringLiteral("El byte que ejecuta la salida por INTR, en dos cifras hexadecimales"));
    eje_->setAccessibleName(eje_->text());
    eje_->setAccessibleDescription(QStringLiteral("Marcada: la ejecución continua sigue después de la salida"));
    aceptar_->setAccessibleName(aceptar_->text());
    aceptar_->setAccessibleDescription(QStringLiteral("Sale de la parada de la forma elegida"));

    vandor::Zoom::instance().follow(this, [this] {
        const vandor::Zoom& zoom = vandor::Zoom::instance();
        QFont captions = QApplication::font();
        captions.setPointSizeF(captions.pointSizeF() * zoom.scale());
        setFont(captions);
        txtVec_->setFont(zoom.fixedFont());
        txtVec_->setFixedWidth(QFontMetrics(txtVec_->font()).horizontalAdvance(QStringLiteral("000")) + 12);
    });
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
    // The box shows the vector INTR will use, so passing through it unchanged never replaces that vector.
    txtVec_->setText(QString::fromStdString(vandor::hexa(sim_.vector(), txtVec_->digits())));
    aceptar_->setFocus(Qt::OtherFocusReason);
}

void Halt::aceptar_Click() {
    // Enter typed in the vector box reaches "Aceptar" without the focus leaving the box: its entry is
    // checked and copied first. (A click that the box refused never arrives here.)
    if (txtVec_->hasFocus()) {
        if (txtVec_->rutvalidate()) return;
        txtVec_LostFocus();
    }
    accept();
}

void Halt::txtVec_LostFocus() {
    const QString text = txtVec_->text();
    sim_.setVector(static_cast<uint8_t>(vandor::dec(text.toStdString()) & 0xFF));
    emit vectorCopied(text);
}

void Halt::closeEvent(QCloseEvent* event) {
    // Closing by the window frame is refused; the dialog closes only through "Aceptar".
    event->ignore();
}
