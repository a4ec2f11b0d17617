#include "devices/device_widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>

#include "devices/seven_segment.h"

namespace vandor {
namespace {

// Sizes in units of the font's height, so that the devices grow with the text.
int unit(const QWidget* w) { return std::max(10, w->fontMetrics().height() * 4 / 3); }

const QColor kLit(255, 40, 30);
const QColor kLitGlow(255, 120, 90);
const QColor kDark(70, 18, 16);
const QColor kPanel(24, 24, 24);

void drawBitNumber(QPainter& p, const QRect& below, int bit) {
    p.setPen(QColor(90, 90, 90));
    p.drawText(below, Qt::AlignHCenter | Qt::AlignTop, QString::number(bit));
}

}  // namespace

LedRow::LedRow(int count, QWidget* parent) : QWidget(parent), count_(count) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    firstBit_ = count - 1;
}

void LedRow::setValue(uint8_t value) {
    if (value == value_) return;
    value_ = value;
    update();
}

void LedRow::setFirstBit(int bit) {
    firstBit_ = bit;
    update();
}

QSize LedRow::sizeHint() const {
    const int u = unit(this);
    return {count_ * u * 3 / 2 + u / 2, u * 5 / 2};
}

QPoint LedRow::ledCentre(int bit) const {
    const int u = unit(this);
    const int i = firstBit_ - bit;
    return QPoint(u / 2 + i * u * 3 / 2 + u / 2, u / 4 + u / 2);
}

void LedRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int u = unit(this);
    const int step = u * 3 / 2;
    for (int i = 0; i < count_; ++i) {
        const int bit = firstBit_ - i;
        const bool lit = (value_ >> bit) & 1;
        const QRectF led(u / 2 + i * step, u / 4, u, u);
        if (lit) {
            QRadialGradient glow(led.center(), u * 0.75);
            glow.setColorAt(0, kLitGlow);
            glow.setColorAt(0.6, kLit);
            glow.setColorAt(1, QColor(255, 40, 30, 0));
            p.setPen(Qt::NoPen);
            p.setBrush(glow);
            p.drawEllipse(led.adjusted(-u / 4.0, -u / 4.0, u / 4.0, u / 4.0));
        }
        p.setPen(QPen(QColor(40, 40, 40), 1));
        p.setBrush(lit ? kLit : kDark);
        p.drawEllipse(led);
        drawBitNumber(p, QRect(u / 2 + i * step - u / 4, u * 5 / 4 + 2, u * 3 / 2, u), bit);
    }
}

SevenSegmentDigit::SevenSegmentDigit(QWidget* parent) : QWidget(parent) {
    QSizePolicy policy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setSizePolicy(policy);
}

void SevenSegmentDigit::setSegments(uint8_t segments) {
    if (segments == segments_) return;
    segments_ = segments;
    update();
}

QSize SevenSegmentDigit::sizeHint() const {
    const int u = unit(this);
    return {u * 3, heightForWidth(u * 3)};
}

QSize SevenSegmentDigit::minimumSizeHint() const { return sizeHint(); }

int SevenSegmentDigit::heightForWidth(int width) const { return width * 7 / 4; }

void SevenSegmentDigit::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), kPanel);
    // The digit in a box of 10 x 18 units, slanted a little as the real ones are.
    const qreal w = width(), h = height();
    const qreal sx = w / 12.0, sy = h / 20.0;
    p.translate(sx * 1.2, sy * 1.0);
    p.scale(sx, sy);
    p.shear(-0.08, 0);
    p.translate(1.4, 0);
    const qreal t = 1.2;  // segment thickness
    // Horizontal and vertical segments as hexagons between two points.
    auto horizontal = [t](qreal x0, qreal x1, qreal y) {
        return QPolygonF({{x0, y}, {x0 + t / 2, y - t / 2}, {x1 - t / 2, y - t / 2}, {x1, y},
                          {x1 - t / 2, y + t / 2}, {x0 + t / 2, y + t / 2}});
    };
    auto vertical = [t](qreal x, qreal y0, qreal y1) {
        return QPolygonF({{x, y0}, {x + t / 2, y0 + t / 2}, {x + t / 2, y1 - t / 2}, {x, y1},
                          {x - t / 2, y1 - t / 2}, {x - t / 2, y0 + t / 2}});
    };
    const qreal g = 0.15;  // gap between segments
    const std::array<QPolygonF, 7> shapes = {
        horizontal(1 + g, 8 - g, 1),   // a
        vertical(8, 1 + g, 9 - g),     // b
        vertical(8, 9 + g, 17 - g),    // c
        horizontal(1 + g, 8 - g, 17),  // d
        vertical(1, 9 + g, 17 - g),    // e
        vertical(1, 1 + g, 9 - g),     // f
        horizontal(1 + g, 8 - g, 9),   // g
    };
    p.setPen(Qt::NoPen);
    for (size_t s = 0; s < shapes.size(); ++s) {
        p.setBrush((segments_ >> s) & 1 ? kLit : kDark);
        p.drawPolygon(shapes[s]);
    }
    p.setBrush(segments_ & segmentBit(Segment::DP) ? kLit : kDark);
    p.drawEllipse(QPointF(9.4, 17.2), 0.75, 0.75);
}

SwitchRow::SwitchRow(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

void SwitchRow::setValue(uint8_t value) {
    if (value == value_) return;
    value_ = value;
    update();
}

QSize SwitchRow::sizeHint() const {
    const int u = unit(this);
    return {8 * u * 3 / 2 + u / 2, u * 7 / 2};
}

QRect SwitchRow::switchRect(int bit) const {
    const int u = unit(this);
    const int i = 7 - bit;
    return QRect(u / 2 + i * u * 3 / 2, u / 4, u, u * 2);
}

int SwitchRow::bitAt(const QPoint& point) const {
    for (int bit = 0; bit < 8; ++bit)
        if (switchRect(bit).adjusted(-2, -2, 2, 2).contains(point)) return bit;
    return -1;
}

QPoint SwitchRow::switchCentre(int bit) const { return switchRect(bit).center(); }

void SwitchRow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int u = unit(this);
    for (int bit = 0; bit < 8; ++bit) {
        const QRectF r = switchRect(bit);
        const bool on = (value_ >> bit) & 1;
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(on ? QColor(60, 130, 60) : QColor(110, 110, 110));
        p.drawRoundedRect(r, u / 3.0, u / 3.0);
        const QRectF knob(r.left() + 2, on ? r.top() + 2 : r.center().y() + 1, r.width() - 4, r.height() / 2 - 3);
        p.setBrush(QColor(235, 235, 235));
        p.drawRoundedRect(knob, u / 4.0, u / 4.0);
        drawBitNumber(p, QRect(r.left() - u / 4, r.bottom() + 3, u * 3 / 2, u), bit);
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void SwitchRow::mousePressEvent(QMouseEvent* event) {
    const int bit = bitAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && bit >= 0) {
        emit toggled(bit);
        return;
    }
    QWidget::mousePressEvent(event);
}

void SwitchRow::keyPressEvent(QKeyEvent* event) {
    if (event->key() >= Qt::Key_0 && event->key() <= Qt::Key_7 && !event->isAutoRepeat()) {
        emit toggled(event->key() - Qt::Key_0);
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace vandor
