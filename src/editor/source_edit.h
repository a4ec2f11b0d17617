// SourceEdit: the editor's text box. A plain text box with what an assembly source wants: a margin with
// the line numbers, the current line shaded, the assembler's classification shown as the student types
// (source_highlighter.h), marks at the lines the last assembly found in error with their messages as
// tool tips, Enter that keeps the indentation of the line and Tab that inserts a tab.
//
// Lines are formatted when they are about to be painted, so that opening a long file costs no more than
// the text itself and scrolling formats only the lines that come into view. An error mark goes with its
// line when lines are inserted above it and goes away when its line is edited.
//
//   SourceEdit* texto = new SourceEdit(this);
//   texto->setTextFont(fixedFont());
//   texto->setErrorMarks({{13, "Operando incorrecto"}});   // line 14 as the user counts
//   texto->goToLine(13);
#pragma once

#include <QList>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QString>
#include <memory>

class SourceHighlighter;

// One error of an assembly: its line (from 0) and its message.
struct SourceError {
    int line = 0;
    QString message;
};

class SourceEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit SourceEdit(QWidget* parent = nullptr);
    ~SourceEdit() override;

    // The text's font (the margin and the tab stops follow it): the one place the editor's text size is
    // set.
    void setTextFont(const QFont& font);

    // Replaces every mark with the marks of these errors; several errors of one line share its mark.
    // Lines past the end of the text are left out.
    void setErrorMarks(const QList<SourceError>& errors);
    void clearErrorMarks() { setErrorMarks({}); }
    // The messages of a line's mark (empty when it has none), and the marked lines in order.
    QStringList errorMessages(int line) const;
    QList<int> markedLines() const;

    // Puts the caret at the start of a line (from 0) and brings it into view.
    void goToLine(int line);

    // The margin, for painting and tool tips.
    QWidget* margin() const { return margin_; }
    int marginWidth() const;
    void paintMargin(QPaintEvent* event);
    // The tool tip for a point of the margin or of the text: the messages of the line's mark.
    QString toolTipAt(int y) const;

    SourceHighlighter& highlighter() { return *highlighter_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void updateMarginWidth();
    void fontChanged();
    void updateMargin(const QRect& rect, int dy);
    void updateExtraSelections();
    void addMarkSelection(const QTextBlock& block);
    void contentsChanged(int position, int removed, int added);
    void formatVisibleLines();
    QTextBlock blockAtY(int y) const;

    QWidget* margin_;
    std::unique_ptr<SourceHighlighter> highlighter_;
    // One selection per marked line (its cursor follows the line as text is edited above it).
    QList<QTextEdit::ExtraSelection> markSelections_;
    int digits_ = 0;
};
