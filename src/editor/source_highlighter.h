// SourceHighlighter: the formats of a source line, from the assembler's classification (assembler/
// syntax.h), in colours chosen for the palette's light or dark base. Colour is never the only sign:
// mnemonics and directives are bold, labels where defined bold and underlined, comments and text the
// assembler ignores italic, and what the assembler rejects (a malformed number, an unknown mnemonic)
// has a wavy underline.
//
// A block is formatted once per revision of its text: format() does nothing for a block whose text has
// not changed since, so the text box can ask for every line it paints.
//
//   SourceHighlighter h;
//   h.setPalette(texto->palette());
//   h.format(block);                    // sets the block layout's formats
#pragma once

#include <QList>
#include <QPalette>
#include <QTextCharFormat>
#include <QTextLayout>
#include <array>

#include "assembler/syntax.h"

class QTextBlock;

class SourceHighlighter {
public:
    SourceHighlighter();

    // Chooses the formats for a palette; every block is formatted again when next asked.
    void setPalette(const QPalette& palette);
    bool darkPalette() const { return dark_; }

    // The formats of one line of text, as positions in that text.
    QList<QTextLayout::FormatRange> formats(const QString& line);
    // Formats a block unless it is formatted for its present text; true when it changed the block.
    bool format(QTextBlock& block);
    // Every block is formatted again when next asked.
    void invalidate() { ++generation_; }

    const QTextCharFormat& formatOf(vandor::SyntaxClass cls) const { return formats_[static_cast<size_t>(cls)]; }

private:
    vandor::SyntaxClassifier classifier_;
    std::array<QTextCharFormat, 10> formats_;
    bool dark_ = false;
    int generation_ = 0;
};
