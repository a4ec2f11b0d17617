// The editor's text box: highlighting by the assembler's classification in light and dark palettes and
// not by colour alone, lines formatted only as they come into view, Enter that keeps the indentation,
// Tab, the margin's width and the error marks on their own.
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "editor/editor.h"
#include "editor/source_edit.h"
#include "editor/source_highlighter.h"
#include "support/qt_test_files.h"
#include "widgets/twips.h"
#include "widgets/scripted_dialogs.h"

using vandor::SyntaxClass;

namespace {

// WCAG relative luminance and contrast ratio.
double luminance(const QColor& c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
double contrast(const QColor& a, const QColor& b) {
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
    p.setColor(QPalette::Text, QColor(0xdd, 0xdd, 0xdd));
    p.setColor(QPalette::Window, QColor(0x2b, 0x2b, 0x2b));
    p.setColor(QPalette::WindowText, QColor(0xdd, 0xdd, 0xdd));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x6e, 0xb4));
    return p;
}

// The format at a position of a block, from its layout's formats.
QTextCharFormat formatAt(const QTextBlock& block, int position) {
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
        if (position >= r.start && position < r.start + r.length) return r.format;
    return {};
}

const SyntaxClass kAllClasses[] = {SyntaxClass::Mnemonic, SyntaxClass::Directive, SyntaxClass::Register,
                                   SyntaxClass::Number,   SyntaxClass::BadNumber, SyntaxClass::Label,
                                   SyntaxClass::Symbol,   SyntaxClass::Comment,   SyntaxClass::Ignored,
                                   SyntaxClass::Invalid};

}  // namespace

class SourceEditTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

