#include "widgets/zoom.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "widgets/twips.h"

namespace vandor {
namespace {

constexpr char kFollowsZoom[] = "vandorFollowsZoom";
constexpr int kWheelNotch = 120;

}  // namespace

Zoom::Zoom() : QObject(qApp) { qApp->installEventFilter(this); }

Zoom& Zoom::instance() {
    static Zoom* zoom = new Zoom;
    return *zoom;
}

const QList<qreal>& Zoom::steps() {
    static const QList<qreal> sizes = {8, 9, kDefaultPoints, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28};
    return sizes;
}

void Zoom::setPoints(qreal points) {
    const QList<qreal>& sizes = steps();
    const qreal nearest = *std::min_element(sizes.begin(), sizes.end(), [points](qreal a, qreal b) {
        return std::abs(a - points) < std::abs(b - points);
    });
    if (nearest == points_) return;
    points_ = nearest;
    emit changed();
}

void Zoom::zoomIn() {
    for (qreal size : steps()) {
        if (size > points_) {
            setPoints(size);
            return;
        }
    }
}

void Zoom::zoomOut() {
    const QList<qreal>& sizes = steps();
    for (auto it = sizes.rbegin(); it != sizes.rend(); ++it) {
        if (*it < points_) {
            setPoints(*it);
            return;
        }
    }
}

QFont Zoom::fixedFont() const {
    QFont font = vandor::fixedFont();
    if (!fixedFamilies_.isEmpty()) font.setFamilies(fixedFamilies_ + font.families());
    font.setPointSizeF(points_);
    return font;
}

QFont Zoom::captionFont() const {
    QFont font = vandor::captionFont();
    if (!captionFamilies_.isEmpty()) font.setFamilies(captionFamilies_ + font.families());
    font.setPointSizeF(font.pointSizeF() * scale());
    return font;
}

void Zoom::setFamilies(const QStringList& fixed, const QStringList& captions) {
    fixedFamilies_ = fixed;
    captionFamilies_ = captions;
    emit changed();
}

int Zoom::px(int twips) const { return static_cast<int>(std::lround(twips * layoutScale() / kTwipsPerPixel)); }

QRect Zoom::px(int left, int top, int width, int height) const {
    return QRect(px(left), px(top), px(width), px(height));
}

void Zoom::follow(QWidget* window, std::function<void()> apply) {
    window->setProperty(kFollowsZoom, true);
    connect(this, &Zoom::changed, window, apply);
    apply();
}

bool Zoom::inFollowingWindow(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && widget->window()->property(kFollowsZoom).toBool();
}

bool Zoom::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride && type != QEvent::Wheel) return false;
    if (!inFollowingWindow(watched)) return false;

    if (type == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
        // A touchpad turns in small pieces; a notch's worth makes one step.
        wheelRest_ += wheel->angleDelta().y();
        while (wheelRest_ >= kWheelNotch) {
            wheelRest_ -= kWheelNotch;
            zoomIn();
        }
        while (wheelRest_ <= -kWheelNotch) {
            wheelRest_ += kWheelNotch;
            zoomOut();
        }
        return true;
    }

    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (mods != Qt::ControlModifier) return false;
    std::function<void()> action;
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: action = [this] { zoomIn(); }; break;
    case Qt::Key_Minus: action = [this] { zoomOut(); }; break;
    case Qt::Key_0: action = [this] { reset(); }; break;
    default: return false;
    }
    // The key is claimed before any box or shortcut sees it, and acts once, on the press itself.
    if (type == QEvent::ShortcutOverride) {
        event->accept();
        return true;
    }
    action();
    return true;
}

QRect availableArea(const QWidget* window) {
    QScreen* screen = nullptr;
    if (window->parentWidget()) screen = window->parentWidget()->window()->screen();
    if (!screen && window->isVisible()) screen = window->screen();
    if (!screen) screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QRect centredPlacement(QSize size, QSize minimum, const QRect& area, int titleBar) {
    const QSize room(area.width(), std::max(1, area.height() - titleBar));
    const QSize placed = size.boundedTo(room).expandedTo(minimum.boundedTo(room));
    const int x = area.x() + std::max(0, (room.width() - placed.width()) / 2);
    const int y = area.y() + titleBar + std::max(0, (room.height() - placed.height()) / 2);
    return {QPoint(x, y), placed};
}

namespace {

// Centres the window in its screen's free area the first time it is shown, leaving room for the title
// bar above it, and makes it no larger than that area.
class FirstShowPlacement final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Show) return false;
        auto* window = static_cast<QWidget*>(watched);
        const int titleBar = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        const QRect place =
            centredPlacement(window->size(), window->minimumSize(), availableArea(window), titleBar);
        if (place.size() != window->size()) window->resize(place.size());
        window->move(place.topLeft());
        window->removeEventFilter(this);
        deleteLater();
        return false;
    }
};

}  // namespace

void centreWhenFirstShown(QWidget* window) { window->installEventFilter(new FirstShowPlacement(window)); }

}  // namespace vandor
