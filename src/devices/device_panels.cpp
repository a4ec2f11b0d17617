#include "devices/device_panels.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "devices/console_panel.h"
#include "devices/device_widgets.h"
#include "devices/seven_segment.h"
#include "machine/simulator.h"
#include "widgets/hexbox.h"
#include "widgets/zoom.h"

namespace vandor {
namespace {

QString valueText(uint8_t value) { return QStringLiteral("= %1").arg(hexText(value, 2)); }

// The keys a push button may be held with, as the key box lists them.
QString keyName(char key) { return key == kSpaceKey ? QStringLiteral("Espacio") : QString(QLatin1Char(key)); }

}  // namespace

DevicePanel::DevicePanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent)
    : QGroupBox(QString::fromUtf8(deviceKindTitle(device.kind).data(),
                                  static_cast<int>(deviceKindTitle(device.kind).size())),
                parent),
      device_(device),
      sim_(sim),
      dialogs_(dialogs) {
    setObjectName(QString::fromLatin1(deviceKindKey(device.kind).data(),
                                      static_cast<int>(deviceKindKey(device.kind).size())));
    quitar_ = new QPushButton(QStringLiteral("&Quitar"), this);
    quitar_->setObjectName(QStringLiteral("quitar"));
    quitar_->setAutoDefault(false);
    quitar_->setToolTip(QStringLiteral("Quitar este dispositivo"));
    speak(quitar_, QStringLiteral("Quitar"), QStringLiteral("Quita este dispositivo de la ventana (Alt+Q)"));
    connect(quitar_, &QPushButton::clicked, this, &DevicePanel::removeRequested);
}

void DevicePanel::speak(QWidget* control, const QString& name, const QString& description) {
    control->setAccessibleName(name);
    control->setAccessibleDescription(description);
}

void DevicePanel::tabInOrder(const std::vector<QWidget*>& controls) {
    for (size_t i = 1; i < controls.size(); ++i) setTabOrder(controls[i - 1], controls[i]);
}

// A port box holds two digits with a digit's room to spare, at the zoom's size.
void DevicePanel::applyZoom() {
    const QFont fixed = Zoom::instance().fixedFont();
    for (HexBox* box : findChildren<HexBox*>()) {
        box->setFont(fixed);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 8);
    }
}

bool DevicePanel::uses(uint8_t port) const {
    return std::find(device_.ports.begin(), device_.ports.end(), port) != device_.ports.end();
}

HexBox* DevicePanel::portBox(int index) {
    auto* box = new HexBox(dialogs_, this, 375);
    box->setObjectName(QStringLiteral("txtPuerto%1").arg(index));
    box->setText(hexText(device_.ports[static_cast<size_t>(index)], 2));
    box->setFont(Zoom::instance().fixedFont());
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 8);
    box->setToolTip(QStringLiteral("Puerto, dos cifras hexadecimales"));
    speak(box, QStringLiteral("Puerto"), QStringLiteral("El puerto del dispositivo, dos cifras hexadecimales"));
    connect(box, &HexBox::confirmed, this, [this, box, index] {
        if (static_cast<size_t>(index) >= device_.ports.size()) return;
        device_.ports[static_cast<size_t>(index)] = box->byteValue();
        box->setText(hexText(box->byteValue(), 2));
        portChanged();
        refresh(sim_.m);
    });
    return box;
}

QHBoxLayout* DevicePanel::headerRow(const QString& caption, HexBox* box) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(caption, this);
    label->setBuddy(box);
    row->addWidget(label);
    row->addWidget(box);
    value_ = new QLabel(this);
    value_->setObjectName(QStringLiteral("valor"));
    value_->setToolTip(QStringLiteral("Valor del puerto"));
    row->addWidget(value_);
    row->addStretch(1);
    row->addWidget(quitar_);
    return row;
}

void DevicePanel::showValue(uint8_t value) {
    const QString text = valueText(value);
    if (value_ && value_->text() != text) value_->setText(text);
}

