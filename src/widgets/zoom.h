// Zoom: the one text size of every window of the simulator, for a projector or for tired eyes. The
// fixed-pitch font of every list, grid, box, the editor text and the listing is drawn at points() (9.75
// at start, 8 to 28 in steps); captions grow in proportion, and each window lays itself out at scale()
// so that nothing is cut. Ctrl+"+", Ctrl+"-", Ctrl+wheel and Ctrl+0 in any window that follows the zoom
// change it for all of them at once; it lasts until the program ends.
//
// A window follows the zoom with follow(): its apply function runs at once and after every change.
//
//   Zoom& zoom = Zoom::instance();
//   zoom.follow(this, [this] { texto->setFont(Zoom::instance().fixedFont()); });
//   zoom.zoomIn();                        // 9.75 -> 11 points, every window re-laid out
//   int width = zoom.px(375);             // a two-digit box's width at this size
#pragma once

#include <QFont>
#include <QList>
#include <QObject>
#include <QRect>
#include <functional>

class QWidget;

namespace vandor {

class Zoom final : public QObject {
    Q_OBJECT
public:
    static constexpr qreal kDefaultPoints = 9.75;

    static Zoom& instance();
    // The sizes the zoom steps through, smallest first: 8 to 28 points, the default among them.
    static const QList<qreal>& steps();

    qreal points() const { return points_; }
    // The size against the default: captions grow by it.
    qreal scale() const { return points_ / kDefaultPoints; }
    // What the windows' places grow by: the scale, but never below the default arrangement (a smaller
    // text keeps the default places, whose scroll bars and frames do not shrink with it).
    qreal layoutScale() const { return scale() > 1 ? scale() : 1; }

    // The nearest step to `points`.
    void setPoints(qreal points);
    void zoomIn();
    void zoomOut();
    void reset() { setPoints(kDefaultPoints); }

    // The fixed-pitch font at the zoom size; the captions' font grown in proportion.
    QFont fixedFont() const;
    QFont captionFont() const;
    // The families tried first for those fonts (empty: the usual ones, Liberation before DejaVu); every
    // window is laid out again. For checking the windows with each installed family.
    void setFamilies(const QStringList& fixed, const QStringList& captions);
    // A length or a rectangle in twips, in pixels at the layout's scale.
    int px(int twips) const;
    QRect px(int left, int top, int width, int height) const;

    // The window follows the zoom: apply() runs now and after each change (until the window is gone),
    // and the zoom keys and Ctrl+wheel inside the window change the zoom.
    void follow(QWidget* window, std::function<void()> apply);

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Zoom();
    bool inFollowingWindow(QObject* watched) const;

    qreal points_ = kDefaultPoints;
    QStringList fixedFamilies_;
    QStringList captionFamilies_;
    int wheelRest_ = 0;  // wheel turns below one notch, kept for the next
};

// A window's first placement: centred on the screen it starts on (its parent's, else the one under the
// mouse), no larger than that screen's free area. Runs once, when the window is first shown.
void centreWhenFirstShown(QWidget* window);
// Where such a window goes in a screen's free area, with the height of its title bar above it.
QRect centredPlacement(QSize size, QSize minimum, const QRect& area, int titleBar);
// The free area of the screen the window is (or will be) on.
QRect availableArea(const QWidget* window);

}  // namespace vandor
