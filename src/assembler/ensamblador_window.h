// Ensamblador: the modal assembler window. The command writes the source, object and listing paths into
// the hidden labels file1, file2 and file3 (setPaths) and shows the window; on its first showing it runs
// one assembly. The listing (filelst) and the error log or object records (filehex) fill while the
// assembler works on a thread of its own, fed to the boxes in chunks so the window stays responsive;
// Label1 then tells the outcome and the listing is stored in file3. While the run lasts Cerrar is
// disabled and the window refuses to close.
//
// After a run with errors, a double click on an error of the log (its "==>" line or its "Línea: …"
// line) or on a "==> ERROR" line of the listing asks, through sourceLineRequested, for the source at
// that line, and closes the window.
//
//   Ensamblador window(dialogs, mainWindow);
//   window.setPaths("prog.asm", "prog.HEX", "prog.LST");
//   window.exec();                      // returns when the user closes it after the run
//   window.succeeded();  window.errors();
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

#include "assembler/assembler.h"

#include "widgets/twips_layout.h"

namespace vandor {
class Dialogs;
}

class QLabel;
class QPlainTextEdit;
class QPushButton;
class LiveTextSink;
class QueuedMessages;

class Ensamblador : public QDialog {
    Q_OBJECT
public:
    Ensamblador(vandor::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Ensamblador() override;

    void setPaths(const QString& source, const QString& object, const QString& listing);
    QString sourcePath() const;
    bool isRunning() const { return running_; }
    // After the run: whether it was correct, and the errors it reported with their lines.
    bool succeeded() const { return finished_ && workerResult_; }
    const std::vector<vandor::AssemblyError>& errors() const { return report_.errors; }
    // Wall time of the last run, from its start to the last line shown (milliseconds).
    qint64 lastRunMilliseconds() const { return lastRunMs_; }

    void cerrar_Click();
    // Closing by Escape follows the close rule too.
    void reject() override;

signals:
    void assemblyFinished(bool ok);
    // A double click on an error: the source file and the line (from 0) to show.
    void sourceLineRequested(const QString& sourcePath, int line);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyZoom();
    void relayout();
    void Form_Activate();
    // Moves what the assembler wrote since the last tick into the boxes, within a time budget.
    void drain();
    void finish();
    // The source line of an error shown at a line of a box, or -1.
    int errorLineAt(const QPlainTextEdit* box, int blockNumber) const;

    vandor::Dialogs& dialogs_;
    QPlainTextEdit* filelst_;
    QPlainTextEdit* filehex_;
    QLabel* label1_;
    QPushButton* cerrar_;
    QLabel* file1_;
    QLabel* file2_;
    QLabel* file3_;

    std::unique_ptr<LiveTextSink> lstSink_;
    std::unique_ptr<LiveTextSink> hexSink_;
    std::unique_ptr<QueuedMessages> messages_;
    std::thread worker_;
    std::atomic<bool> workerDone_{false};
    bool workerResult_ = false;
    vandor::AssemblyReport report_;  // written by the worker, read once it has ended
    bool finished_ = false;
    // Box line -> source line, for the errors of the last run.
    std::unordered_map<int, int> listingErrors_;
    std::unordered_map<int, int> logErrors_;
    bool started_ = false;
    bool running_ = false;
    QTimer drainTimer_;
    QElapsedTimer runClock_;
    qint64 lastRunMs_ = 0;
    vandor::TwipsLayout layout_;
};
