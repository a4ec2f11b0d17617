#include "editor/editor.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScrollBar>

#include "editor/busqueda.h"
#include "editor/replace_dialog.h"
#include "editor/source_edit.h"
#include "widgets/dialogs.h"
#include "widgets/twips.h"
#include "widgets/zoom.h"

using vandor::Dialogs;
using vandor::twips;

namespace {

const QString kSourceFilter = QStringLiteral("Fichero ensamblador (*.asm)|*.asm|Todos los ficheros (*.*)|*.*");
const QString kSourcePattern = QStringLiteral("*.asm");

// Every line read ends with a line end, the last one too, whatever ended it in the file (CR LF, LF or a
// lone CR).
QString linesWithEnds(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (!text.endsWith(QLatin1Char('\n'))) text += QLatin1Char('\n');
    return text;
}

}  // namespace

Editor::Editor(Dialogs& dialogs, QWidget* parent) : QMainWindow(parent), dialogs_(&dialogs) {
    setObjectName(QStringLiteral("Editor"));
    if (parent) setWindowIcon(parent->windowIcon());

    texto_ = new SourceEdit(this);
    texto_->setObjectName(QStringLiteral("texto"));
    texto_->setTextFont(vandor::fixedFont());
    texto_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    texto_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    texto_->installEventFilter(this);
    texto_->viewport()->installEventFilter(this);
    texto_->viewport()->setMouseTracking(true);
    // The text box fills the window below the menu bar and follows its size.
    setCentralWidget(texto_);

    filename_ = new QLabel(this);
    filename_->setObjectName(QStringLiteral("filename"));
    filename_->hide();
    filepath_ = new QLabel(this);
    filepath_->setObjectName(QStringLiteral("filepath"));
    filepath_->hide();

    buildMenus();

    // The modified flag is the document's: any change sets it, and undoing back to the text last loaded
    // or saved clears it.
    connect(texto_, &QPlainTextEdit::copyAvailable, this, [this] { updateClipboardActions(); });
    connect(texto_, &QPlainTextEdit::undoAvailable, deshacer_, &QAction::setEnabled);
    connect(texto_, &QPlainTextEdit::redoAvailable, rehacer_, &QAction::setEnabled);

    texto_->setAccessibleName(QStringLiteral("Texto del programa"));
    texto_->setAccessibleDescription(QStringLiteral("El fichero fuente en ensamblador que se edita"));

    resize(twips(9600), twips(7200));
    setCaption();
    // The text and the menus at the zoom's size, as in every window.
    vandor::Zoom::instance().follow(this, [this] {
        const vandor::Zoom& zoom = vandor::Zoom::instance();
        QFont captions = QApplication::font();
        captions.setPointSizeF(captions.pointSizeF() * zoom.scale());
        setFont(captions);
        texto_->setFont(zoom.fixedFont());
    });
    vandor::centreWhenFirstShown(this);
}

Editor::~Editor() = default;

