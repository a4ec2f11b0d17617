// Layout helpers of the windows: every control is placed from its position in twips (1/1440 inch,
// 15 twips = 1 pixel at 96 DPI; Qt scales the pixels for high-DPI screens), and the fixed-pitch font of
// number boxes, lists and grids.
//
//   placeTwips(txtA, 480, 240, 375, 285);   // x 32, y 16, 25 x 19 px
//   txtA->setFont(fixedFont());
#pragma once

#include <QFont>
#include <QRect>
#include <QWidget>

namespace vandor {

inline constexpr int kTwipsPerPixel = 15;

constexpr int twips(int value) { return (value + kTwipsPerPixel / 2) / kTwipsPerPixel; }

inline QRect twips(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

inline void placeTwips(QWidget* widget, int left, int top, int width, int height) {
    widget->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

// A Courier-compatible monospace at 9.75 points.
inline QFont fixedFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Courier New"), QStringLiteral("Courier")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    return font;
}

// The captions' font: a small sans serif, so that the captions fit the controls' original sizes.
inline QFont captionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.0);
    return font;
}

}  // namespace vandor
