// Form1: the updater's one window. It downloads one file over HTTP into the updater's folder, shows
// the progress in per cent, replaces an older copy of the file, and can then start the downloaded
// program. The download is written to a temporary file beside the target and renamed over it only when
// the reply was a 200 whose body is exactly as long as announced and not empty, so a failed, broken or
// cancelled download leaves the old file as it was.
//
//   Form1 form(*kepplet::parseCommandLine(text), QCoreApplication::applicationDirPath());
//   form.show();
//   form.start();          // busy pointer, GET; the button then reads "Cerrar" or "Ejecutar"
//
// The program-level actions (ending, starting a program, the message box, replacing the file, the
// beep) are public hooks so that tests can watch them.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "updater/download_request.h"

namespace shared {
class HttpGet;
}

class QLabel;
class QPushButton;
class QTemporaryFile;

namespace kepplet {

enum class ReplaceOutcome { Replaced, InUse, Failed };

// Renames `from` over `to`. InUse when an existing `to` could not be replaced because it is held (the
// old program still running); Failed for any other failure.
ReplaceOutcome replaceFile(const QString& from, const QString& to);

}  // namespace kepplet

class Form1 : public QWidget {
    Q_OBJECT

public:
    enum class State { Idle, Downloading, Completed, Failed, Ended };

    Form1(kepplet::DownloadRequest request, QString folder, QWidget* parent = nullptr);
    ~Form1() override;

    std::function<void()> endProgram;
    std::function<bool(const QString& program)> startProgram;
    std::function<void(const QString& text)> message;
    std::function<kepplet::ReplaceOutcome(const QString& from, const QString& to)> replace;
    std::function<void()> beep;

    // Shows the busy pointer and sends the request.
    void start();

    State state() const { return current; }
    QString targetPath() const;

signals:
    // The download completed or failed; the button now reads "Cerrar" or "Ejecutar".
    void settled();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Cancelar_Click();
    void headersArrived();
    void readPieces();
    void responseFinished();
    bool salva();
    void complete();
    void fail(const QString& text);
    void setBusy(bool on);

    kepplet::DownloadRequest request;
    QString folder;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* Cancelar = nullptr;
    shared::HttpGet* Inet = nullptr;
    std::unique_ptr<QTemporaryFile> part;
    State current = State::Idle;
    bool busy = false;
    qint64 announced = 0;
    qint64 received = 0;
};
