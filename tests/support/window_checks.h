// Checks that walk every widget of a window: texts wider (or taller) than their room, controls outside
// the frame that holds them, controls a screen reader could not name, and the tab order inside frames.
// Each returns a list of readable faults, empty when there is none, so a test can print them all.
//
//   QStringList cut = clippedTexts(window);
//   QVERIFY2(cut.isEmpty(), qPrintable(cut.join('\n')));
#pragma once

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>

#include "widgets/compact_lines.h"
#include "widgets/dialogs.h"
#include "widgets/frame.h"

namespace window_checks {

inline QString where(const QWidget* w) {
    QString path = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
        if (!p->objectName().isEmpty() && !p->objectName().startsWith(QLatin1String("qt_"))) {
            path = p->objectName() + QLatin1Char('/') + path;
        }
    }
    return path;
}

inline QString shownText(QString text) {
    // A mnemonic's "&" is not drawn ("&&" draws one).
    text.replace(QLatin1String("&&"), QString(QChar(0x1)));
    text.remove(QLatin1Char('&'));
    text.replace(QChar(0x1), QLatin1Char('&'));
    return text;
}

// Shown when the window is: a widget of this window (a window of its own is checked on its own).
inline bool shown(const QWidget* w, const QWidget* window) {
    return w->window() == window && w->isVisibleTo(const_cast<QWidget*>(window));
}

// The room a button's text has: inside the style's contents rectangle (after the indicator of a check
// box or an option button).
inline int buttonTextRoom(const QAbstractButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(button)) element = QStyle::SE_CheckBoxContents;
    if (qobject_cast<const QRadioButton*>(button)) element = QStyle::SE_RadioButtonContents;
    int room = button->style()->subElementRect(element, &option, button).width();
    if (element == QStyle::SE_PushButtonContents) {
        // The push button draws its text inside the contents less the button margin's share.
        room -= button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button) / 2;
    }
    return room;
}

// The room of a line edit's text: its contents less the frame and the 2 pixels a side the box keeps.
inline int lineEditTextRoom(const QLineEdit* box) {
    const int frame = box->hasFrame() ? box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box) : 0;
    const QMargins margins = box->textMargins();
    return box->contentsRect().width() - 2 * frame - 4 - margins.left() - margins.right();
}

// A line of an item view drawn in its row: whether its glyphs stay inside the row's height (the text is
// centred in the row as the style draws it) and its width inside the row's text room.
inline void checkItem(const QAbstractItemView* view, const QModelIndex& index, const QRect& rect, QStringList& faults) {
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty()) return;
    QFont font = view->font();
    const QVariant itemFont = index.data(Qt::FontRole);
    if (itemFont.isValid()) font.setBold(qvariant_cast<QFont>(itemFont).bold());
    const QFontMetrics metrics(font);
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const int need = metrics.horizontalAdvance(text);
    const int room = rect.width() - 2 * margin;
    if (need > room) {
        faults << QStringLiteral("%1 row %2 column %3: \"%4\" needs %5 px, has %6")
                      .arg(where(view)).arg(index.row()).arg(index.column()).arg(text).arg(need).arg(room);
    }
    const QRect ink = metrics.tightBoundingRect(text);
    // Compact rows put the ink in the middle; the style centres the font's line box.
    const int baseline = qobject_cast<vandor::CompactLineDelegate*>(view->itemDelegateForIndex(index))
                             ? vandor::compactBaseline(font, rect.height())
                             : (rect.height() - metrics.height()) / 2 + metrics.ascent();
    if (baseline + ink.top() < 0 || baseline + ink.bottom() >= rect.height()) {
        faults << QStringLiteral("%1 row %2: \"%3\" is cut above or below (row %4 px high)")
                      .arg(where(view)).arg(index.row()).arg(text).arg(rect.height());
    }
}

