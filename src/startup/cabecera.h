// Cabecera: the splash window shown at start, the "about" box and the last window before the program
// ends. Its mode is told by its OK button: hidden and enabled while it is the splash (the update check
// runs then), visible as the about box, hidden and disabled while the program is closing.
//
//   Cabecera splash(dialogs);
//   splash.createMainWindow = [&] { return new Principal(...); };  // made when the splash ends
//   splash.showSplash();            // later: splash.showAbout() (modal), splash.showClosing()
//
// Tests shorten Timer1 with setTimerInterval and replace the program-level actions (ending the program,
// starting the updater) through the public hooks.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

#include "widgets/twips_layout.h"

class QLabel;
class QPushButton;
class QTimer;

namespace shared {
class HttpGet;
}

namespace vandor {

class Dialogs;

// The update server's base address: VANDOR_UPDATE_URL from the environment, else the built-in one.
QString updateBaseAddress();
// The manifest's address below that base.
QString manifestAddress();
// The updater program, beside this program.
QString updaterProgram();

}  // namespace vandor

class Cabecera : public QDialog {
    Q_OBJECT

public:
    enum class Mode { Splash, About, Closing };

    explicit Cabecera(vandor::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Cabecera() override;

    // Makes and returns the main window when the splash ends; the caller keeps it.
    std::function<QWidget*()> createMainWindow;
    // Ends the program (a Yes to the update, or the tick of the closing mode).
    std::function<void()> endProgram;
    // Starts a program without waiting for it; false when it could not be started.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;

    void setTimerInterval(int milliseconds);

    // Shown modeless at start, with the update check.
    void showSplash();
    // Shown modal with OK; returns when it is closed. No update check.
    void showAbout();
    // Shown modeless once more after the main window's close request; its next tick ends the program.
    void showClosing();

    Mode mode() const;
    bool isLoaded() const { return loaded; }

signals:
    // The splash opened the main window and closed.
    void mainWindowShown(QWidget* mainWindow);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;
    void reject() override;

private:
    void applyZoom();
    void drawPicture();
    void Form_Load();
    void unload();
    void Form_Activate();
    void Timer1_Timer();
    void OK_Click();
    void sendManifestRequest();
    void manifestArrived();
    void finishProgram();

    vandor::Dialogs& dialogs;
    QLabel* Picture1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label4 = nullptr;
    QPushButton* OK = nullptr;
    vandor::TwipsLayout layout;
    QTimer* Timer1 = nullptr;
    shared::HttpGet* Inet = nullptr;
    QByteArray manifestBody;
    bool loaded = false;
    bool requestSent = false;
    bool ending = false;
};
