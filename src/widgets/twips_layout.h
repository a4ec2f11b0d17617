// TwipsLayout: a window's controls where their twips put them, at the zoom's scale, with the room the
// window has beyond its default size given to the controls that grow. That room is shared out in bands
// (up to eight across and eight down, each a number of pixels the window decides); each control names by
// bit masks the bands that move it right or down and those that widen or heighten it. At the default
// size every band is 0 and each control sits exactly at its twips.
//
//   TwipsLayout layout;
//   layout.place(prg, {120, 720, 3255, 5715}, {.growX = kList, .growY = kAllDown});
//   layout.place(frame, {3480, 480, 5175, 2415}, {.moveX = kList});
//   layout.apply(Zoom::instance(), {listRoom}, {topRoom, memoryRoom});
#pragma once

#include <QPointer>
#include <QRect>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

class QFont;
class QPushButton;

namespace vandor {

class Zoom;

// The bands (bit masks) whose room moves a control and grows it.
struct TwipsGrowth {
    uint8_t moveX = 0;  // bands whose room moves the control right
    uint8_t growX = 0;  // bands whose room widens it
    uint8_t moveY = 0;  // bands whose room moves it down
    uint8_t growY = 0;  // bands whose room heightens it
};

class TwipsLayout {
public:
    using Growth = TwipsGrowth;
    using Bands = std::array<int, 8>;

    void place(QWidget* widget, const QRect& twips, Growth growth = {});
    // Every control placed at the zoom's scale, moved and grown by the bands' room.
    void apply(const Zoom& zoom, const Bands& across = {}, const Bands& down = {}) const;
    // The twips a control was placed at (its rectangle at the default size), or a null rectangle.
    QRect twipsOf(const QWidget* widget) const;

private:
    static int sum(const Bands& bands, uint8_t mask);

    struct Item {
        QPointer<QWidget> widget;
        QRect twips;
        Growth growth;
    };
    std::vector<Item> items_;
};

// How many pixels a button's caption lacks to show whole at the button's present size (0 when it fits).
int buttonCaptionLack(const QPushButton* button);

}  // namespace vandor
