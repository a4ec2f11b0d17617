#include "updater/form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryFile>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "shared/http_get.h"
#include "widgets/twips.h"

using vandor::twips;

namespace kepplet {

namespace {

std::filesystem::path nativePath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

}  // namespace

ReplaceOutcome replaceFile(const QString& from, const QString& to) {
    std::error_code error;
    std::filesystem::rename(nativePath(from), nativePath(to), error);
    if (!error) return ReplaceOutcome::Replaced;
    const bool held = error == std::errc::permission_denied || error == std::errc::text_file_busy ||
                      error == std::errc::device_or_resource_busy;
    return held && QFileInfo(to).isFile() ? ReplaceOutcome::InUse : ReplaceOutcome::Failed;
}

}  // namespace kepplet

namespace {

const QString kCancel = QStringLiteral("Cancelar");
const QString kClose = QStringLiteral("Cerrar");
const QString kRun = QStringLiteral("Ejecutar");
constexpr qint64 kPiece = 1024;

}  // namespace

Form1::Form1(kepplet::DownloadRequest request, QString folder, QWidget* parent)
    : QWidget(parent), request(std::move(request)), folder(std::move(folder)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Actualización automática"));
    QFont base = font();
    base.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    base.setPointSize(8);
    setFont(base);
    setFixedSize(4680 / 15, 1230 / 15);

    Label1 = new QLabel(QStringLiteral("Descargando actualización."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = base;
    bold.setBold(true);
    bold.setPointSize(12);
    Label1->setFont(bold);
    Label1->setGeometry(twips(240, 120, 4215, 375));

    Label3 = new QLabel(QStringLiteral("Completado:"), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    // Widened to the left when a substitute font draws the caption wider than its place.
    const int captionWidth = std::max(885 / 15, Label3->fontMetrics().horizontalAdvance(Label3->text()) + 2);
    Label3->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Label3->setGeometry(2250 / 15 + 885 / 15 - captionWidth, 720 / 15, captionWidth, 195 / 15);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twips(3240, 720, 615, 255));

    Cancelar = new QPushButton(kCancel, this);
    Cancelar->setObjectName(QStringLiteral("Cancelar"));
    Cancelar->setGeometry(twips(600, 600, 1575, 495));
    connect(Cancelar, &QPushButton::clicked, this, &Form1::Cancelar_Click);

    Inet = new shared::HttpGet(this);
    Inet->setObjectName(QStringLiteral("Inet"));
    Inet->onHead = [this] { headersArrived(); };
    Inet->onBody = [this] { readPieces(); };
    Inet->onFinished = [this] { responseFinished(); };

    endProgram = [] { QCoreApplication::quit(); };
    startProgram = [this](const QString& program) { return QProcess::startDetached(program, {}, this->folder); };
    message = [this](const QString& text) {
        QMessageBox::information(this, windowTitle(), text, QMessageBox::Ok);
    };
    replace = kepplet::replaceFile;
    beep = [] { QApplication::beep(); };
}

Form1::~Form1() { setBusy(false); }

QString Form1::targetPath() const { return QDir(folder).filePath(QString::fromStdString(request.target)); }

void Form1::start() {
    if (current != State::Idle) return;
    current = State::Downloading;
    setBusy(true);
    // Line ends or blanks that came with the address cannot travel in a request line.
    Inet->start(QString::fromStdString(request.address).trimmed());
}

void Form1::headersArrived() {
    const int status = Inet->status();
    if (status == 404) return fail(QStringLiteral("Fichero no encontrado"));
    // Redirects included: the file is taken only from the address given.
    if (status != 200) return fail(QStringLiteral("Error no determinado"));
    // Without an announced length there is no telling whether the whole file arrived; an empty file
    // is no program.
    announced = Inet->announcedLength();
    if (announced <= 0) return fail(QStringLiteral("Error no determinado"));
    QFileInfo target(targetPath());
    part = std::make_unique<QTemporaryFile>(QDir(folder).filePath(QLatin1Char('.') + target.fileName() +
                                                                   QStringLiteral(".XXXXXX")));
    if (!part->open()) return fail(QStringLiteral("Error no determinado"));
}

void Form1::readPieces() {
    while (current == State::Downloading && part) {
        const QByteArray piece = Inet->read(kPiece);
        if (piece.isEmpty()) return;
        if (received + piece.size() > announced) return fail(QStringLiteral("Error no determinado"));
        if (part->write(piece) != piece.size()) return fail(QStringLiteral("Error no determinado"));
        received += piece.size();
        Label2->setText(QString::number(kepplet::progressPercent(announced, received + 1)) + QStringLiteral(" %"));
    }
}

// The server has closed the connection (or it broke): the download counts only when every announced
// byte, and not one more, has arrived.
void Form1::responseFinished() {
    if (current != State::Downloading) return;
    switch (Inet->result()) {
    case shared::HttpGet::Result::Complete: break;
    case shared::HttpGet::Result::NoAnswer: return fail(QStringLiteral("Error en conexión"));
    default: return fail(QStringLiteral("Error no determinado"));
    }
    readPieces();
    if (current != State::Downloading) return;
    if (!part || received != announced) return fail(QStringLiteral("Error no determinado"));
    if (!salva()) {
        if (current == State::Ended) return;  // closed while asked to close the old program
        return fail(QStringLiteral("Error no determinado"));
    }
    complete();
}

// Renames the finished download over the target. A target held by the running old program is asked
// to be closed and tried again; any other failure gives up and keeps the old file.
bool Form1::salva() {
    if (!part->flush()) return false;
    const QString target = targetPath();
    const QFileDevice::Permissions perms =
        QFileInfo::exists(target) ? QFile::permissions(target)
                                  : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                                        QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    part->setPermissions(perms);
    const QString partPath = part->fileName();
    part->close();
    for (;;) {
        switch (replace(partPath, target)) {
        case kepplet::ReplaceOutcome::Replaced:
            part->setAutoRemove(false);
            part.reset();
            return true;
        case kepplet::ReplaceOutcome::InUse: message(QStringLiteral("Cierre la aplicación")); break;
        case kepplet::ReplaceOutcome::Failed: return false;
        }
        if (current != State::Downloading) return false;
    }
}

void Form1::complete() {
    current = State::Completed;
    Label1->setText(QStringLiteral("Actualización completada"));
    Cancelar->setText(request.runAfterwards ? kRun : kClose);
    beep();
    setBusy(false);
    emit settled();
}

void Form1::fail(const QString& text) {
    Inet->abort();
    part.reset();  // nothing of a failed download is kept
    current = State::Failed;
    Label1->setText(text);
    Cancelar->setText(kClose);
    setBusy(false);
    beep();
    emit settled();
}

void Form1::Cancelar_Click() {
    if (current == State::Ended) return;
    const bool run = Cancelar->text() == kRun;
    current = State::Ended;
    Inet->abort();
    part.reset();
    setBusy(false);
    if (run) {
        const QString program = targetPath();
#ifndef Q_OS_WIN
        QFile::setPermissions(program, QFile::permissions(program) | QFileDevice::ExeOwner | QFileDevice::ExeUser |
                                           QFileDevice::ExeGroup | QFileDevice::ExeOther);
#endif
        startProgram(program);
    }
    endProgram();
}

void Form1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Cancelar->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void Form1::closeEvent(QCloseEvent* event) {
    Cancelar_Click();
    event->accept();
}

void Form1::setBusy(bool on) {
    if (on == busy) return;
    busy = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}
