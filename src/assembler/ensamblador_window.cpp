#include "assembler/ensamblador_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <mutex>
#include <utility>
#include <string>
#include <vector>

#include "assembler/assembler.h"
#include "common/sinks.h"
#include "widgets/source_codec.h"
#include "widgets/dialogs.h"
#include "widgets/zoom.h"

namespace {

// Time the window gives the boxes per tick, so that input and painting go on during a long run.
constexpr int kTickMs = 30;
constexpr qint64 kBudgetMs = 12;
// Text moved into a box at a time; cut at a line end.
constexpr size_t kChunkBytes = 64 * 1024;

}  // namespace

// A text sink written by the assembler's thread and read by the window: the whole text (stored as the
// listing once the run is over) and the part not yet shown.
class LiveTextSink final : public vandor::TextSink {
public:
    void clear() override {
        std::lock_guard lock(mutex_);
        text_.clear();
        pending_.clear();
        clearPending_ = true;
    }
    void append(std::string_view t) override {
        std::lock_guard lock(mutex_);
        text_.append(t);
        pending_.append(t);
    }
    void setEncoding(vandor::TextEncoding encoding) override {
        std::lock_guard lock(mutex_);
        encoding_ = encoding;
    }

    // The next piece to show, decoded: whether the box must be emptied first, and whole lines of at
    // most about maxBytes. Empty when nothing is waiting.
    QString take(size_t maxBytes, bool& clearFirst) {
        std::lock_guard lock(mutex_);
        clearFirst = clearPending_;
        clearPending_ = false;
        size_t n = pending_.size();
        if (n > maxBytes) {
            const size_t cut = pending_.rfind('\n', maxBytes);
            n = cut == std::string::npos ? pending_.find('\n', maxBytes) : cut;
            n = n == std::string::npos ? pending_.size() : n + 1;
        }
        // The whole run is in one encoding, that of the source; every line is decoded in it.
        QString piece = vandor::decodeLines(std::string_view(pending_).substr(0, n), encoding_);
        pending_.erase(0, n);
        return piece;
    }
    bool idle() const {
        std::lock_guard lock(mutex_);
        return pending_.empty() && !clearPending_;
    }
    // Only once the assembler's thread has ended.
    const std::string& text() const { return text_; }

private:
    mutable std::mutex mutex_;
    std::string text_;
    std::string pending_;
    bool clearPending_ = false;
    vandor::TextEncoding encoding_ = vandor::TextEncoding::Utf8;
};

// The assembler's message boxes, held until the run is over and then shown on the window's thread.
class QueuedMessages final : public vandor::MessageSink {
public:
    void message(const std::string& text) override {
        std::lock_guard lock(mutex_);
        texts_.push_back(text);
    }
    std::vector<std::string> takeAll() {
        std::lock_guard lock(mutex_);
        return std::exchange(texts_, {});
    }

private:
    std::mutex mutex_;
    std::vector<std::string> texts_;
};

namespace {

// The listing writer's messages go straight to the window's dialogs.
class DialogMessages final : public vandor::MessageSink {
public:
    DialogMessages(vandor::Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}
    void message(const std::string& text) override { dialogs_.message(parent_, QString::fromStdString(text)); }

private:
    vandor::Dialogs& dialogs_;
    QWidget* parent_;
};

QPlainTextEdit* makeBox(const char* name, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    box->setUndoRedoEnabled(false);
    // The boxes show the run; what is stored comes from the assembler, so they are not for typing.
    box->setReadOnly(true);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return box;
}

}  // namespace

