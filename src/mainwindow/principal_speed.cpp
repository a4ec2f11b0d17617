// Principal's speed choice, in the row under the port frame: "Máxima" runs as fast as the machine can,
// "Tiempo real" paces the steps by their T-states at a clock of 1 to 10 MHz, "Lenta" takes 1 to 1,000
// steps a second with every view following each step. The choice holds for every run until it is
// changed, also during a run. Ctrl+1, Ctrl+2 and Ctrl+3 choose the speeds.
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLocale>
#include <QShortcut>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "mainwindow/principal.h"

using vandor::Speed;

namespace {

constexpr int kBoxHeight = 285;
constexpr int kBottomTop = Principal::kBottomRowTop;
// The band bits of the layout (principal_layout.cpp): across, the program list's room; down, the
// register, memory and port frames' room.
constexpr uint8_t kList = 1 << 0;
constexpr uint8_t kTop = 1 << 0;
constexpr uint8_t kMem = 1 << 1;
constexpr uint8_t kPort = 1 << 2;

// A real-time run that has caught up with the clock sleeps at least this long: the steps then go in
// bursts of a millisecond, which no one can see, instead of one turn every few T-states.
constexpr int64_t kLeastWaitNs = 1'000'000;

}  // namespace

void Principal::buildSpeedRow() {
    const Growth below = {.moveX = kList, .moveY = kTop | kMem | kPort};
    lblVelocidad_ = label(canvas_, "lblVelocidad", QStringLiteral("Velocidad:"), QRect(3480, kBottomTop + 30, 900, 240), below);
    cmbVelocidad_ = new QComboBox(canvas_);
    cmbVelocidad_->setObjectName(QStringLiteral("cmbVelocidad"));
    cmbVelocidad_->addItem(QStringLiteral("Máxima"), int(Speed::Maximum));
    cmbVelocidad_->addItem(QStringLiteral("Tiempo real"), int(Speed::RealTime));
    cmbVelocidad_->addItem(QStringLiteral("Lenta"), int(Speed::Slow));
    layout_.place(cmbVelocidad_, QRect(4410, kBottomTop, 1410, kBoxHeight), below);
    lblVelocidad_->setBuddy(cmbVelocidad_);
    speak(cmbVelocidad_, {QStringLiteral("Velocidad"),
                          QStringLiteral("Máxima, Tiempo real (pasos al ritmo del reloj del 8085) o Lenta (pasos por "
                                         "segundo, todo a la vista tras cada uno) (Ctrl+1, Ctrl+2, Ctrl+3)")});
    cmbVelocidad_->setToolTip(QStringLiteral("Máxima (Ctrl+1), Tiempo real (Ctrl+2) o Lenta (Ctrl+3)"));

    txtRitmo_ = new QDoubleSpinBox(canvas_);
    txtRitmo_->setObjectName(QStringLiteral("txtRitmo"));
    txtRitmo_->setLocale(QLocale::c());  // 3.072, as the clock is written everywhere else
    txtRitmo_->setKeyboardTracking(false);
    txtRitmo_->setAccelerated(true);
    layout_.place(txtRitmo_, QRect(5880, kBottomTop, 1680, kBoxHeight), below);
    speak(txtRitmo_, {QStringLiteral("Ritmo"),
                      QStringLiteral("El reloj en MHz en Tiempo real (de 1 a 10) o los pasos por segundo en Lenta "
                                     "(de 1 a 1000)")});

    connect(cmbVelocidad_, &QComboBox::currentIndexChanged, this, &Principal::speedChosen);
    connect(txtRitmo_, &QDoubleSpinBox::valueChanged, this, &Principal::rateEdited);
    const Qt::Key keys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_3};
    for (int i = 0; i < 3; ++i) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | keys[i]), this);
        connect(shortcut, &QShortcut::activated, this, [this, i] { cmbVelocidad_->setCurrentIndex(i); });
    }
    showRate();
}

void Principal::speedChosen(int index) {
    speed_ = static_cast<Speed>(cmbVelocidad_->itemData(index).toInt());
    showRate();
}

void Principal::showRate() {
    const QSignalBlocker quiet(txtRitmo_);
    switch (speed_) {
    case Speed::Maximum:
        txtRitmo_->setSpecialValueText(QStringLiteral("—"));
        txtRitmo_->setRange(0, 0);
        txtRitmo_->setSuffix(QString());
        txtRitmo_->setEnabled(false);
        return;
    case Speed::RealTime:
        txtRitmo_->setSpecialValueText(QString());
        txtRitmo_->setDecimals(3);
        txtRitmo_->setRange(vandor::kMinClockMHz, vandor::kMaxClockMHz);
        txtRitmo_->setSingleStep(0.001);
        txtRitmo_->setSuffix(QStringLiteral(" MHz"));
        txtRitmo_->setValue(clockMHz_);
        break;
    case Speed::Slow:
        txtRitmo_->setSpecialValueText(QString());
        txtRitmo_->setDecimals(0);
        txtRitmo_->setRange(vandor::kMinStepsPerSecond, vandor::kMaxStepsPerSecond);
        txtRitmo_->setSingleStep(1);
        txtRitmo_->setSuffix(QStringLiteral(" pasos/s"));
        txtRitmo_->setValue(stepsPerSecond_);
        break;
    }
    txtRitmo_->setEnabled(true);
}

void Principal::rateEdited() {
    if (speed_ == Speed::RealTime) clockMHz_ = std::round(txtRitmo_->value() * 1000.0) / 1000.0;
    if (speed_ == Speed::Slow) stepsPerSecond_ = static_cast<int>(std::lround(txtRitmo_->value()));
}

void Principal::waitForNextStep(int64_t nanoseconds) {
    if (speed_ == Speed::RealTime) nanoseconds = std::max(nanoseconds, kLeastWaitNs);
    if (nanoseconds < 2 * kLeastWaitNs) {
        QThread::usleep(static_cast<unsigned long>(nanoseconds / 1000));
        QCoreApplication::processEvents();
        return;
    }
    // A longer wait sleeps in the event loop: a click on "Parar" ends it at once.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    wake.start(static_cast<int>(nanoseconds / 1'000'000));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