LedsPanel::LedsPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent)
    : DevicePanel(device, sim, dialogs, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(headerRow(QStringLiteral("&Puerto:"), portBox(0)));
    leds_ = new LedRow(8, this);
    leds_->setObjectName(QStringLiteral("leds"));
    speak(leds_, QStringLiteral("LEDs"), QStringLiteral("Ocho LED, el bit 7 a la izquierda, encendidos por un 1"));
    layout->addWidget(leds_);
    tabInOrder({findChild<HexBox*>(), quitar_});
}

void LedsPanel::refresh(const Machine& m) {
    const uint8_t v = m.ports[device_.ports[0]];
    leds_->setValue(v);
    leds_->setAccessibleDescription(QStringLiteral("Puerto %1 = %2").arg(hexText(device_.ports[0], 2), hexText(v, 2)));
    showValue(v);
}

SwitchesPanel::SwitchesPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent)
    : DevicePanel(device, sim, dialogs, parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(headerRow(QStringLiteral("&Puerto:"), portBox(0)));
    switches_ = new SwitchRow(this);
    switches_->setObjectName(QStringLiteral("interruptores"));
    switches_->setToolTip(QStringLiteral("Pulse un interruptor, o las teclas 0 a 7, para cambiar su bit"));
    speak(switches_, QStringLiteral("Interruptores"),
          QStringLiteral("Ocho interruptores, el bit 7 a la izquierda; las teclas 0 a 7 cambian su bit"));
    layout->addWidget(switches_);
    connect(switches_, &SwitchRow::toggled, this, &SwitchesPanel::toggle);
    tabInOrder({findChild<HexBox*>(), quitar_, switches_});
}

void SwitchesPanel::toggle(int bit) {
    const uint8_t port = device_.ports[0];
    sim_.setPort(port, static_cast<uint8_t>(sim_.m.ports[port] ^ (1u << bit)));
    refresh(sim_.m);
}

void SwitchesPanel::refresh(const Machine& m) {
    const uint8_t v = m.ports[device_.ports[0]];
    switches_->setValue(v);
    showValue(v);
}

DisplayPanel::DisplayPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent)
    : DevicePanel(device, sim, dialogs, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* options = new QHBoxLayout;
    hexadecimal_ = new QCheckBox(QStringLiteral("&Hexadecimal"), this);
    hexadecimal_->setObjectName(QStringLiteral("hexadecimal"));
    hexadecimal_->setToolTip(QStringLiteral("Mostrar el valor de cada puerto como dos cifras hexadecimales"));
    hexadecimal_->setChecked(device_.hexadecimal);
    more_ = new QPushButton(QStringLiteral("&Más dígitos"), this);
    more_->setObjectName(QStringLiteral("masDigitos"));
    fewer_ = new QPushButton(QStringLiteral("Me&nos dígitos"), this);
    fewer_->setObjectName(QStringLiteral("menosDigitos"));
    for (QPushButton* b : {more_, fewer_}) b->setAutoDefault(false);
    speak(hexadecimal_, QStringLiteral("Hexadecimal"),
          QStringLiteral("Muestra el valor de cada puerto como dos cifras hexadecimales (Alt+H)"));
    speak(more_, QStringLiteral("Más dígitos"), QStringLiteral("Añade un dígito en el puerto siguiente (Alt+M)"));
    speak(fewer_, QStringLiteral("Menos dígitos"), QStringLiteral("Quita el último dígito (Alt+N)"));
    options->addWidget(hexadecimal_);
    options->addWidget(more_);
    options->addWidget(fewer_);
    options->addStretch(1);
    options->addWidget(quitar_);
    layout->addLayout(options);
    grid_ = new QGridLayout;
    grid_->setHorizontalSpacing(4);
    layout->addLayout(grid_);
    connect(hexadecimal_, &QCheckBox::toggled, this, &DisplayPanel::setHexadecimal);
    connect(more_, &QPushButton::clicked, this, &DisplayPanel::addDigit);
    connect(fewer_, &QPushButton::clicked, this, &DisplayPanel::removeDigit);
    rebuild();
}

