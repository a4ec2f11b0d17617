// Fonts and layout units shared by the editor and assembler windows: the fixed-pitch font of text boxes
// (a Courier-compatible monospace at 9.75 points) and twips, the unit control positions are given in.
//
//   texto->setFont(vandor::fixedFont());
//   filelst->setGeometry(vandor::twips(0, 360, 6855, 4935));
#pragma once

#include <QFont>
#include <QRect>
#include <QStringList>

namespace vandor {

inline QFont fixedFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("Courier New"), QStringLiteral("Courier")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    return font;
}

// 15 twips are one pixel at 96 DPI; Qt scales pixels on high-DPI screens.
constexpr int twips(int value) { return (value + 7) / 15; }

inline QRect twips(int left, int top, int width, int height) {
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

}  // namespace vandor