void Editor::buildMenus() {
    auto item = [this](QMenu* menu, const char* name, const QString& caption, const QKeySequence& key,
                       void (Editor::*slot)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };

    QMenu* archivo = menuBar()->addMenu(QStringLiteral("&Archivo"));
    archivo->setObjectName(QStringLiteral("Archivo"));
    nuevo_ = item(archivo, "Nuevo", QStringLiteral("&Nuevo"), QKeySequence(Qt::CTRL | Qt::Key_N), &Editor::Nuevo_Click);
    abrir_ = item(archivo, "Abrir", QStringLiteral("&Abrir ..."), QKeySequence(Qt::CTRL | Qt::Key_A),
                  &Editor::Abrir_Click);
    guardar_ = item(archivo, "guardar", QStringLiteral("&Guardar"), QKeySequence(Qt::CTRL | Qt::Key_G),
                    &Editor::guardar_Click);
    guardarcomo_ = item(archivo, "guardarcomo", QStringLiteral("Guardar co&mo"), QKeySequence(Qt::CTRL | Qt::Key_M),
                        &Editor::guardarcomo_Click);
    salir_ = item(archivo, "Salir", QStringLiteral("&Salir"), QKeySequence(Qt::CTRL | Qt::Key_S), &Editor::Salir_Click);

    QMenu* edicion = menuBar()->addMenu(QStringLiteral("&Edición"));
    edicion->setObjectName(QStringLiteral("Edicion"));
    deshacer_ = item(edicion, "Deshacer", QStringLiteral("&Deshacer"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                     &Editor::Deshacer_Click);
    rehacer_ = item(edicion, "Rehacer", QStringLiteral("&Rehacer"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                    &Editor::Rehacer_Click);
    deshacer_->setEnabled(false);
    rehacer_->setEnabled(false);
    edicion->addSeparator();
    cortar_ = item(edicion, "Cortar", QStringLiteral("Cor&tar"), QKeySequence(Qt::CTRL | Qt::Key_X),
                   &Editor::Cortar_Click);
    copiar_ = item(edicion, "Copiar", QStringLiteral("&Copiar"), QKeySequence(Qt::CTRL | Qt::Key_C),
                   &Editor::Copiar_Click);
    pegar_ = item(edicion, "Pegar", QStringLiteral("&Pegar"), QKeySequence(Qt::CTRL | Qt::Key_V), &Editor::Pegar_Click);
    cortar_->setEnabled(false);
    copiar_->setEnabled(false);
    pegar_->setEnabled(false);

    QMenu* buscarMenu = menuBar()->addMenu(QStringLiteral("&Buscar"));
    buscarMenu->setObjectName(QStringLiteral("BuscarMenu"));
    buscar_ = item(buscarMenu, "Buscar", QStringLiteral("&Buscar"), QKeySequence(Qt::CTRL | Qt::Key_B),
                   &Editor::Buscar_Click);
    buscarsiguiente_ = item(buscarMenu, "Buscarsiguiente", QStringLiteral("&Buscar siguiente"), QKeySequence(Qt::Key_F3),
                            &Editor::Buscarsiguiente_Click);
    buscarsiguiente_->setEnabled(false);
    reemplazar_ = item(buscarMenu, "Reemplazar", QStringLiteral("&Reemplazar"), QKeySequence(Qt::CTRL | Qt::Key_R),
                       &Editor::Reemplazar_Click);

    QMenu* ensamblarMenu = menuBar()->addMenu(QStringLiteral("&Ensamblar"));
    ensamblarMenu->setObjectName(QStringLiteral("EnsamblarMenu"));
    ensamblar_ = item(ensamblarMenu, "Ensamblar", QStringLiteral("&Ensamblar"), QKeySequence(Qt::Key_F7),
                      &Editor::Ensamblar_Click);
    ensamblarCargar_ = item(ensamblarMenu, "EnsamblarCargar", QStringLiteral("Ensamblar y &cargar"),
                            QKeySequence(Qt::CTRL | Qt::Key_F7), &Editor::EnsamblarCargar_Click);
}

QString Editor::filename() const { return filename_->text(); }

bool Editor::isModified() const { return texto_->document()->isModified(); }

void Editor::setModified(bool modified) { texto_->document()->setModified(modified); }

QString Editor::documentText() const { return texto_->document()->toRawText(); }

void Editor::setCaption() {
    const QString path = filename_->text();
    if (path.isEmpty()) {
        setWindowTitle(vandor::kAppTitle + QStringLiteral(" - [Sin nombre]"));
    } else {
        setWindowTitle(vandor::kAppTitle + QStringLiteral(" - ") + QFileInfo(path).fileName());
    }
}

void Editor::setFilename(const QString& path) {
    filename_->setText(path);
    load();
}

void Editor::load() {
    setCaption();
    const QString path = filename_->text();
    if (path.isEmpty() || suppressLoad_) return;

    texto_->clear();
    encoding_ = vandor::TextEncoding::Utf8;
    const QFileInfo info(path);
    if (!info.exists()) {
        const QString question = QStringLiteral("El fichero ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" no existe\r\n¿Desea crearlo?");
        if (dialogs_->question(this, question) != Dialogs::Answer::Yes) {
            filename_->clear();
            setCaption();
        }
        setModified(false);
        return;
    }

    QFile file(path);
    QByteArray bytes;
    bool readOk = info.isFile() && file.open(QIODevice::ReadOnly);
    if (readOk) {
        bytes = file.readAll();
        readOk = file.error() == QFileDevice::NoError;
    }
    // An empty file has no first line to read: it is reported as a read error.
    if (!bytes.isEmpty()) {
        const vandor::DecodedText decoded = vandor::decodeSourceText(bytes);
        encoding_ = decoded.encoding;
        texto_->setPlainText(linesWithEnds(decoded.text));
    }
    setModified(false);
    if (!readOk || bytes.isEmpty()) dialogs_->message(this, QStringLiteral("Error abriendo fichero"));
}

bool Editor::guardChanges() {
    if (!isModified()) return true;
    const QString question = windowTitle().mid(vandor::kAppTitle.size() + 2) +
                             QStringLiteral(" ha cambiado\r\n¿Desea guardarlo?");
    switch (dialogs_->question(this, question, Dialogs::Buttons::YesNoCancel)) {
    case Dialogs::Answer::Yes: guardar_Click(); return !isModified();
    case Dialogs::Answer::No: return true;
    case Dialogs::Answer::Cancel: break;
    }
    return false;
}

void Editor::Nuevo_Click() {
    if (!guardChanges()) return;
    setFilename(QString());
    texto_->clear();
    encoding_ = vandor::TextEncoding::Utf8;
    setModified(false);
}

void Editor::Abrir_Click() {
    if (!guardChanges()) return;
    const QString path = dialogs_->openFile(this, {QStringLiteral("Cargar fichero .ASM"), kSourceFilter, kSourcePattern});
    if (path.isEmpty()) return;
    setFilename(path);
}

bool Editor::writeDocument(const QString& path) {
    QString text = documentText();
    // Every line written ends with CR LF, the last one too.
    if (!text.isEmpty() && !text.endsWith(QChar::ParagraphSeparator)) text += QChar::ParagraphSeparator;
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    const QByteArray bytes = vandor::encodeSourceText(text, encoding_);

    // A temporary file renamed over the old one: a failed write leaves the old file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void Editor::guardar_Click() { save(); }

bool Editor::save() {
    const QString path = filename_->text();
    if (path.isEmpty()) {
        guardarcomo_Click();
        return !filename_->text().isEmpty() && !isModified();
    }
    if (!writeDocument(path)) {
        dialogs_->message(this, QStringLiteral("Error guardando fichero"));
        return false;
    }
    setModified(false);
    return true;
}

void Editor::guardarcomo_Click() {
    const QString path = dialogs_->saveFile(this, {QStringLiteral("Salvar fichero .ASM"), kSourceFilter, kSourcePattern});
    if (path.isEmpty()) return;
    if (QFileInfo::exists(path)) {
        const QString question = QStringLiteral("El fichero ") + QDir::toNativeSeparators(path) +
                                 QStringLiteral(" ya existe\r\n¿Desea sobreescribirlo?");
        if (dialogs_->question(this, question) != Dialogs::Answer::Yes) return;
    }
    if (!writeDocument(path)) {
        dialogs_->message(this, QStringLiteral("Error guardando fichero"));
        return;
    }
    // The file just written is the document: only the caption changes.
    suppressLoad_ = true;
    setFilename(path);
    suppressLoad_ = false;
    setModified(false);
}

void Editor::Salir_Click() { close(); }

void Editor::closeEvent(QCloseEvent* event) {
    if (!guardChanges()) {
        event->ignore();
        return;
    }
    if (busqueda_) busqueda_->hide();
    if (replace_) replace_->hide();
    event->accept();
}

void Editor::Cortar_Click() {
    texto_->cut();
    pegar_->setEnabled(true);
}

void Editor::Copiar_Click() {
    texto_->copy();
    pegar_->setEnabled(true);
}

void Editor::Pegar_Click() { texto_->paste(); }

Busqueda* Editor::busqueda() {
    if (!busqueda_) busqueda_ = new Busqueda(*this);
    return busqueda_;
}

void Editor::Buscar_Click() { busqueda()->exec(); }

void Editor::Buscarsiguiente_Click() { busqueda()->Buscar_Click(); }

void Editor::Deshacer_Click() { texto_->undo(); }

void Editor::Rehacer_Click() { texto_->redo(); }

ReplaceDialog* Editor::replaceDialog() {
    if (!replace_) replace_ = new ReplaceDialog(*this);
    return replace_;
}

void Editor::Reemplazar_Click() {
    ReplaceDialog* dialog = replaceDialog();
    // The text selected on one line is what to replace, as a starting point.
    const QString selected = texto_->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) dialog->setFindText(selected);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void Editor::Ensamblar_Click() { requestAssembly(false); }

void Editor::EnsamblarCargar_Click() { requestAssembly(true); }

// The file assembled is the document as saved now: an unnamed document asks for its name first, and a
// save that fails or is cancelled stops here.
void Editor::requestAssembly(bool load) {
    if (!save()) return;
    emit assembleRequested(filename_->text(), load);
}

void Editor::setAssemblyErrors(const QList<SourceError>& errors) { texto_->setErrorMarks(errors); }

void Editor::showLine(int line) {
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    texto_->goToLine(line);
}

void Editor::setTextFont(const QFont& font) { texto_->setTextFont(font); }

void Editor::updatePasteAction() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    pegar_->setEnabled(data && data->hasText() && !data->text().isEmpty());
}

void Editor::updateClipboardActions() {
    const bool selection = texto_->textCursor().hasSelection();
    cortar_->setEnabled(selection);
    copiar_->setEnabled(selection);
    updatePasteAction();
}

bool Editor::isMenuShortcut(const QKeyEvent* key) const {
    const QKeySequence pressed(key->keyCombination());
    for (const QAction* action : {nuevo_, abrir_, guardar_, guardarcomo_, salir_, deshacer_, rehacer_, cortar_, copiar_,
                                  pegar_, buscar_, buscarsiguiente_, reemplazar_, ensamblar_, ensamblarCargar_}) {
        if (action->shortcut() == pressed) return true;
    }
    return false;
}

bool Editor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == texto_) {
        switch (event->type()) {
        case QEvent::FocusIn: updatePasteAction(); break;
        case QEvent::KeyPress: updateClipboardActions(); break;
        case QEvent::ShortcutOverride:
            // The menu's shortcuts win over the text box's own keys (Ctrl+A opens a file here rather
            // than selecting all); the enabling is brought up to date first, as for any key.
            updateClipboardActions();
            if (isMenuShortcut(static_cast<QKeyEvent*>(event))) {
                event->ignore();
                return true;
            }
            break;
        default: break;
        }
    } else if (watched == texto_->viewport() && event->type() == QEvent::MouseMove) {
        updateClipboardActions();
    }
    return QMainWindow::eventFilter(watched, event);
}
