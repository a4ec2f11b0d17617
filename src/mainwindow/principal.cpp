// Principal: construction, start-up (Form_Load), the commands handled here and the close request. The
// other parts of the class are in the principal_*.cpp files beside this one.
#include "mainwindow/principal.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <exception>

#include "devices/dispositivos.h"
#include "editor/editor.h"
#include "hexfile/hexfile.h"
#include "inspect/listapasos.h"
#include "machine/halt_window.h"
#include "machine/vigilancia_window.h"
#include "mainwindow/grid_models.h"
#include "widgets/dialogs.h"
#include "widgets/hexbox.h"
#include "widgets/twips.h"
#include "widgets/zoom.h"

namespace {

constexpr int kPaintInterval = 16;  // ms: the views' catch-up pace during a run

// The loader's messages as the window shows them: modal boxes, three of them right-aligned.
class LoadMessages final : public vandor::MessageSink {
public:
    LoadMessages(vandor::Dialogs& dialogs, QWidget* parent) : dialogs_(dialogs), parent_(parent) {}
    void message(const std::string& text) override {
        const Qt::Alignment alignment =
            vandor::isRightAlignedLoadMessage(text) ? Qt::AlignRight : Qt::AlignLeft;
        dialogs_.message(parent_, QString::fromUtf8(text), alignment);
    }

private:
    vandor::Dialogs& dialogs_;
    QWidget* parent_;
};

}  // namespace

Principal::Principal(vandor::Dialogs& dialogs, QWidget* parent) : QWidget(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Principal"));
    setWindowTitle(QStringLiteral("Vandor microprocesador 8085"));
    setFont(vandor::captionFont());

    // The controls sit on a canvas that fills the window; on a screen too small for the zoomed
    // arrangement, scroll bars reach the rest of it.
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("scroll"));
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    canvas_ = new QWidget;
    canvas_->setObjectName(QStringLiteral("canvas"));
    scroll_->setWidget(canvas_);
    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->addWidget(scroll_);

    buildCommandRow();
    buildEntryRow();
    buildRegisters();
    buildControl();
    buildMemory();
    buildPorts();
    buildDebugger();
    buildBottomRow();
    buildSpeedRow();
    buildTabOrder();
    resize(defaultCanvasSize());
    canvas_->installEventFilter(this);

    connectEditors();

    halt_ = new Halt(sim_, dialogs_, this);
    haltDialog_ = halt_;
    connect(halt_, &Halt::vectorCopied, this, [this](const QString& text) {
        txtVec_->setText(text);
        sim_.setVector(txtVec_->byteValue());
    });
    sim_.haltDialog = this;
    sim_.setHistoryLimit(vandor::History::kMaxSteps);
    sim_.m.countTStates = true;
    // A run's batches stay near their half millisecond: the trace's new blocks are paged in as they fill.
    sim_.trace.setPopulateBlocks(false);
    sim_.m.observer = this;

    paintTimer_.setInterval(kPaintInterval);
    connect(&paintTimer_, &QTimer::timeout, this, &Principal::catchUpStage);
    stageTimer_.setSingleShot(true);
    stageTimer_.setInterval(0);
    connect(&stageTimer_, &QTimer::timeout, this, &Principal::catchUpStage);

    Form_Load();
    vandor::Zoom::instance().follow(this, [this] { applyZoom(); });
    vandor::centreWhenFirstShown(this);
}

Principal::~Principal() {
    sim_.views = nullptr;
    sim_.haltDialog = nullptr;
    sim_.m.observer = nullptr;
    if (runLoopActive_) qApp->removeEventFilter(this);
    // The windows over the simulator go before it does (children would outlive the members).
    delete trace_;
    delete devices_;
    delete halt_;
    delete editor_;
    delete vigilancia_;
}

void Principal::Form_Load() {
    // Grid headings, through each grid's format string.
    memModel_->setHeadings(vandor::parseFormatString(vandor::gridFormatString(kMemoryRows, 4)));
    portModel_->setHeadings(vandor::parseFormatString(vandor::gridFormatString(kPortRows, 2)));
    setWindowTitle(vandor::kAppTitle);
    // llenagrd: the grids read the machine's memory and ports, all 00 in a fresh machine.
    memModel_->refreshAll();
    portModel_->refreshAll();
    connect(grdmem_->selectionModel(), &QItemSelectionModel::currentChanged, this, &Principal::grdmem_SelChange);
    connect(grdport_->selectionModel(), &QItemSelectionModel::currentChanged, this, &Principal::grdport_SelChange);
    grdmem_->setCurrentCell(1, 1);
    grdport_->setCurrentCell(1, 1);
    grdmem_SelChange();
    grdport_SelChange();
    sim_.views = this;
    sim_.Reset_Click();
    updateRunControls();
}

void Principal::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    about_->setEnabled(bool(onAboutRequested));
}

bool Principal::takeFocus(QWidget* target) {
    auto* entry = qobject_cast<vandor::HexBox*>(QApplication::focusWidget());
    if (!entry || entry == target || !entry->isEntering() || entry->window() != window()) return true;
    target->setFocus(Qt::ShortcutFocusReason);
    return QApplication::focusWidget() != entry;
}

void Principal::CargarHEX_Click() {
    const QString path = dialogs_.openFile(
        this, {QStringLiteral("Cargar fichero .HEX"),
               QStringLiteral("Fichero hexadecimales (*.hex)|*.hex|Todos los ficheros (*.*)|*.*"),
               QStringLiteral("*.hex")});
    if (path.isEmpty()) return;
    loadObject(path);
}

void Principal::loadObject(const QString& path, QWidget* over) {
    if (!over) over = this;
    const bool action = beginAction();
    try {
        LoadMessages messages(dialogs_, over);
        const bool loaded = vandor::carga(sim_.m, QFile::encodeName(path).toStdString(), messages);
        sim_.objectLoaded();
        regen();
        updateRunControls();
        if (action) endAction();
        if (loaded) dialogs_.message(over, QStringLiteral("Carga correcta"));
    } catch (const std::exception&) {
        sim_.objectLoaded();
        regen();
        updateRunControls();
        if (action) endAction();
        dialogs_.message(over, QStringLiteral("Fichero incorrecto"));
    }
}

void Principal::about_Click() {
    if (onAboutRequested) onAboutRequested();
}

Listapasos* Principal::traceWindow() {
    if (!trace_) trace_ = new Listapasos(sim_, dialogs_, this);
    return trace_;
}

void Principal::listains_Click() {
    Listapasos* window = traceWindow();
    if (window->isMinimized()) window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

// Form_QueryUnload: the close itself is always refused; the program ends through the splash window.
void Principal::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (sim_.running()) return;
    if (trace_) trace_->hide();
    if (!editorAllowsClose()) return;
    hide();
    if (onCloseRequested) {
        onCloseRequested();
    } else {
        QCoreApplication::quit();
    }
}
