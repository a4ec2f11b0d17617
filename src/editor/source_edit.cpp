#include "editor/source_edit.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>

#include "editor/source_highlighter.h"

namespace {

// The margin: a plain widget that the text box paints.
class Margin final : public QWidget {
public:
    explicit Margin(SourceEdit* edit) : QWidget(edit), edit_(edit) { setObjectName(QStringLiteral("margen")); }
    QSize sizeHint() const override { return {edit_->marginWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { edit_->paintMargin(event); }
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(event);
            const QString tip = edit_->toolTipAt(help->pos().y());
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), tip, this);
            return true;
        }
        return QWidget::event(event);
    }

private:
    SourceEdit* edit_;
};

// The messages of an error mark, kept with its line, and the line's text when it was marked.
class MarkData final : public QTextBlockUserData {
public:
    QStringList messages;
    QString text;
};

QStringList marksOf(const QTextBlock& block) {
    const auto* data = static_cast<const MarkData*>(block.userData());
    return data ? data->messages : QStringList();
}

QColor blend(const QColor& a, const QColor& b, qreal t) {
    return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - t) + b.redF() * t),
                            static_cast<float>(a.greenF() * (1 - t) + b.greenF() * t),
                            static_cast<float>(a.blueF() * (1 - t) + b.blueF() * t));
}

QColor errorColor(bool dark) { return dark ? QColor(0xff, 0x7b, 0x7b) : QColor(0xc0, 0x00, 0x00); }

constexpr int kMarginGap = 6;

}  // namespace

SourceEdit::SourceEdit(QWidget* parent)
    : QPlainTextEdit(parent), margin_(new Margin(this)), highlighter_(std::make_unique<SourceHighlighter>()) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    highlighter_->setPalette(palette());
    connect(this, &QPlainTextEdit::blockCountChanged, this, &SourceEdit::updateMarginWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &SourceEdit::updateMargin);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &SourceEdit::updateExtraSelections);
    connect(document(), &QTextDocument::contentsChange, this, &SourceEdit::contentsChanged);
    fontChanged();
    updateExtraSelections();
}

SourceEdit::~SourceEdit() = default;

void SourceEdit::setTextFont(const QFont& font) { setFont(font); }

// The margin's font, the tab stops and the margin's width follow the text's font, however it is set.
void SourceEdit::fontChanged() {
    margin_->setFont(font());
    // Tab stops every eight columns, as a listing lays out its source lines.
    setTabStopDistance(8 * QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')));
    digits_ = 0;
    updateMarginWidth();
    viewport()->update();
}

int SourceEdit::marginWidth() const {
    const QFontMetrics fm(margin_->font());
    const int digits = std::max(3, static_cast<int>(QString::number(std::max(1, blockCount())).size()));
    // Room for the error mark (a circle as high as a line), the digits and a gap before the text.
    return fm.height() + digits * fm.horizontalAdvance(QLatin1Char('9')) + kMarginGap;
}

void SourceEdit::updateMarginWidth() {
    const int digits = static_cast<int>(QString::number(std::max(1, blockCount())).size());
    if (digits == digits_) return;
    digits_ = digits;
    setViewportMargins(marginWidth(), 0, 0, 0);
    const QRect r = contentsRect();
    margin_->setGeometry(QRect(r.left(), r.top(), marginWidth(), r.height()));
}

void SourceEdit::updateMargin(const QRect& rect, int dy) {
    if (dy != 0)
        margin_->scroll(0, dy);
    else
        margin_->update(0, rect.y(), margin_->width(), rect.height());
}

void SourceEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    margin_->setGeometry(QRect(r.left(), r.top(), marginWidth(), r.height()));
}

void SourceEdit::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        highlighter_->setPalette(palette());
        updateExtraSelections();
        viewport()->update();
        margin_->update();
    } else if (event->type() == QEvent::FontChange) {
        fontChanged();
    }
}

