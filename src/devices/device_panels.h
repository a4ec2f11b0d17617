// The panels of the devices window, one per device: the port boxes and options of the device, what it
// shows, and its "Quitar" button. A panel reads its ports from the machine in refresh() and writes them
// only through the simulator's port door (setPort), so the port grid and IN see what a switch or the
// push button set, and the devices show whatever wrote a port: OUT, the port grid, another device.
//
//   auto* panel = makePanel(newDevice(DeviceKind::Leds), sim, dialogs, parent);
//   panel->refresh(sim.m);                     // the LEDs show port 00
//   Device d = panel->device();                // the port the user typed, the options chosen
#pragma once

#include <QGroupBox>
#include <vector>

#include "devices/arrangement.h"

class QCheckBox;
class QComboBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;

namespace vandor {

class Dialogs;
class HexBox;
class LedRow;
class Machine;
class SevenSegmentDigit;
class Simulator;
class SwitchRow;

class DevicePanel : public QGroupBox {
    Q_OBJECT
public:
    DevicePanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent);

    // The device as the panel now has it (ports, options).
    virtual Device device() const { return device_; }
    // Shows the device's ports as they are in the machine; cheap when nothing changed.
    virtual void refresh(const Machine& m) = 0;
    // Whether a port is one the device shows.
    bool uses(uint8_t port) const;
    // The fonts of the zoom: the port boxes take its fixed font (the rest follow the window's).
    virtual void applyZoom();

signals:
    void removeRequested();

protected:
    // A port box of two digits; its confirmed entry becomes ports[index].
    HexBox* portBox(int index);
    // The row "Puerto: [..]  = HH  ...  [Quitar]" most panels start with; the value label shows the
    // port's value as the panel last read it.
    QHBoxLayout* headerRow(const QString& caption, HexBox* box);
    void showValue(uint8_t value);
    virtual void portChanged() {}
    // Tab goes through the panel's controls in this order (reading order).
    void tabInOrder(const std::vector<QWidget*>& controls);
    static void speak(QWidget* control, const QString& name, const QString& description);

    Device device_;
    Simulator& sim_;
    Dialogs& dialogs_;
    QLabel* value_ = nullptr;
    QPushButton* quitar_ = nullptr;
};

class LedsPanel final : public DevicePanel {
    Q_OBJECT
public:
    LedsPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent);
    void refresh(const Machine& m) override;
    LedRow* leds() const { return leds_; }

private:
    LedRow* leds_;
};

class SwitchesPanel final : public DevicePanel {
    Q_OBJECT
public:
    SwitchesPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent);
    void refresh(const Machine& m) override;
    SwitchRow* switches() const { return switches_; }

private:
    void toggle(int bit);
    SwitchRow* switches_;
};

class DisplayPanel final : public DevicePanel {
    Q_OBJECT
public:
    DisplayPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent);
    void refresh(const Machine& m) override;
    // The drawn digits, left to right: one per port, two per port in hexadecimal.
    const std::vector<SevenSegmentDigit*>& digits() const { return digits_; }
    void setHexadecimal(bool on);
    void addDigit();
    void removeDigit();

private:
    void rebuild();
    void portChanged() override;
    QGridLayout* grid_;
    QCheckBox* hexadecimal_;
    QPushButton* more_;
    QPushButton* fewer_;
    std::vector<HexBox*> boxes_;
    std::vector<SevenSegmentDigit*> digits_;
    std::vector<int> shown_;  // the port value each digit pair shows, -1 before the first refresh
};

class ButtonPanel final : public DevicePanel {
    Q_OBJECT
public:
    ButtonPanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent);
    void refresh(const Machine& m) override;
    char key() const { return device_.key; }
    // Held down by the mouse or the key: the bit is 1 while held, 0 once let go.
    void press();
    void release();
    bool held() const { return held_; }
    QPushButton* button() const { return button_; }

private:
    void setBit(bool on);
    void updateCaption();
    QPushButton* button_;
    QSpinBox* bit_;
    QComboBox* tecla_;
    LedRow* lamp_;
    bool held_ = false;
};

// Makes the panel of a device's kind.
DevicePanel* makePanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent);

}  // namespace vandor
