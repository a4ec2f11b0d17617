#include "widgets/highlight.h"

#include <QLineEdit>
#include <QWidget>
#include <cmath>

namespace vandor {
namespace {

constexpr char kHighlighted[] = "vandorHighlighted";
const QColor kAmber(0xFF, 0xC1, 0x07);

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                            static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                            static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

double luminance(const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

}  // namespace

double contrastRatio(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

HighlightColors highlightColors(const QPalette& palette) {
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    // Tint the ground as far towards amber as keeps the text clearly readable on it.
    const bool dark = base.lightnessF() < 0.5;
    double t = dark ? 0.40 : 0.45;
    QColor ground = mix(base, kAmber, t);
    while (t > 0.1 && contrastRatio(ground, text) < 4.5) {
        t -= 0.05;
        ground = mix(base, kAmber, t);
    }
    return {ground, text};
}

void setHighlighted(QWidget* widget, bool on, bool again) {
    if (!again && widget->property(kHighlighted).toBool() == on) return;
    widget->setProperty(kHighlighted, on);
    // A box keeps the font it was given; a label or check box takes its parent's, in bold when marked.
    const bool box = qobject_cast<QLineEdit*>(widget) != nullptr;
    QWidget* parent = widget->parentWidget();
    if (!on) {
        // Back to the palette (and for captions the font) the widget inherits.
        if (box || !parent) {
            QFont font = widget->font();
            font.setBold(false);
            widget->setFont(font);
        } else {
            widget->setFont(QFont());
        }
        widget->setPalette(QPalette());
        widget->setAutoFillBackground(false);
        return;
    }
    QFont font = box || !parent ? widget->font() : parent->font();
    font.setBold(true);
    widget->setFont(font);
    const QPalette inherited = parent ? parent->palette() : widget->palette();
    const HighlightColors colors = highlightColors(inherited);
    QPalette palette = inherited;
    if (box) {
        palette.setColor(QPalette::Base, colors.background);
        palette.setColor(QPalette::Text, colors.text);
    } else {
        palette.setColor(QPalette::Window, colors.background);
        palette.setColor(QPalette::WindowText, colors.text);
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

bool isHighlighted(const QWidget* widget) { return widget->property(kHighlighted).toBool(); }

}  // namespace vandor
