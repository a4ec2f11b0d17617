#include "widgets/compact_lines.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QStaticText>
#include <QtMath>
#include <algorithm>

namespace vandor {
namespace {

// Every character the lists and grids show.
const QString kSample = QStringLiteral("0123456789ABCDEFHIJLMNOPRSTUVXZ,*?.");

// Measuring the ink shapes the whole sample, far dearer than drawing a cell: the rows of a view share a
// few fonts (plain, bold), so the last ones measured are kept. Fonts are used on the window's thread only.
QRect sampleInk(const QFont& font) {
    struct Measured {
        QFont font;
        QRect ink;
    };
    static Measured cache[4];
    static int used = 0, next = 0;
    for (int i = 0; i < used; ++i)
        if (cache[i].font == font) return cache[i].ink;
    Measured& slot = cache[next];
    next = (next + 1) % 4;
    used = std::max(used, next == 0 ? 4 : next);
    slot = {font, QFontMetrics(font).tightBoundingRect(kSample)};
    return slot.ink;
}

}  // namespace

// A pixel of air above and below the ink. On a high-density screen the ink is measured in device pixels
// and rounded outward to whole logical ones, which already leaves that air (up to a logical pixel).
int compactLineHeight(const QFont& font) {
    const bool dense = qApp && qApp->devicePixelRatio() > 1.25;
    return sampleInk(font).height() + (dense ? 0 : 2);
}

int compactBaseline(const QFont& font, int height) {
    const QRect ink = sampleInk(font);
    return (height - ink.height()) / 2 - ink.top();
}

const QStaticText& laidOutText(const QFont& font, const QString& text) {
    struct FontTexts {
        QFont font;
        QHash<QString, QStaticText> texts;
    };
    static FontTexts caches[4];
    static int used = 0, next = 0;
    FontTexts* cache = nullptr;
    for (int i = 0; i < used && !cache; ++i)
        if (caches[i].font == font) cache = &caches[i];
    if (!cache) {
        cache = &caches[next];
        next = (next + 1) % 4;
        used = std::max(used, next == 0 ? 4 : next);
        cache->font = font;
        cache->texts.clear();
    }
    if (cache->texts.size() >= 4096) cache->texts.clear();
    auto found = cache->texts.find(text);
    if (found == cache->texts.end()) {
        QStaticText laid(text);
        laid.setTextFormat(Qt::PlainText);
        laid.prepare(QTransform(), font);
        found = cache->texts.insert(text, laid);
    }
    return *found;
}

void drawCompactText(QPainter* painter, const QRect& rect, const QFont& font, const QString& text,
                     Qt::Alignment alignment) {
    const QStaticText& laid = laidOutText(font, text);
    const int width = qCeil(laid.size().width());
    int x = rect.left();
    if (alignment & Qt::AlignRight) x = rect.right() + 1 - width;
    else if (alignment & Qt::AlignHCenter) x = rect.left() + (rect.width() - width) / 2;
    const int baseline = rect.top() + compactBaseline(font, rect.height());
    painter->save();
    painter->setFont(font);
    painter->setClipRect(rect);
    painter->drawStaticText(QPointF(x, baseline - QFontMetricsF(font).ascent()), laid);
    painter->restore();
}

void CompactLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    // Most cells are plain text on the view's own ground: the style would draw nothing there but would
    // still lay the whole item out, which costs more than the text. Such a cell's text goes where the
    // style put the last plain cell's, relative to the cell.
    const bool plain = !(item.state & (QStyle::State_Selected | QStyle::State_HasFocus)) &&
                       item.backgroundBrush.style() == Qt::NoBrush &&
                       !(item.features & (QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDecoration |
                                          QStyleOptionViewItem::Alternate));
    QRect textRect;
    if (plain && plainStyle_ == style && plainSize_ == item.rect.size()) {
        textRect = plainText_.translated(item.rect.topLeft());
    } else {
        // The ground, the selection and the focus frame as the style draws them, then the text.
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
        textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
        if (plain) {
            plainStyle_ = style;
            plainSize_ = item.rect.size();
            plainText_ = textRect.translated(-item.rect.topLeft());
        }
    }
    painter->save();
    painter->setPen(item.palette.color(group, (item.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                    : QPalette::Text));
    drawCompactText(painter, textRect, item.font, text, item.displayAlignment);
    painter->restore();
}

}  // namespace vandor