inline void checkItemView(const QAbstractItemView* view, QStringList& faults) {
    const QAbstractItemModel* model = view->model();
    if (!model) return;
    const QRect inside = view->viewport()->rect();
    // Without a horizontal scroll bar, a column that runs past the right edge can never be seen whole.
    if (view->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff && model->rowCount() > 0) {
        for (int column = 0; column < model->columnCount(); ++column) {
            const QRect rect = view->visualRect(model->index(view->indexAt(QPoint(0, 0)).row(), column));
            if (!rect.isEmpty() && rect.right() > inside.right()) {
                faults << QStringLiteral("%1: column %2 runs %3 px past the right edge")
                              .arg(where(view)).arg(column).arg(rect.right() - inside.right());
            }
        }
    }
    const int rows = model->rowCount(), columns = model->columnCount();
    for (int row = 0; row < rows; ++row) {
        bool anyInView = false;
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = model->index(row, column);
            const QRect rect = view->visualRect(index);
            // Only whole cells in view: the rest are scrolled away, not cut.
            if (rect.isEmpty() || !inside.contains(rect)) {
                if (rect.top() > inside.bottom()) break;
                continue;
            }
            anyInView = true;
            checkItem(view, index, rect, faults);
        }
        if (!anyInView && view->visualRect(model->index(row, 0)).top() > inside.bottom()) break;
    }
}

inline void checkHeader(const QHeaderView* header, QStringList& faults) {
    if (!header->isVisible() || !header->model()) return;
    const QFontMetrics metrics(header->font());
    for (int section = 0; section < header->count(); ++section) {
        if (header->isSectionHidden(section)) continue;
        const QString title = header->model()->headerData(section, header->orientation()).toString();
        if (title.isEmpty()) continue;
        const int size = header->orientation() == Qt::Horizontal ? header->sectionSize(section) : header->width();
        const int need = metrics.horizontalAdvance(title) + 2;
        if (need > size) {
            faults << QStringLiteral("%1 heading %2: \"%3\" needs %4 px, has %5")
                          .arg(where(header)).arg(section).arg(title).arg(need).arg(size);
        }
        const int height = header->orientation() == Qt::Horizontal ? header->height() : header->sectionSize(section);
        const QRect ink = metrics.tightBoundingRect(title);
        // The grids draw their headings on the rows' compact baseline.
        const bool compact = header->parentWidget() && header->parentWidget()->inherits("vandor::GridView");
        const int baseline = compact ? vandor::compactBaseline(header->font(), height)
                                     : (height - metrics.height()) / 2 + metrics.ascent();
        if (baseline + ink.top() < 0 || baseline + ink.bottom() >= height) {
            faults << QStringLiteral("%1 heading %2: \"%3\" cut above or below").arg(where(header)).arg(section).arg(title);
        }
    }
}

// Every text of the window shown whole: captions, labels, boxes, list lines, grid cells, headings, frame
// titles, the window's own title; and every control inside the frame that holds it.
inline QStringList clippedTexts(QWidget* window) {
    QStringList faults;
    if (!window->windowTitle().isEmpty() && window->width() < vandor::titleBarWidth(window->windowTitle())) {
        faults << QStringLiteral("%1: title \"%2\" needs a window %3 px wide, is %4")
                      .arg(where(window), window->windowTitle())
                      .arg(vandor::titleBarWidth(window->windowTitle()))
                      .arg(window->width());
    }
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    for (QWidget* w : widgets) {
        if (!shown(w, window)) continue;
        const QFontMetrics metrics(w->font());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || label->wordWrap() || label->textFormat() == Qt::RichText) continue;
            const QString text = label->buddy() ? shownText(label->text()) : label->text();
            const int room = label->contentsRect().width() - 2 * label->margin() - std::max(0, label->indent());
            const int need = metrics.horizontalAdvance(text);
            if (need > room) faults << QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(where(w), text).arg(need).arg(room);
            // Drawn centred (or from the top) in its height: the ink must stay inside.
            const int height = label->contentsRect().height();
            const QRect ink = metrics.tightBoundingRect(text);
            const int baseline = (label->alignment() & Qt::AlignTop) ? metrics.ascent()
                                                                     : (height - metrics.height()) / 2 + metrics.ascent();
            if (baseline + ink.top() < 0 || baseline + ink.bottom() >= height) {
                faults << QStringLiteral("%1: \"%2\" is cut above or below (%3 px high)").arg(where(w), text).arg(height);
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (button->text().isEmpty()) continue;
            const QString text = shownText(button->text());
            const int need = metrics.horizontalAdvance(text);
            const int room = buttonTextRoom(button);
            if (need > room) faults << QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(where(w), text).arg(need).arg(room);
        } else if (auto* box = qobject_cast<QLineEdit*>(w)) {
            const int need = metrics.horizontalAdvance(box->text());
            const int room = lineEditTextRoom(box);
            if (need > room) faults << QStringLiteral("%1: \"%2\" needs %3 px, has %4").arg(where(w), box->text()).arg(need).arg(room);
            if (metrics.height() > box->contentsRect().height()) {
                faults << QStringLiteral("%1: text %2 px high in a box of %3").arg(where(w)).arg(metrics.height()).arg(box->contentsRect().height());
            }
        } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            checkHeader(header, faults);
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            checkItemView(view, faults);
        } else if (auto* frame = qobject_cast<vandor::Frame*>(w)) {
            if (!frame->title().isEmpty() && frame->titleRect().right() >= frame->width()) {
                faults << QStringLiteral("%1: title \"%2\" runs past the frame").arg(where(w), frame->title());
            }
        }
        // Inside the frame that holds it, clear of the frame's title.
        if (auto* frame = qobject_cast<vandor::Frame*>(w->parentWidget())) {
            if (!frame->innerRect().contains(w->geometry()) || w->geometry().intersects(frame->titleRect())) {
                faults << QStringLiteral("%1 lies on the frame's line or title").arg(where(w));
            }
        }
    }
    return faults;
}