Ensamblador::Ensamblador(vandor::Dialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Ensamblador"));
    setWindowTitle(vandor::kAppTitle);
    if (parent) setWindowIcon(parent->windowIcon());
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setModal(true);

    filelst_ = makeBox("filelst", this);
    filelst_->setAccessibleName(QStringLiteral("Listado"));
    filelst_->setAccessibleDescription(QStringLiteral("El listado del programa ensamblado"));
    filehex_ = makeBox("filehex", this);
    filehex_->setAccessibleName(QStringLiteral("Errores o fichero objeto"));
    filehex_->setAccessibleDescription(
        QStringLiteral("Los errores del ensamblado, o los registros del fichero .HEX si no hubo errores"));
    for (QPlainTextEdit* box : {filelst_, filehex_}) box->viewport()->installEventFilter(this);

    label1_ = new QLabel(this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->setAccessibleName(QStringLiteral("Resultado"));
    label1_->setAccessibleDescription(QStringLiteral("Si el ensamblado fue correcto o incorrecto"));

    cerrar_ = new QPushButton(QStringLiteral("&Cerrar"), this);
    cerrar_->setObjectName(QStringLiteral("Cerrar"));
    cerrar_->setAccessibleName(QStringLiteral("Cerrar"));
    cerrar_->setAccessibleDescription(QStringLiteral("Cierra la ventana del ensamblador (Alt+C)"));
    // Every opening runs an assembly: the window is not closable until the run has ended.
    cerrar_->setEnabled(false);
    connect(cerrar_, &QPushButton::clicked, this, &Ensamblador::cerrar_Click);
    // The outcome label lies under the button's row; the button stays on top of it.
    cerrar_->raise();

    file1_ = new QLabel(this);
    file1_->setObjectName(QStringLiteral("file1"));
    file2_ = new QLabel(this);
    file2_->setObjectName(QStringLiteral("file2"));
    file3_ = new QLabel(this);
    file3_->setObjectName(QStringLiteral("file3"));
    for (QLabel* hidden : {file1_, file2_, file3_}) hidden->hide();

    // Larger, the window gives two thirds of its extra height to the listing and a third to the errors;
    // the outcome and the button stay at the bottom, the button at the right.
    constexpr uint8_t kAcross = 1 << 0, kListing = 1 << 0, kErrors = 1 << 1;
    layout_.place(filelst_, {0, 360, 6855, 4935}, {.growX = kAcross, .growY = kListing});
    layout_.place(filehex_, {0, 5280, 6855, 1455}, {.growX = kAcross, .moveY = kListing, .growY = kErrors});
    layout_.place(label1_, {0, 6840, 6855, 375}, {.growX = kAcross, .moveY = kListing | kErrors});
    layout_.place(cerrar_, {5280, 6840, 1575, 375}, {.moveX = kAcross, .moveY = kListing | kErrors});
    vandor::Zoom::instance().follow(this, [this] { applyZoom(); });
    resize(minimumSize());
    vandor::centreWhenFirstShown(this);

    drainTimer_.setInterval(kTickMs);
    connect(&drainTimer_, &QTimer::timeout, this, &Ensamblador::drain);
}

void Ensamblador::applyZoom() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    QFont captions = QApplication::font();
    captions.setPointSizeF(captions.pointSizeF() * zoom.scale());
    setFont(captions);
    filelst_->setFont(zoom.fixedFont());
    filehex_->setFont(zoom.fixedFont());
    QFont labelFont;
    labelFont.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    labelFont.setPointSizeF(12 * zoom.scale());
    labelFont.setBold(true);
    label1_->setFont(labelFont);
    const QSize least(zoom.px(6855), zoom.px(6840 + 375 + 60));
    setMinimumSize(least.boundedTo(vandor::availableArea(this).size()));
    if (width() < minimumWidth() || height() < minimumHeight()) resize(size().expandedTo(minimumSize()));
    relayout();
}

void Ensamblador::relayout() {
    const vandor::Zoom& zoom = vandor::Zoom::instance();
    const int dx = std::max(0, width() - zoom.px(6855));
    const int dy = std::max(0, height() - zoom.px(6840 + 375 + 60));
    layout_.apply(zoom, {dx}, {dy * 2 / 3, dy - dy * 2 / 3});
}

void Ensamblador::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    relayout();
}

Ensamblador::~Ensamblador() {
    if (worker_.joinable()) worker_.join();
}

QString Ensamblador::sourcePath() const { return file1_->text(); }

void Ensamblador::setPaths(const QString& source, const QString& object, const QString& listing) {
    file1_->setText(source);
    file2_->setText(object);
    file3_->setText(listing);
}

void Ensamblador::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (started_) return;
    started_ = true;
    // Each opening runs exactly one assembly, once the window is on screen.
    QTimer::singleShot(0, this, &Ensamblador::Form_Activate);
}

