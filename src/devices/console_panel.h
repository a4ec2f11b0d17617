// The serial console of the devices window: a terminal on SOD and SID. What the program sends bit by bit
// on SOD (SIM with bits 6 and 7) is read at the chosen baud rate and clock and shown; what the user types
// into the console is sent on SID the same way, for the program to read with RIM bit 7. The line is timed
// by the machine's T-state count, so it works at every speed the program runs at.
//
// The panel owns the terminal and attaches it to the simulator while it exists (one console at a time:
// SOD and SID are one line each); refresh() shows what arrived since the last refresh.
//
//   ConsolePanel console(newDevice(DeviceKind::Console), sim, dialogs, parent);
//   console.type("A");          // sent on SID from the present T-state on
//   sim.run(...); console.refresh(sim.m);
//   console.text();             // what the program sent
#pragma once

#include <QPlainTextEdit>

#include "devices/device_panels.h"
#include "machine/serial_line.h"

class QComboBox;
class QLabel;
class QDoubleSpinBox;

namespace vandor {

// The console's screen: shows what arrived; the keys typed into it are handed on as bytes (typed()).
class ConsoleScreen : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ConsoleScreen(QWidget* parent = nullptr);
    // Adds received bytes as a terminal shows them: CR and LF end a line (CR LF once), BS rubs out the
    // last character, other control bytes are not shown; a framing error shows as "�".
    void showReceived(const std::vector<SerialByte>& bytes);

signals:
    void typed(const QByteArray& bytes);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool afterCR_ = false;
};

class ConsolePanel final : public DevicePanel {
    Q_OBJECT
public:
    ConsolePanel(const Device& device, Simulator& sim, Dialogs& dialogs, QWidget* parent);
    ~ConsolePanel() override;

    Device device() const override;
    void refresh(const Machine& m) override;
    void applyZoom() override;

    // Sends bytes on SID from the machine's present T-state on, one after the other.
    void type(const QByteArray& bytes);
    QString text() const;
    ConsoleScreen* screen() const { return screen_; }
    void clear();

private:
    void formatChanged();

    SerialTerminal terminal_;
    ConsoleScreen* screen_;
    QComboBox* baudios_;
    QComboBox* formato_;
    QDoubleSpinBox* reloj_;
    QLabel* estado_;
    unsigned framingErrors_ = 0;
};

}  // namespace vandor
