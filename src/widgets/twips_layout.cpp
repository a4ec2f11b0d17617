#include "widgets/twips_layout.h"

#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <algorithm>

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
        QRect place(zoom.px(t.x()) + sum(across, g.moveX), zoom.px(t.y()) + sum(down, g.moveY),
                    zoom.px(t.width()) + sum(across, g.growX), zoom.px(t.height()) + sum(down, g.growY));
        // A button whose caption this system's font draws wider than its place widens about its centre
        // (into the gap beside it) rather than cut the caption.
        if (auto* button = qobject_cast<QPushButton*>(item.widget.data())) {
            button->setGeometry(place);
            const int lack = buttonCaptionLack(button);
            if (lack > 0) place.adjust(-(lack + 1) / 2, 0, lack - (lack + 1) / 2, 0);
        }
        item.widget->setGeometry(place);
    }
}

int buttonCaptionLack(const QPushButton* button) {
    if (button->text().isEmpty()) return 0;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const int room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width() -
                     button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button) / 2;
    QString caption = button->text();
    caption.remove(QLatin1Char('&'));
    return std::max(0, button->fontMetrics().horizontalAdvance(caption) - room);
}

QRect TwipsLayout::twipsOf(const QWidget* widget) const {
    for (const Item& item : items_)
        if (item.widget == widget) return item.twips;
    return {};
}

}  // namespace vandor