void Ensamblador::Form_Activate() {
    filelst_->clear();
    filehex_->clear();
    cerrar_->setEnabled(false);
    label1_->clear();
    running_ = true;
    finished_ = false;
    listingErrors_.clear();
    logErrors_.clear();
    runClock_.start();

    lstSink_ = std::make_unique<LiveTextSink>();
    hexSink_ = std::make_unique<LiveTextSink>();
    messages_ = std::make_unique<QueuedMessages>();
    workerDone_ = false;
    const std::string source = QFile::encodeName(file1_->text()).toStdString();
    const std::string object = QFile::encodeName(file2_->text()).toStdString();
    worker_ = std::thread([this, source, object] {
        workerResult_ = vandor::Ensambla(source, object, *lstSink_, *hexSink_, *messages_, &report_);
        workerDone_ = true;
    });
    drainTimer_.start();
}

void Ensamblador::drain() {
    // Checked before taking text: once the thread is done and both sinks are empty, all has been shown.
    const bool done = workerDone_;
    QElapsedTimer budget;
    budget.start();
    for (auto [sink, box] : {std::pair{lstSink_.get(), filelst_}, std::pair{hexSink_.get(), filehex_}}) {
        bool moved = false;
        do {
            bool clearFirst = false;
            const QString piece = sink->take(kChunkBytes, clearFirst);
            if (clearFirst) box->clear();
            if (piece.isEmpty()) break;
            QTextCursor end(box->document());
            end.movePosition(QTextCursor::End);
            end.insertText(piece);
            moved = true;
        } while (budget.elapsed() < kBudgetMs);
        if (moved) {
            // The caret at the end keeps the newest lines in view.
            box->moveCursor(QTextCursor::End);
            box->ensureCursorVisible();
        }
    }
    if (done && lstSink_->idle() && hexSink_->idle()) finish();
}

void Ensamblador::finish() {
    drainTimer_.stop();
    worker_.join();
    lastRunMs_ = runClock_.elapsed();
    for (const std::string& text : messages_->takeAll()) dialogs_.message(this, QString::fromStdString(text));

    const bool ok = workerResult_;
    running_ = false;
    finished_ = true;
    for (const vandor::AssemblyError& e : report_.errors) {
        listingErrors_.emplace(static_cast<int>(e.listingLine), e.line);
        logErrors_.emplace(static_cast<int>(e.logLine), e.line);
        logErrors_.emplace(static_cast<int>(e.logLine) + 1, e.line);
    }
    cerrar_->setEnabled(true);
    if (ok) {
        label1_->setText(QStringLiteral("Ensamblado correcto"));
        dialogs_.beep();
        cerrar_->setFocus();
    } else {
        label1_->setText(QStringLiteral("Ensamblado incorrecto"));
        dialogs_.message(this, QStringLiteral("Ensamblado incorrecto"));
        filehex_->setFocus();
    }
    // The listing always reflects the last run, failed ones too.
    if (!file3_->text().isEmpty()) {
        DialogMessages boxes(dialogs_, this);
        vandor::creafilelst(lstSink_->text(), QFile::encodeName(file3_->text()).toStdString(), boxes);
    }
    emit assemblyFinished(ok);
}

int Ensamblador::errorLineAt(const QPlainTextEdit* box, int blockNumber) const {
    const auto& lines = box == filelst_ ? listingErrors_ : logErrors_;
    const auto it = lines.find(blockNumber);
    return it == lines.end() ? -1 : it->second;
}

bool Ensamblador::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && !running_) {
        for (QPlainTextEdit* box : {filelst_, filehex_}) {
            if (watched != box->viewport()) continue;
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            const int line = errorLineAt(box, box->cursorForPosition(at).blockNumber());
            if (line < 0) break;
            emit sourceLineRequested(file1_->text(), line);
            close();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Ensamblador::cerrar_Click() { close(); }

void Ensamblador::closeEvent(QCloseEvent* event) {
    if (!cerrar_->isEnabled()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void Ensamblador::reject() {
    if (!cerrar_->isEnabled()) return;
    QDialog::reject();
}
