// Ensamblador: the modal assembler window. The command writes the source, object and listing paths into
// the hidden labels file1, file2 and file3 (setPaths) and shows the window; on its first showing it runs
// one assembly. The listing (filelst) and the error log or object records (filehex) fill while the
// assembler works on a thread of its own, fed to the boxes in chunks so the window stays responsive;
// Label1 then tells the outcome and the listing is stored in file3. While the run lasts Cerrar is
// disabled and the window refuses to close.
//
//   Ensamblador window(dialogs, mainWindow);
//   window.setPaths("prog.asm", "prog.HEX", "prog.LST");
//   window.exec();                      // returns when the user closes it after the run
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

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
    bool isRunning() const { return running_; }
    // Wall time of the last run, from its start to the last line shown (milliseconds).
    qint64 lastRunMilliseconds() const { return lastRunMs_; }

    void cerrar_Click();
    // Closing by Escape follows the close rule too.
    void reject() override;

signals:
    void assemblyFinished(bool ok);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void applyZoom();
    void relayout();
    void Form_Activate();
    // Moves what the assembler wrote since the last tick into the boxes, within a time budget.
    void drain();
    void finish();

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
    bool started_ = false;
    bool running_ = false;
    QTimer drainTimer_;
    QElapsedTimer runClock_;
    qint64 lastRunMs_ = 0;
    vandor::TwipsLayout layout_;
};
