// Dialogs: the one seam through which every window asks the user something — message boxes, yes/no
// questions, file dialogs — and beeps. QtDialogs shows real Qt dialogs titled "Vandor 8085";
// ScriptedDialogs (scripted_dialogs.h) answers from a script and records what was asked, for tests.
//
//   dialogs.message(this, "Carga correcta");
//   QString path = dialogs.openFile(this, {"Cargar fichero .HEX",
//       "Fichero hexadecimales (*.hex)|*.hex|Todos los ficheros (*.*)|*.*", "*.hex"});
//   if (path.isEmpty()) return;   // cancelled
#pragma once

#include <QMessageBox>
#include <QString>
#include <Qt>
#include <memory>

class QWidget;

namespace vandor {

inline const QString kAppTitle = QStringLiteral("Vandor 8085");

class Dialogs {
public:
    enum class Answer { Yes, No, Cancel };
    enum class Buttons { YesNo, YesNoCancel };

    // A file dialog: its title, its filter in the "Description|pattern|Description|pattern" form, and
    // the default file name pattern ("*.hex").
    struct FileRequest {
        QString title;
        QString filter;
        QString defaultName;
    };

    virtual ~Dialogs() = default;
    // An OK-only message box.
    virtual void message(QWidget* parent, const QString& text, Qt::Alignment alignment = Qt::AlignLeft) = 0;
    virtual Answer question(QWidget* parent, const QString& text, Buttons buttons = Buttons::YesNo) = 0;
    // The chosen path, or an empty string when the user cancelled. Both dialogs accept any name typed,
    // of a file that exists or not.
    virtual QString openFile(QWidget* parent, const FileRequest& request) = 0;
    virtual QString saveFile(QWidget* parent, const FileRequest& request) = 0;
    virtual void beep() = 0;
};

// "Fichero de texto (*.txt)|*.txt|Todos los ficheros (*.*)|*.*" -> "Fichero de texto (*.txt);;Todos ..."
QString qtFilter(const QString& barFilter);

// The width a window needs for its title bar to show `title` whole beside its buttons.
int titleBarWidth(const QString& title);
// The message boxes QtDialogs shows: titled kAppTitle, never narrower than that title needs.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons);

class QtDialogs final : public Dialogs {
public:
    void message(QWidget* parent, const QString& text, Qt::Alignment alignment) override;
    Answer question(QWidget* parent, const QString& text, Buttons buttons) override;
    QString openFile(QWidget* parent, const FileRequest& request) override;
    QString saveFile(QWidget* parent, const FileRequest& request) override;
    void beep() override;
};

}  // namespace vandor
