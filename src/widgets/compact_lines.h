// Compact lines: the rows of the program and stack lists and of the memory and port grids, as tall as
// their text's ink (hexadecimal digits, the mnemonics' capitals and punctuation) with a pixel of air
// above and below, whatever the font's own line spacing. The text is drawn with its ink centred in the
// row, so a font that sits low in its line box (DejaVu) needs no more room than one that does not.
//
//   view->setItemDelegate(new CompactLineDelegate(view));
//   const int height = compactLineHeight(view->font());   // 13 px for 9.75 pt Liberation Mono
#pragma once

#include <QStyledItemDelegate>

class QPainter;

namespace vandor {

// The height of such a row for a font.
int compactLineHeight(const QFont& font);
// Where the baseline of a row `height` pixels tall lies, counted from its top, for the ink to be centred.
int compactBaseline(const QFont& font, int height);
// Draws `text` in `rect` on the compact baseline, aligned across as `alignment` says.
void drawCompactText(QPainter* painter, const QRect& rect, const QFont& font, const QString& text,
                     Qt::Alignment alignment);

// Draws an item view's rows with their text on the compact baseline (selection, colours and fonts as
// the model and the style give them).
class CompactLineDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace vandor
