#include "editor/source_highlighter.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>
#include <string>

using vandor::SyntaxClass;
using vandor::SyntaxSpan;

namespace {

struct Style {
    SyntaxClass cls;
    const char* light;  // colour on a light base
    const char* dark;   // colour on a dark base
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool wavy = false;
};

// Each pair of colours keeps a contrast of at least 4.5:1 against white and against #1e1e1e.
constexpr Style kStyles[] = {
    {SyntaxClass::Mnemonic, "#1d4e9c", "#82b4ff", true},
    {SyntaxClass::Directive, "#7b2d9f", "#d4a5ff", true},
    {SyntaxClass::Register, "#0b6e69", "#63d3cb"},
    {SyntaxClass::Number, "#9a4a00", "#f2b46d"},
    {SyntaxClass::BadNumber, "#c00000", "#ff7b7b", false, false, false, true},
    {SyntaxClass::Label, "#236b23", "#8fdc8f", true, false, true},
    {SyntaxClass::Symbol, "#236b23", "#8fdc8f"},
    {SyntaxClass::Comment, "#5f6870", "#9aa5ae", false, true},
    {SyntaxClass::Ignored, "#5f6870", "#9aa5ae", false, true},
    {SyntaxClass::Invalid, "#c00000", "#ff7b7b", false, false, false, true},
};

// The block's formatting state: the revision of its text and the palette's generation it was
// formatted for. Never -1, the state of a block not formatted yet.
int stateOf(const QTextBlock& block, int generation) {
    return ((block.revision() & 0x7FFFFF) << 8) | (generation & 0xFF);
}

}  // namespace

SourceHighlighter::SourceHighlighter() { setPalette(QPalette()); }

void SourceHighlighter::setPalette(const QPalette& palette) {
    dark_ = palette.color(QPalette::Base).lightness() < 128;
    for (const Style& s : kStyles) {
        QTextCharFormat f;
        f.setForeground(QColor(QLatin1String(dark_ ? s.dark : s.light)));
        if (s.bold) f.setFontWeight(QFont::Bold);
        if (s.italic) f.setFontItalic(true);
        if (s.underline) f.setFontUnderline(true);
        if (s.wavy) {
            f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
            f.setUnderlineColor(f.foreground().color());
        }
        formats_[static_cast<size_t>(s.cls)] = f;
    }
    invalidate();
}

QList<QTextLayout::FormatRange> SourceHighlighter::formats(const QString& line) {
    QList<QTextLayout::FormatRange> ranges;
    const QByteArray bytes = line.toUtf8();
    const std::vector<SyntaxSpan>& spans = classifier_.classify(std::string_view(bytes.constData(), bytes.size()));
    if (spans.empty()) return ranges;
    // Byte offsets of the classification to positions in the text: the same for ASCII, otherwise counted
    // through the UTF-8 (a character outside the BMP takes two positions).
    QList<int> position;
    if (bytes.size() != line.size()) {
        position.resize(bytes.size() + 1);
        int at = 0;
        for (qsizetype i = 0; i < bytes.size(); ++i) {
            position[i] = at;
            const auto b = static_cast<unsigned char>(bytes[i]);
            if ((b & 0xC0) != 0x80) at += b >= 0xF0 ? 2 : 1;
        }
        position[bytes.size()] = at;
        // A continuation byte belongs to the character before it.
        for (qsizetype i = 1; i < bytes.size(); ++i)
            if ((static_cast<unsigned char>(bytes[i]) & 0xC0) == 0x80) position[i] = position[i - 1];
    }
    const auto pos = [&](uint32_t offset) { return position.isEmpty() ? int(offset) : position[offset]; };
    ranges.reserve(static_cast<qsizetype>(spans.size()));
    for (const SyntaxSpan& s : spans) {
        const int start = pos(s.begin);
        const int end = pos(s.begin + s.length);
        if (end > start) ranges.append({start, end - start, formatOf(s.cls)});
    }
    return ranges;
}

bool SourceHighlighter::format(QTextBlock& block) {
    const int state = stateOf(block, generation_);
    if (block.userState() == state) return false;
    block.layout()->setFormats(formats(block.text()));
    block.setUserState(state);
    return true;
}