// The controls a user reaches: buttons, boxes, lists and grids, text areas (not the scroll bars and
// headings that belong to them).
inline bool isControl(const QWidget* w) {
    if (qobject_cast<const QScrollBar*>(w) || qobject_cast<const QHeaderView*>(w) || qobject_cast<const QMenu*>(w)) return false;
    if (w->objectName().startsWith(QLatin1String("qt_"))) return false;
    // The parts of a list or grid (its corner button, its viewport) are the view's.
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (qobject_cast<const QAbstractItemView*>(p)) return false;
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
           qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
           qobject_cast<const QTextEdit*>(w);
}

// Every control (and every label that shows a value by its object name) has a name and a description a
// screen reader can say.
inline QStringList unnamedControls(QWidget* window) {
    QStringList faults;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!shown(w, window) || !isControl(w)) continue;
        if (w->accessibleName().trimmed().isEmpty()) faults << where(w) + QStringLiteral(": no accessible name");
        if (w->accessibleDescription().trimmed().isEmpty()) faults << where(w) + QStringLiteral(": no accessible description");
    }
    return faults;
}

// Inside each frame, Tab moves on in reading order: to the right on the same row, or further down
// (a new column may start higher up, but only to the right of the last control).
inline QStringList tabOrderFaults(QWidget* window) {
    QStringList faults;
    QList<QWidget*> chain;
    QWidget* start = window->nextInFocusChain();
    for (QWidget* w = start; w && w != window; w = w->nextInFocusChain()) {
        if (chain.contains(w)) break;
        chain << w;
    }
    QList<QWidget*> focusable;
    for (QWidget* w : chain)
        if (shown(w, window) && (w->focusPolicy() & Qt::TabFocus) && isControl(w)) focusable << w;
    for (int i = 1; i < focusable.size(); ++i) {
        QWidget* a = focusable[i - 1];
        QWidget* b = focusable[i];
        if (a->parentWidget() != b->parentWidget() || !qobject_cast<QGroupBox*>(a->parentWidget())) continue;
        const QRect ra = a->geometry(), rb = b->geometry();
        const bool sameRow = std::abs(ra.center().y() - rb.center().y()) <= ra.height() / 2;
        const bool onward = sameRow ? rb.left() > ra.left() : (rb.top() > ra.top() || rb.left() > ra.right());
        if (!onward) faults << QStringLiteral("%1 -> %2 goes back").arg(where(a), where(b));
    }
    // Every control can be reached.
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!shown(w, window) || !isControl(w) || !(w->focusPolicy() & Qt::TabFocus) || !w->isEnabled()) continue;
        if (!chain.contains(w)) faults << where(w) + QStringLiteral(": not in the tab chain");
    }
    return faults;
}

}  // namespace window_checks
