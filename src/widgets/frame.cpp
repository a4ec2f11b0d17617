#include "widgets/frame.h"

#include <QFontMetrics>
#include <QPainter>

namespace vandor {
namespace {

constexpr int kTitleLeft = 6;
constexpr int kTitlePadding = 2;

}  // namespace

int Frame::lineY() const { return title().isEmpty() ? 0 : QFontMetrics(font()).height() / 2; }

QRect Frame::titleRect() const {
    if (title().isEmpty()) return {};
    const QFontMetrics metrics(font());
    return {kTitleLeft, 0, metrics.horizontalAdvance(title()) + 2 * kTitlePadding, metrics.height()};
}

QRect Frame::innerRect() const { return rect().adjusted(1, lineY() + 1, -1, -1); }

void Frame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The styles put a group box's line under its title; this one runs through it.
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect().adjusted(0, lineY(), -1, -1)).translated(0.5, 0.5), 2, 2);
    const QRect where = titleRect();
    if (where.isNull()) return;
    painter.fillRect(where, palette().window());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(where, Qt::AlignCenter, title());
}

}  // namespace vandor
