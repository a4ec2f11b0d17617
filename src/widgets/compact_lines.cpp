#include "widgets/compact_lines.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>

namespace vandor {
namespace {

// Every character the lists and grids show.
const QString kSample = QStringLiteral("0123456789ABCDEFHIJLMNOPRSTUVXZ,*?.");

QRect sampleInk(const QFont& font) { return QFontMetrics(font).tightBoundingRect(kSample); }

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

void drawCompactText(QPainter* painter, const QRect& rect, const QFont& font, const QString& text,
                     Qt::Alignment alignment) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text);
    int x = rect.left();
    if (alignment & Qt::AlignRight) x = rect.right() + 1 - width;
    else if (alignment & Qt::AlignHCenter) x = rect.left() + (rect.width() - width) / 2;
    painter->save();
    painter->setFont(font);
    painter->setClipRect(rect);
    painter->drawText(QPoint(x, rect.top() + compactBaseline(font, rect.height())), text);
    painter->restore();
}

void CompactLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    const QString text = item.text;
    item.text.clear();
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // The ground, the selection and the focus frame as the style draws them, then the text.
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                                             : QPalette::Inactive;
    painter->save();
    painter->setPen(item.palette.color(group, (item.state & QStyle::State_Selected) ? QPalette::HighlightedText
                                                                                    : QPalette::Text));
    drawCompactText(painter, textRect, item.font, text, item.displayAlignment);
    painter->restore();
}

}  // namespace vandor
