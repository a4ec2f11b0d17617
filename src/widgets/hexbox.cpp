#include "widgets/hexbox.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include "widgets/dialogs.h"
#include "widgets/twips.h"

namespace vandor {
namespace {

// A mouse press that tried to take the focus from a box whose entry was rejected must not go on to act
// (click a button, select a grid cell): the focus never really left the box. The press has already
// moved the focus when the box hears of it, so the press itself is swallowed here, with its release.
class RefusedPress final : public QObject {
public:
    static RefusedPress& instance() {
        static RefusedPress* blocker = new RefusedPress(qApp);
        return *blocker;
    }

    void arm(QWidget* target) {
        target_ = target;
        state_ = target ? State::WaitPress : State::Idle;
        if (target) qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
            type != QEvent::MouseButtonRelease)
            return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool onTarget = widget && target_ && (widget == target_ || target_->isAncestorOf(widget));
        if (state_ == State::WaitPress) {
            if (type == QEvent::MouseButtonRelease || !onTarget) return false;  // e.g. the message's OK
            state_ = State::WaitRelease;
            return true;
        }
        if (state_ == State::WaitRelease) {
            // A release lost to the message box leaves the next press alone.
            const bool swallow = type == QEvent::MouseButtonRelease && onTarget;
            disarm();
            return swallow;
        }
        return false;
    }

private:
    enum class State { Idle, WaitPress, WaitRelease };
    using QObject::QObject;

    void disarm() {
        state_ = State::Idle;
        target_ = nullptr;
        qApp->removeEventFilter(this);
    }

    QPointer<QWidget> target_;
    State state_ = State::Idle;
};

// Changes of the active window (a message box, another window) are not the focus leaving the box.
bool windowChange(Qt::FocusReason reason) {
    return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
}

}  // namespace

HexBox::HexBox(Dialogs& dialogs, QWidget* parent, int widthTwips)
    : QLineEdit(parent), dialogs_(dialogs), digits_(digitsForWidth(widthTwips)) {
    setFont(fixedFont());
    setText(QString(digits_, QLatin1Char('0')));
    setTextMargins(0, 0, 0, 0);
}

void HexBox::rutgotfocus() { selectAll(); }

bool HexBox::acceptable() const {
    return (emptyAllowed_ && isBlank()) || normaliseHexEntry(text().toStdString(), digits_).has_value();
}

bool HexBox::rutvalidate() {
    selectAll();
    if (emptyAllowed_ && isBlank()) return false;
    const std::optional<std::string> normalised = normaliseHexEntry(text().toStdString(), digits_);
    if (!normalised) {
        dialogs_.message(this, QStringLiteral("Valor incorrecto"));
        selectAll();
        return true;
    }
    setText(QString::fromLatin1(*normalised));
    setCursorPosition(0);
    if (afterAccept) afterAccept();
    return false;
}

void HexBox::showValue(const QString& value) {
    if (value == text()) return;
    if (entering_ && isModified()) return;
    const bool allSelected = hasFocus() && selectedText() == text();
    setText(value);
    if (allSelected) selectAll();
}

void HexBox::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    // The window coming back to the front returns the focus to the entry in progress. A box focused
    // while its window was inactive gets its first focus event only now: that starts an entry.
    if (windowChange(event->reason()) && entering_) return;
    // A refused entry that gets the focus back is still the same entry, typed text and all.
    if (!entering_) setModified(false);
    entering_ = true;
    rutgotfocus();
    // A click goes on to place the caret after the focus arrived; select again once it has.
    if (event->reason() == Qt::MouseFocusReason) {
        QTimer::singleShot(0, this, [this] {
            if (hasFocus() && !isModified()) rutgotfocus();
        });
    }
}

void HexBox::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // A focus change the box refused passes through the widget that tried to take the focus: that
    // widget never had an entry in progress.
    if (windowChange(event->reason()) || !entering_) return;
    emit leaving();
    if (!acceptable()) {
        // The focus goes back first, so the message box returns it to this box.
        if (event->reason() == Qt::MouseFocusReason) RefusedPress::instance().arm(QApplication::focusWidget());
        setFocus(Qt::OtherFocusReason);
    }
    if (rutvalidate()) return;
    entering_ = false;
    emit confirmed();
}

}  // namespace vandor