private slots:
    // Every class readable on white and on a dark base, and told apart without colour: the classes a
    // student must not confuse differ in weight, slant or underline.
    void formatsInBothPalettes() {
        SourceHighlighter h;
        for (const QPalette& palette : {QPalette(QColor(Qt::white), QColor(Qt::white)), darkPalette()}) {
            h.setPalette(palette);
            const QColor base = palette.color(QPalette::Base);
            for (SyntaxClass cls : kAllClasses) {
                const double ratio = contrast(h.formatOf(cls).foreground().color(), base);
                QVERIFY2(ratio >= 4.5, qPrintable(QStringLiteral("class %1 contrast %2").arg(int(cls)).arg(ratio)));
            }
            const auto shape = [&](SyntaxClass cls) {
                const QTextCharFormat& f = h.formatOf(cls);
                return std::tuple(f.fontWeight() >= QFont::Bold, f.fontItalic(), f.fontUnderline(), f.underlineStyle());
            };
            QVERIFY(std::get<0>(shape(SyntaxClass::Mnemonic)));
            QVERIFY(std::get<0>(shape(SyntaxClass::Directive)));
            QVERIFY(std::get<1>(shape(SyntaxClass::Comment)));
            QCOMPARE(std::get<3>(shape(SyntaxClass::BadNumber)), QTextCharFormat::WaveUnderline);
            QCOMPARE(std::get<3>(shape(SyntaxClass::Invalid)), QTextCharFormat::WaveUnderline);
            QVERIFY(shape(SyntaxClass::Number) != shape(SyntaxClass::BadNumber));
            QVERIFY(shape(SyntaxClass::Label) != shape(SyntaxClass::Symbol));
            QVERIFY(shape(SyntaxClass::Mnemonic) != shape(SyntaxClass::Register));
            QVERIFY(shape(SyntaxClass::Comment) != shape(SyntaxClass::Mnemonic));
        }
        h.setPalette(QPalette(QColor(Qt::white), QColor(Qt::white)));
        const QColor light = h.formatOf(SyntaxClass::Mnemonic).foreground().color();
        h.setPalette(darkPalette());
        QVERIFY(h.darkPalette());
        QVERIFY(h.formatOf(SyntaxClass::Mnemonic).foreground().color() != light);
    }

    // The text box formats a line as the classification classes it; positions count characters, so
    // a line with accents is formatted where its characters stand.
    void linesAreFormattedAsClassified() {
        SourceEdit edit;
        edit.resize(600, 300);
        edit.setPlainText(QStringLiteral("BUCLE: MVI A, 0FFH ; carga\nAÑO: MVI B, FFH ; año\n\tORG 100H\n"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QApplication::processEvents();
        const SourceHighlighter& h = edit.highlighter();
        const QTextBlock first = edit.document()->firstBlock();
        QCOMPARE(formatAt(first, 0), h.formatOf(SyntaxClass::Label));
        QCOMPARE(formatAt(first, 7), h.formatOf(SyntaxClass::Mnemonic));
        QCOMPARE(formatAt(first, 11), h.formatOf(SyntaxClass::Register));
        QCOMPARE(formatAt(first, 14), h.formatOf(SyntaxClass::Number));
        QCOMPARE(formatAt(first, 19), h.formatOf(SyntaxClass::Comment));
        QCOMPARE(formatAt(first, 5), QTextCharFormat());  // the colon
        const QTextBlock second = first.next();
        QCOMPARE(formatAt(second, 2), h.formatOf(SyntaxClass::Label));  // Ñ
        QCOMPARE(formatAt(second, 3), QTextCharFormat());             // the colon
        QCOMPARE(formatAt(second, 5), h.formatOf(SyntaxClass::Mnemonic));
        QCOMPARE(formatAt(second, 12), h.formatOf(SyntaxClass::BadNumber));
        QCOMPARE(formatAt(second, 16), h.formatOf(SyntaxClass::Comment));
        QCOMPARE(formatAt(second.next(), 1), h.formatOf(SyntaxClass::Directive));

        // Typing changes the line's formats at the next paint.
        QTextCursor c(second);
        c.setPosition(second.position() + 12);
        c.insertText(QStringLiteral("0"));
        edit.repaint();
        QCOMPARE(formatAt(edit.document()->findBlockByNumber(1), 12), h.formatOf(SyntaxClass::Number));

        // A dark palette: the lines are formatted again in its colours.
        edit.setPalette(darkPalette());
        edit.repaint();
        QVERIFY(edit.highlighter().darkPalette());
        QCOMPARE(formatAt(edit.document()->firstBlock(), 7), h.formatOf(SyntaxClass::Mnemonic));
        QVERIFY(contrast(formatAt(edit.document()->firstBlock(), 7).foreground().color(), QColor(0x1e, 0x1e, 0x1e)) > 4.5);
    }

    // A long file: only the lines in view are formatted; scrolling formats the lines that come into
    // view.
    void onlyLinesInViewAreFormatted() {
        vandor::ScriptedDialogs dialogs;
        Editor editor(dialogs);
        QByteArray source;
        for (int i = 0; i < 20000; ++i) source += "L" + QByteArray::number(i) + ": MVI A, 5 ; carga\r\n";
        vandor::test::writeBytes(dir.filePath(QStringLiteral("largo.asm")), source);
        editor.resize(640, 480);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.setFilename(dir.filePath(QStringLiteral("largo.asm")));
        SourceEdit* texto = editor.texto();
        texto->repaint();
        QTextDocument* doc = texto->document();
        QCOMPARE(doc->blockCount(), 20001);
        QVERIFY(!doc->firstBlock().layout()->formats().isEmpty());
        QVERIFY(doc->findBlockByNumber(19999).layout()->formats().isEmpty());
        int formatted = 0;
        for (QTextBlock b = doc->firstBlock(); b.isValid(); b = b.next()) formatted += !b.layout()->formats().isEmpty();
        QVERIFY2(formatted < 200, qPrintable(QString::number(formatted)));

        texto->verticalScrollBar()->setValue(texto->verticalScrollBar()->maximum());
        texto->repaint();
        QVERIFY(!doc->findBlockByNumber(19999).layout()->formats().isEmpty());
        // The margin is as wide as five digits need.
        QVERIFY(texto->marginWidth() >= QFontMetrics(texto->font()).horizontalAdvance(QStringLiteral("20001")));
    }

    // Enter starts the new line with the blanks and tabs that start the line (up to the caret), in one
    // step for Deshacer; Tab inserts a tab.
    void enterKeepsIndentationAndTabInsertsATab_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("caret");
        QTest::addColumn<QString>("after");
        QTest::newRow("tab") << "\tMVI A, 5" << 9 << "\tMVI A, 5\n\t";
        QTest::newRow("blanks and a tab") << "  \tNOP ; x" << 10 << "  \tNOP ; x\n  \t";
        QTest::newRow("label, no indentation") << "BUCLE: NOP" << 10 << "BUCLE: NOP\n";
        QTest::newRow("caret inside the indentation") << "        NOP" << 3 << "   \n        NOP";
        QTest::newRow("empty line") << "" << 0 << "\n";
    }
    void enterKeepsIndentationAndTabInsertsATab() {
        QFETCH(QString, text);
        QFETCH(int, caret);
        QFETCH(QString, after);
        SourceEdit edit;
        edit.setPlainText(text);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QTextCursor c = edit.textCursor();
        c.setPosition(caret);
        edit.setTextCursor(c);
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(edit.toPlainText(), after);
        const int caretAfterEnter = edit.textCursor().position();
        QTest::keyClick(&edit, Qt::Key_Tab);
        QCOMPARE(edit.toPlainText(), QString(after).insert(caretAfterEnter, QLatin1Char('\t')));
        QVERIFY(edit.hasFocus());  // Tab stays in the text
        edit.undo();  // the tab
        edit.undo();  // the new line and its indentation, in one step
        QCOMPARE(edit.toPlainText(), text);
    }

    // One function sets the text's size (the zoom's way in): the margin and the tab stops follow.
    void textFontSetsMarginAndTabs() {
        vandor::ScriptedDialogs dialogs;
        Editor editor(dialogs);
        SourceEdit* texto = editor.texto();
        const int before = texto->marginWidth();
        QFont big = vandor::fixedFont();
        big.setPointSizeF(20);
        editor.setTextFont(big);
        QCOMPARE(texto->font().pointSizeF(), 20.0);
        QCOMPARE(texto->margin()->font().pointSizeF(), 20.0);
        QVERIFY(texto->marginWidth() > before);
        QCOMPARE(texto->tabStopDistance(), 8 * QFontMetricsF(big).horizontalAdvance(QLatin1Char(' ')));
    }

    // Marks on their own: several errors of a line share its mark; lines past the end are left out;
    // a deleted line takes its mark with it.
    void errorMarks() {
        SourceEdit edit;
        edit.setPlainText(QStringLiteral("A\nB\nC\nD\n"));
        edit.setErrorMarks({{1, QStringLiteral("Etiqueta duplicada")},
                            {1, QStringLiteral("Dirección incorrecta")},
                            {3, QStringLiteral("Operando incorrecto")},
                            {40, QStringLiteral("fuera")}});
        QCOMPARE(edit.markedLines(), (QList<int>{1, 3}));
        QCOMPARE(edit.errorMessages(1),
                 (QStringList{QStringLiteral("Etiqueta duplicada"), QStringLiteral("Dirección incorrecta")}));
        // Delete line 2 ("C\n") whole: the marks keep to B and D.
        QTextCursor c(edit.document()->findBlockByNumber(2));
        c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        QCOMPARE(edit.toPlainText(), QStringLiteral("A\nB\nD\n"));
        QCOMPARE(edit.errorMessages(2), QStringList{QStringLiteral("Operando incorrecto")});
        // Delete the marked line B with its line end: its mark goes.
        QTextCursor b(edit.document()->findBlockByNumber(1));
        b.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        b.removeSelectedText();
        QCOMPARE(edit.toPlainText(), QStringLiteral("A\nD\n"));
        QCOMPARE(edit.markedLines(), QList<int>{1});
        // Enter at the start of a marked line moves its text, and its mark, one line down; typing in it
        // then clears the mark.
        QTextCursor d(edit.document()->findBlockByNumber(1));
        d.insertText(QStringLiteral("\n"));
        QCOMPARE(edit.markedLines(), QList<int>{2});
        QTextCursor typing(edit.document()->findBlockByNumber(2));
        typing.insertText(QStringLiteral("X"));
        QVERIFY(edit.markedLines().isEmpty());
        edit.setErrorMarks({{0, QStringLiteral("Sintaxis incorrecta")}});
        QCOMPARE(edit.markedLines(), QList<int>{0});
        edit.clearErrorMarks();
        QVERIFY(edit.markedLines().isEmpty());
        QVERIFY(edit.errorMessages(1).isEmpty());
    }
};

QTEST_MAIN(SourceEditTest)
#include "source_edit_test.moc"
