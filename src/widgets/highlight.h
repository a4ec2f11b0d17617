// The look of a value that the last action changed: bold type on a calm amber ground, drawn from the
// palette in use so that it reads well on light and dark desktops alike (the text keeps the palette's
// own colour; the ground is the palette's base tinted towards amber).
//
//   setHighlighted(txtA, true);                          // bold, amber ground
//   const HighlightColors c = highlightColors(view->palette());
//   if (role == Qt::BackgroundRole) return c.background; // in a model's data()
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace vandor {

struct HighlightColors {
    QColor background;
    QColor text;
};
HighlightColors highlightColors(const QPalette& palette);

// The contrast of two colours as the accessibility guidelines measure it, from 1 to 21.
double contrastRatio(const QColor& a, const QColor& b);

// A box (its base), a check box or a label (its ground) marked as changed, or back to plain. `again`
// redraws a marked widget after the palette or its font changed.
void setHighlighted(QWidget* widget, bool on, bool again = false);
bool isHighlighted(const QWidget* widget);

}  // namespace vandor