void DisplayPanel::setHexadecimal(bool on) {
    if (hexadecimal_->isChecked() != on) hexadecimal_->setChecked(on);  // comes back here
    if (device_.hexadecimal == on) return;
    device_.hexadecimal = on;
    rebuild();
}

void DisplayPanel::addDigit() {
    if (device_.ports.size() >= kMaxDigits) return;
    // The next port after the last digit's, as a row of digits on consecutive ports usually is.
    device_.ports.push_back(static_cast<uint8_t>(device_.ports.back() + 1));
    rebuild();
}

void DisplayPanel::removeDigit() {
    if (device_.ports.size() <= 1) return;
    device_.ports.pop_back();
    rebuild();
}

void DisplayPanel::portChanged() { std::fill(shown_.begin(), shown_.end(), -1); }

// Port boxes above their digits: one digit a port, or two in hexadecimal.
void DisplayPanel::rebuild() {
    for (HexBox* b : boxes_) delete b;
    for (SevenSegmentDigit* d : digits_) delete d;
    boxes_.clear();
    digits_.clear();
    const int perPort = device_.hexadecimal ? 2 : 1;
    for (size_t i = 0; i < device_.ports.size(); ++i) {
        HexBox* box = portBox(static_cast<int>(i));
        boxes_.push_back(box);
        grid_->addWidget(box, 0, static_cast<int>(i) * perPort, 1, perPort, Qt::AlignHCenter);
        for (int k = 0; k < perPort; ++k) {
            auto* digit = new SevenSegmentDigit(this);
            digit->setObjectName(QStringLiteral("digito%1").arg(digits_.size()));
            digit->setAccessibleName(QStringLiteral("Dígito %1").arg(digits_.size() + 1));
            grid_->addWidget(digit, 1, static_cast<int>(i) * perPort + k);
            digits_.push_back(digit);
        }
    }
    grid_->setColumnStretch(static_cast<int>(device_.ports.size()) * perPort, 1);
    more_->setEnabled(device_.ports.size() < kMaxDigits);
    fewer_->setEnabled(device_.ports.size() > 1);
    shown_.assign(device_.ports.size(), -1);
    std::vector<QWidget*> order = {hexadecimal_, more_, fewer_, quitar_};
    order.insert(order.end(), boxes_.begin(), boxes_.end());
    tabInOrder(order);
    refresh(sim_.m);
}

void DisplayPanel::refresh(const Machine& m) {
    for (size_t i = 0; i < device_.ports.size(); ++i) {
        const uint8_t v = m.ports[device_.ports[i]];
        if (shown_[i] == v) continue;
        shown_[i] = v;
        if (device_.hexadecimal) {
            digits_[2 * i]->setSegments(kHexSegments[v >> 4]);
            digits_[2 * i + 1]->setSegments(kHexSegments[v & 0x0F]);
        } else {
            digits_[i]->setSegments(v);
        }
        digits_[i * (device_.hexadecimal ? 2 : 1)]->setToolTip(
            QStringLiteral("Puerto %1 = %2").arg(hexText(device_.ports[i], 2), hexText(v, 2)));
    }
}