void SourceEdit::paintEvent(QPaintEvent* event) {
    formatVisibleLines();
    QPlainTextEdit::paintEvent(event);
}

// The lines in view get their formats before they are drawn; a line already formatted for its text
// costs one comparison.
void SourceEdit::formatVisibleLines() {
    const int height = viewport()->height();
    const QPointF offset = contentOffset();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(offset);
        if (box.top() > height) break;
        if (highlighter_->format(block)) document()->markContentsDirty(block.position(), block.length());
    }
}

void SourceEdit::paintMargin(QPaintEvent* event) {
    QPainter p(margin_);
    const QPalette& pal = palette();
    const bool dark = highlighter_->darkPalette();
    p.fillRect(event->rect(), blend(pal.color(QPalette::Base), pal.color(QPalette::WindowText), 0.06));
    const QFontMetrics fm(margin_->font());
    const int current = textCursor().blockNumber();
    const int markSize = fm.height();
    const int numberRight = margin_->width() - kMarginGap / 2;
    QFont bold = margin_->font();
    bold.setBold(true);

    QTextBlock block = firstVisibleBlock();
    const QPointF offset = contentOffset();
    for (; block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(offset);
        if (box.top() > event->rect().bottom()) break;
        if (box.bottom() < event->rect().top() || !block.isVisible()) continue;
        const int top = static_cast<int>(box.top());
        const int n = block.blockNumber();
        const bool marked = block.userData() != nullptr;
        // The current line's number stands out by weight, not only by colour.
        p.setFont(n == current ? bold : margin_->font());
        p.setPen(n == current || marked ? pal.color(QPalette::Text)
                                        : blend(pal.color(QPalette::Base), pal.color(QPalette::Text), 0.55));
        p.drawText(QRect(markSize, top, numberRight - markSize, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(n + 1));
        if (marked) {
            // A filled circle with an exclamation mark: the error's place, visible without colour too.
            const QRectF circle(2, top + 1, markSize - 3, markSize - 3);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(errorColor(dark));
            p.drawEllipse(circle);
            p.setPen(dark ? QColor(Qt::black) : QColor(Qt::white));
            p.setFont(bold);
            p.drawText(circle, Qt::AlignCenter, QStringLiteral("!"));
            p.setRenderHint(QPainter::Antialiasing, false);
        }
    }
}

void SourceEdit::updateExtraSelections() {
    const QPalette& pal = palette();
    const bool dark = highlighter_->darkPalette();
    // The marked lines, tinted (kept from when the marks changed); then the current line, shaded.
    QList<QTextEdit::ExtraSelection> selections = markSelections_;
    for (QTextEdit::ExtraSelection& marked : selections)
        marked.format.setBackground(blend(pal.color(QPalette::Base), errorColor(dark), dark ? 0.22 : 0.12));
    QTextEdit::ExtraSelection line;
    // On a marked line the shade goes over the mark's tint, which stays visible under it.
    const QColor under = textCursor().block().userData()
                             ? blend(pal.color(QPalette::Base), errorColor(dark), dark ? 0.22 : 0.12)
                             : pal.color(QPalette::Base);
    line.format.setBackground(blend(under, pal.color(QPalette::Highlight), dark ? 0.25 : 0.12));
    line.format.setProperty(QTextFormat::FullWidthSelection, true);
    line.cursor = textCursor();
    line.cursor.clearSelection();
    selections.append(line);
    setExtraSelections(selections);
    margin_->update();
}

void SourceEdit::addMarkSelection(const QTextBlock& block) {
    QTextEdit::ExtraSelection marked;
    marked.format.setProperty(QTextFormat::FullWidthSelection, true);
    marked.cursor = QTextCursor(block);
    markSelections_.append(marked);
}

void SourceEdit::setErrorMarks(const QList<SourceError>& errors) {
    for (const QTextEdit::ExtraSelection& marked : std::as_const(markSelections_))
        marked.cursor.block().setUserData(nullptr);
    markSelections_.clear();
    for (const SourceError& e : errors) {
        if (e.line < 0) continue;
        QTextBlock block = document()->findBlockByNumber(e.line);
        if (!block.isValid()) continue;
        auto* data = static_cast<MarkData*>(block.userData());
        if (!data) {
            data = new MarkData;
            data->text = block.text();
            block.setUserData(data);  // the block owns it
            addMarkSelection(block);
        }
        data->messages.append(e.message);
    }
    updateExtraSelections();
}
QStringList SourceEdit::errorMessages(int line) const { return marksOf(document()->findBlockByNumber(line)); }

QList<int> SourceEdit::markedLines() const {
    QList<int> lines;
    for (const QTextEdit::ExtraSelection& marked : markSelections_) lines.append(marked.cursor.blockNumber());
    std::sort(lines.begin(), lines.end());
    return lines;
}

// An edited line loses its mark. A mark whose text the change only moved to a new line (Enter at the
// start of the line) goes with it; a mark whose line went away with a deletion goes too.
void SourceEdit::contentsChanged(int position, int removed, int added) {
    if (markSelections_.isEmpty() || (removed == 0 && added == 0)) return;
    QList<QTextBlock> touched;
    const QTextBlock last = document()->findBlock(position + added);
    for (QTextBlock block = document()->findBlock(position); block.isValid(); block = block.next()) {
        touched.append(block);
        if (block == last) break;
    }
    bool moved = false;
    for (QTextBlock& block : touched) {
        auto* data = static_cast<MarkData*>(block.userData());
        if (!data || block.text() == data->text) continue;
        auto home = std::find_if(touched.begin(), touched.end(), [&](const QTextBlock& other) {
            return !other.userData() && other.text() == data->text;
        });
        if (home != touched.end()) {
            auto* kept = new MarkData(*data);
            home->setUserData(kept);
            addMarkSelection(*home);
            moved = true;
        }
        block.setUserData(nullptr);
    }
    QList<QTextEdit::ExtraSelection> kept;
    QList<int> seen;
    for (const QTextEdit::ExtraSelection& marked : std::as_const(markSelections_)) {
        const QTextBlock block = marked.cursor.block();
        if (!block.userData() || seen.contains(block.blockNumber())) continue;
        seen.append(block.blockNumber());
        kept.append(marked);
    }
    if (!moved && kept.size() == markSelections_.size()) return;
    markSelections_ = kept;
    updateExtraSelections();
}

void SourceEdit::goToLine(int line) {
    const QTextBlock block = document()->findBlockByNumber(std::clamp(line, 0, blockCount() - 1));
    QTextCursor cursor(block);
    setTextCursor(cursor);
    centerCursor();
    setFocus();
}

QTextBlock SourceEdit::blockAtY(int y) const {
    const QPointF offset = contentOffset();
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(offset);
        if (box.top() > y) break;
        if (y < box.bottom()) return block;
    }
    return {};
}

QString SourceEdit::toolTipAt(int y) const { return marksOf(blockAtY(y)).join(QLatin1Char('\n')); }

bool SourceEdit::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = toolTipAt(help->pos().y());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport());
        return true;
    }
    return QPlainTextEdit::viewportEvent(event);
}

void SourceEdit::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && mods == Qt::NoModifier && !isReadOnly()) {
        // The new line starts with the blanks and tabs that start this one (as far as the caret).
        QTextCursor cursor = textCursor();
        const QTextBlock block = document()->findBlock(cursor.selectionStart());
        const QString text = block.text();
        const int column = cursor.selectionStart() - block.position();
        int indent = 0;
        while (indent < column && indent < text.size() && (text[indent] == u' ' || text[indent] == u'\t')) ++indent;
        cursor.beginEditBlock();
        cursor.insertText(QStringLiteral("\n") + text.left(indent));
        cursor.endEditBlock();
        setTextCursor(cursor);
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
