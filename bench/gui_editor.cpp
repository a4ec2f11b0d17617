// The editor over a long source: opening a file of 100,000 lines until its first screen is painted,
// against a bare QPlainTextEdit given the same text in the same run (what Qt itself costs: the ratio is
// what the editor adds); a jump of the scroll bar and a page down until painted; a key typed; and the
// core's classification of one line. Runs offscreen unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <random>

#include "assembler/syntax.h"
#include "editor/editor.h"
#include "gui_bench_main.h"
#include "widgets/scripted_dialogs.h"
#include "widgets/twips.h"

namespace {

// A program as students write it: labels, instructions with operands, comments, blank lines.
QByteArray source(int lines) {
    QByteArray text;
    for (int i = 0; i < lines; ++i) {
        switch (i % 8) {
        case 0: text += "; bloque " + QByteArray::number(i / 8) + " del programa\r\n"; break;
        case 1: text += "E" + QByteArray::number(i / 8) + ":   MVI A, 0FFH      ; carga\r\n"; break;
        case 2: text += "        LXI H, TABLA+2\r\n"; break;
        case 3: text += "        MOV M, A\r\n"; break;
        case 4: text += "        DFB 1, 2, 3, 10B, 0AH\r\n"; break;
        case 5: text += "        JNZ E" + QByteArray::number(i / 8) + "        ; otra vez\r\n"; break;
        case 6: text += "        ORG 100H+10H\r\n"; break;
        default: text += "\r\n"; break;
        }
    }
    return text;
}

struct SourceFile {
    QTemporaryDir dir;
    QString path;
    explicit SourceFile(int lines) : path(dir.filePath(QStringLiteral("largo.asm"))) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) f.write(source(lines));
    }
};

void BM_OpenInEditor(benchmark::State& state) {
    SourceFile file(static_cast<int>(state.range(0)));
    vandor::ScriptedDialogs dialogs;
    Editor editor(dialogs);
    editor.resize(800, 600);
    editor.show();
    QApplication::processEvents();
    for (auto _ : state) {
        editor.setFilename(file.path);
        editor.texto()->repaint();
        state.PauseTiming();
        editor.Nuevo_Click();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenInEditor)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Qt's own floor: the same text into a plain text box, painted.
void BM_PlainTextBoxSameText(benchmark::State& state) {
    const QString text = QString::fromUtf8(source(static_cast<int>(state.range(0)))).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QPlainTextEdit box;
    box.setFont(vandor::fixedFont());
    box.setLineWrapMode(QPlainTextEdit::NoWrap);
    box.resize(800, 600);
    box.show();
    QApplication::processEvents();
    for (auto _ : state) {
        box.setPlainText(text);
        box.repaint();
        state.PauseTiming();
        box.clear();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PlainTextBoxSameText)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

struct OpenEditor {
    SourceFile file{100'000};
    vandor::ScriptedDialogs dialogs;
    Editor editor{dialogs};
    OpenEditor() {
        editor.resize(800, 600);
        editor.show();
        QApplication::processEvents();
        editor.setFilename(file.path);
        editor.texto()->repaint();
    }
    QScrollBar* bar() { return editor.texto()->verticalScrollBar(); }
};

// A jump of the scroll bar to lines never shown before, until painted.
void BM_ScrollJump(benchmark::State& state) {
    OpenEditor open;
    std::mt19937 rng(7);
    for (auto _ : state) {
        open.bar()->setValue(static_cast<int>(rng() % static_cast<unsigned>(open.bar()->maximum())));
        open.editor.texto()->repaint();
    }
}
BENCHMARK(BM_ScrollJump)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(200);

void BM_PageDown(benchmark::State& state) {
    OpenEditor open;
    SourceEdit* texto = open.editor.texto();
    texto->setFocus();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QApplication::sendEvent(texto, &press);
        texto->repaint();
    }
}
BENCHMARK(BM_PageDown)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(500);

// A key typed in the middle of the long file, until painted.
void BM_TypeAKey(benchmark::State& state) {
    OpenEditor open;
    SourceEdit* texto = open.editor.texto();
    texto->setFocus();
    open.bar()->setValue(open.bar()->maximum() / 2);
    QTextCursor c = texto->cursorForPosition(QPoint(40, 40));
    texto->setTextCursor(c);
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(texto, &press);
        texto->repaint();
    }
}
BENCHMARK(BM_TypeAKey)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(500);

// The core's classification of one line, for the figure per line.
void BM_ClassifyLine(benchmark::State& state) {
    vandor::SyntaxClassifier classifier;
    const std::string line = "E12:   MVI A, 0FFH      ; carga";
    for (auto _ : state) benchmark::DoNotOptimize(classifier.classify(line).size());
}
BENCHMARK(BM_ClassifyLine);

}  // namespace

int main(int argc, char** argv) { return runWindowBenchmarks(argc, argv); }