ButtonPanel::ButtonPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent)
    : DevicePanel(device, sim, dialogs, parent) {
    auto* layout = new QVBoxLayout(this);
    HexBox* port = portBox(0);
    auto* header = headerRow(QStringLiteral("&Puerto:"), port);
    bit_ = new QSpinBox(this);
    bit_->setObjectName(QStringLiteral("bit"));
    bit_->setRange(0, 7);
    bit_->setValue(device_.bit);
    auto* bitLabel = new QLabel(QStringLiteral("&Bit:"), this);
    bitLabel->setBuddy(bit_);
    tecla_ = new QComboBox(this);
    tecla_->setObjectName(QStringLiteral("tecla"));
    tecla_->addItem(keyName(kSpaceKey), QVariant(int(kSpaceKey)));
    for (char k = 'A'; k <= 'Z'; ++k) tecla_->addItem(keyName(k), QVariant(int(k)));
    for (char k = '0'; k <= '9'; ++k) tecla_->addItem(keyName(k), QVariant(int(k)));
    tecla_->setCurrentIndex(tecla_->findData(QVariant(int(device_.key))));
    tecla_->setToolTip(QStringLiteral("Tecla que mantiene pulsado el pulsador en esta ventana"));
    speak(bit_, QStringLiteral("Bit"), QStringLiteral("El bit del puerto que el pulsador pone a 1 (Alt+B)"));
    speak(tecla_, QStringLiteral("Tecla"), QStringLiteral("La tecla que mantiene pulsado el pulsador (Alt+T)"));
    auto* teclaLabel = new QLabel(QStringLiteral("&Tecla:"), this);
    teclaLabel->setBuddy(tecla_);
    // Bit and key sit before the stretch and the "Quitar" button of the header.
    int at = header->count() - 2;
    for (QWidget* w : {static_cast<QWidget*>(bitLabel), static_cast<QWidget*>(bit_), static_cast<QWidget*>(teclaLabel),
                       static_cast<QWidget*>(tecla_)})
        header->insertWidget(at++, w);
    layout->addLayout(header);

    auto* row = new QHBoxLayout;
    button_ = new QPushButton(this);
    button_->setObjectName(QStringLiteral("pulsador"));
    button_->setAutoDefault(false);
    button_->setFocusPolicy(Qt::NoFocus);  // its key acts in the whole window, not only when focused
    lamp_ = new LedRow(1, this);
    lamp_->setObjectName(QStringLiteral("estado"));
    lamp_->setToolTip(QStringLiteral("El bit en el puerto"));
    speak(button_, QStringLiteral("Pulsador"),
          QStringLiteral("Pone a 1 su bit del puerto mientras se mantiene pulsado con el ratón o con su tecla"));
    row->addWidget(button_);
    row->addWidget(lamp_);
    row->addStretch(1);
    layout->addLayout(row);
    updateCaption();

    tabInOrder({port, bit_, tecla_, quitar_});
    connect(button_, &QPushButton::pressed, this, &ButtonPanel::press);
    connect(button_, &QPushButton::released, this, &ButtonPanel::release);
    connect(bit_, &QSpinBox::valueChanged, this, [this](int bit) {
        if (held_) release();
        device_.bit = static_cast<uint8_t>(bit);
        updateCaption();
        refresh(sim_.m);
    });
    connect(tecla_, &QComboBox::currentIndexChanged, this, [this] {
        device_.key = static_cast<char>(tecla_->currentData().toInt());
        updateCaption();
    });
}

void ButtonPanel::updateCaption() {
    button_->setText(QStringLiteral("Pulsar (%1)").arg(keyName(device_.key)));
    lamp_->setFirstBit(device_.bit);
}

void ButtonPanel::setBit(bool on) {
    const uint8_t port = device_.ports[0];
    const uint8_t mask = static_cast<uint8_t>(1u << device_.bit);
    const uint8_t old = sim_.m.ports[port];
    sim_.setPort(port, static_cast<uint8_t>(on ? old | mask : old & ~mask));
    refresh(sim_.m);
}

void ButtonPanel::press() {
    if (held_) return;
    held_ = true;
    button_->setDown(true);
    setBit(true);
}

void ButtonPanel::release() {
    if (!held_) return;
    held_ = false;
    button_->setDown(false);
    setBit(false);
}

void ButtonPanel::refresh(const Machine& m) {
    const uint8_t v = m.ports[device_.ports[0]];
    lamp_->setValue(v);
    showValue(v);
}

DevicePanel* makePanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent) {
    switch (device.kind) {
    case DeviceKind::Leds: return new LedsPanel(device, sim, dialogs, parent);
    case DeviceKind::Switches: return new SwitchesPanel(device, sim, dialogs, parent);
    case DeviceKind::Display: return new DisplayPanel(device, sim, dialogs, parent);
    case DeviceKind::Button: return new ButtonPanel(device, sim, dialogs, parent);
    case DeviceKind::Console: return new ConsolePanel(device, sim, dialogs, parent);
    }
    return nullptr;
}

}  // namespace vandor
