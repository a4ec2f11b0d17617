// The drawn parts of the devices window: a row of LEDs, a 7-segment digit, a row of toggle switches.
// Each shows a byte it is given and nothing else; the panels of dispositivos.h give them their port's
// value and turn the user's clicks into port writes.
//
//   auto* leds = new LedRow(8, panel);
//   leds->setValue(0x5A);                        // bit 7 on the left, lit for 1
//   auto* digit = new SevenSegmentDigit(panel);
//   digit->setSegments(kHexSegments[7]);         // "7"
//   connect(switches, &SwitchRow::toggled, [](int bit) { ... });
#pragma once

#include <QWidget>
#include <cstdint>

namespace vandor {

// `count` LEDs for the low bits of a byte, the highest bit on the left, each numbered underneath.
class LedRow : public QWidget {
    Q_OBJECT
public:
    explicit LedRow(int count, QWidget* parent = nullptr);
    uint8_t value() const { return value_; }
    void setValue(uint8_t value);
    // The bit the single LED of a one-LED row shows (its number underneath).
    void setFirstBit(int bit);
    QSize sizeHint() const override;
    // The centre of a bit's LED.
    QPoint ledCentre(int bit) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int count_;
    int firstBit_ = 0;
    uint8_t value_ = 0;
};

// One digit: segments a-g on bits 0-6 and the decimal point on bit 7, lit for 1.
class SevenSegmentDigit : public QWidget {
    Q_OBJECT
public:
    explicit SevenSegmentDigit(QWidget* parent = nullptr);
    uint8_t segments() const { return segments_; }
    void setSegments(uint8_t segments);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    uint8_t segments_ = 0;
};

// Eight toggle switches for the bits of a byte, bit 7 on the left; up is 1. A click on a switch, or the
// keys 0 to 7 while the row has the focus, ask for that bit to change (toggled); the row itself only
// shows the value it is given.
class SwitchRow : public QWidget {
    Q_OBJECT
public:
    explicit SwitchRow(QWidget* parent = nullptr);
    uint8_t value() const { return value_; }
    void setValue(uint8_t value);
    QSize sizeHint() const override;
    // The bit of the switch under a point of the row, or -1.
    int bitAt(const QPoint& point) const;
    // The centre of a bit's switch.
    QPoint switchCentre(int bit) const;

signals:
    void toggled(int bit);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QRect switchRect(int bit) const;
    uint8_t value_ = 0;
};

}  // namespace vandor
