// ReplaceDialog: the editor's replace dialog ("Reemplazar", Ctrl+R). The text to find, the text to put
// in its place and "Mayúsculas/minúsculas" (case must match, as in Busqueda). "Reemplazar" replaces the
// occurrence selected in the editor and selects the next one (at the end of the text the user may go on
// from the beginning); "Reemplazar todo" replaces every occurrence in one step that one "Deshacer" takes
// back, and says how many there were. The dialog stays open beside the editor until "Cerrar".
//
//   ReplaceDialog* replace = editor.replaceDialog();
//   replace->setFindText("MVI");  replace->setReplaceText("MOV");
//   int n = replace->ReemplazarTodo_Click();
#pragma once

#include <QDialog>

class Editor;
class QCheckBox;
class QLineEdit;
class QPushButton;

class ReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReplaceDialog(Editor& editor);

    void setFindText(const QString& text);
    void setReplaceText(const QString& text);
    void setMatchCase(bool matchCase);

    void Reemplazar_Click();
    // The number of occurrences replaced.
    int ReemplazarTodo_Click();
    void cancel_Click() { hide(); }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void textChanged();
    // Selects the next occurrence from the caret on; false (after its message) when there is none.
    bool selectNext();

    Editor& editor_;
    QLineEdit* cadena_;
    QLineEdit* nueva_;
    QCheckBox* may_;
    QPushButton* reemplazar_;
    QPushButton* reemplazarTodo_;
    QPushButton* cancel_;
};
