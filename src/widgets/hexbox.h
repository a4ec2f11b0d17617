// HexBox: the hexadecimal entry box of the main window. Every number box is one: it selects its text when
// it gets the focus (rutgotfocus), checks its entry before the focus may leave it (rutvalidate: "Valor
// incorrecto", the focus and the typed text kept, the text selected) and announces confirmed() once the
// focus has really left after an accepted entry. Its digit width (2 or 4) follows from its width in
// twips, as the layout gives it.
//
// Views write a box with showValue(), which leaves alone a box the user is typing in.
//
//   auto* txtA = new HexBox(dialogs, frame, 375);          // 2 digits
//   connect(txtA, &HexBox::confirmed, this, [this] { sim.setRegister(Register::A, txtA->byteValue()); });
//   txtA->showValue(hexText(sim.m.a, 2));
#pragma once

#include <QLineEdit>
#include <QString>
#include <functional>

#include "common/hex.h"

namespace vandor {

class Dialogs;

// A box wider than 375 twips takes 4 digits, any other 2.
constexpr int digitsForWidth(int widthTwips) { return widthTwips > 375 ? 4 : 2; }

// A number as the boxes show it (hexa).
inline QString hexText(long value, int digits) { return QString::fromLatin1(hexa(value, digits)); }

class HexBox : public QLineEdit {
    Q_OBJECT
public:
    HexBox(Dialogs& dialogs, QWidget* parent, int widthTwips);

    int digits() const { return digits_; }

    // The value of the text (dec): a whole number, its low byte, its low 16 bits.
    int value() const { return dec(text().toStdString()); }
    uint8_t byteValue() const { return static_cast<uint8_t>(value() & 0xFF); }
    uint16_t wordValue() const { return static_cast<uint16_t>(value() & 0xFFFF); }

    // The byte boxes of the entry row accept an empty (or blank) text unchanged.
    void setEmptyAllowed(bool allowed) { emptyAllowed_ = allowed; }
    bool emptyAllowed() const { return emptyAllowed_; }

    // Whether the text is empty after trimming (an empty byte box, which stores nothing).
    bool isBlank() const { return text().trimmed().isEmpty(); }

    // Run during validation right after an entry was accepted (txtE rebuilds txtDE then).
    std::function<void()> afterAccept;

    // rutgotfocus: the whole text selected.
    void rutgotfocus();
    // rutvalidate: true when the entry is rejected ("Valor incorrecto" shown, text kept and selected).
    bool rutvalidate();

    // Writes a value from the views, unless the user is typing in the box; a fully selected text stays
    // selected.
    void showValue(const QString& text);

    // True from the focus arriving until it has left (the box owns the entry in progress).
    bool isEntering() const { return entering_; }

signals:
    // The focus is about to leave (before the entry is checked); the views catch up first.
    void leaving();
    // The focus has left after an accepted entry: the box's confirm action runs now.
    void confirmed();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    bool acceptable() const;

    Dialogs& dialogs_;
    int digits_;
    bool emptyAllowed_ = false;
    bool entering_ = false;
};

}  // namespace vandor
