#include "widgets/twips_layout.h"

#include <QFontMetrics>

#include "widgets/zoom.h"

namespace vandor {

void TwipsLayout::place(QWidget* widget, const QRect& twips, Growth growth) {
    items_.push_back({widget, twips, growth});
}

int TwipsLayout::sum(const Bands& bands, uint8_t mask) {
    int total = 0;
    for (size_t i = 0; i < bands.size(); ++i)
        if (mask & (1u << i)) total += bands[i];
    return total;
}

void TwipsLayout::apply(const Zoom& zoom, const Bands& across, const Bands& down) const {
    for (const Item& item : items_) {
        if (!item.widget) continue;
        const QRect& t = item.twips;
        const Growth& g = item.growth;
        item.widget->setGeometry(zoom.px(t.x()) + sum(across, g.moveX), zoom.px(t.y()) + sum(down, g.moveY),
                                 zoom.px(t.width()) + sum(across, g.growX), zoom.px(t.height()) + sum(down, g.growY));
    }
}

QRect TwipsLayout::twipsOf(const QWidget* widget) const {
    for (const Item& item : items_)
        if (item.widget == widget) return item.twips;
    return {};
}

int compactLineHeight(const QFont& font) {
    const QFontMetrics metrics(font);
    // Every character the lists and grids show: hexadecimal, the mnemonics' letters, "," "*" "?" ".".
    const QRect ink = metrics.tightBoundingRect(QStringLiteral("0123456789ABCDEFHIJLMNOPRSTUVXZ,*?."));
    // Item views centre the font's line box in the row (integer division, as the style aligns it); the
    // row must hold the ink with a pixel of air on each side.
    for (int height = ink.height() + 2;; ++height) {
        const int baseline = (height - metrics.height()) / 2 + metrics.ascent();
        if (baseline + ink.top() >= 1 && baseline + ink.bottom() <= height - 2) return height;
    }
}

}  // namespace vandor
