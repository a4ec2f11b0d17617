#include "mainwindow/principal.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <exception>

#include "mainwindow/editor_command.h"
#include "hexfile/hexfile.h"
#include "inspect/disasm.h"
#include "inspect/listapasos.h"
#include "machine/halt_window.h"
#include "widgets/dialogs.h"
#include "mainwindow/grid_models.h"
#include "widgets/hexbox.h"
#include "mainwindow/program_view.h"
#include "widgets/twips.h"

using vandor::CheckBox;
using vandor::dec;
using vandor::GridModel;
using vandor::GridView;
using vandor::HaltOption;
using vandor::HexBox;
using vandor::placeTwips;
using vandor::StopReason;

namespace {

constexpr int kBoxHeight = 285;
constexpr int kButtonHeight = 255;
constexpr int kMemoryRows = 4096;
constexpr int kPortRows = 16;
constexpr int kPaintInterval = 16;  // ms: the views' catch-up pace during a run

const QString kTraceFullMessage = QStringLiteral(
    "El listado de pasos está lleno.\r\nGuárdelo con \"Salvar\" o bórrelo con \"Borrar\" en la ventana "
    "del listado para seguir ejecutando.");

QString hex(long value, int digits) { return QString::fromLatin1(vandor::hexa(value, digits)); }

int valueOf(const QLineEdit* box) { return dec(box->text().toStdString()); }

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

    buildCommandRow();
    buildEntryRow();
    buildRegisters();
    buildControl();
    buildMemory();
    buildPorts();
    setFixedSize(vandor::twips(10110), vandor::twips(6600));

    connectEditors();

    halt_ = new Halt(sim_, dialogs_, this);
    haltDialog_ = halt_;
    connect(halt_, &Halt::vectorCopied, this, [this](const QString& text) {
        txtVec_->setText(text);
        sim_.setVector(static_cast<uint8_t>(dec(text.toStdString()) & 0xFF));
    });
    sim_.haltDialog = this;
    sim_.traceLimit = kTraceRowLimit;
    sim_.m.observer = this;

    paintTimer_.setInterval(kPaintInterval);
    connect(&paintTimer_, &QTimer::timeout, this, &Principal::flushViews);

    Form_Load();
}

Principal::~Principal() {
    sim_.views = nullptr;
    sim_.haltDialog = nullptr;
    sim_.m.observer = nullptr;
    if (runLoopActive_) qApp->removeEventFilter(this);
    // The windows over the simulator go before it does (children would outlive the members).
    delete trace_;
    delete halt_;
}

// ---------------------------------------------------------------------------------------------------
// Layout

HexBox* Principal::box(QWidget* parent, const char* name, int left, int top, int width) {
    auto* b = new HexBox(dialogs_, parent, width);
    b->setObjectName(QString::fromLatin1(name));
    placeTwips(b, left, top, width, kBoxHeight);
    connect(b, &HexBox::leaving, this, &Principal::flushViews);
    return b;
}

QLabel* Principal::label(QWidget* parent, const char* name, const QString& text, int left, int top,
                         int width, int height) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    placeTwips(l, left, top, width, height);
    return l;
}

QPushButton* Principal::button(QWidget* parent, const char* name, const QString& caption, int left, int top,
                               int width, void (Principal::*action)()) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    placeTwips(b, left, top, width, kButtonHeight);
    b->setAutoDefault(false);
    if (action) {
        connect(b, &QPushButton::clicked, this, [this, b, action] {
            if (takeFocus(b)) (this->*action)();
        });
    }
    return b;
}

QCheckBox* Principal::checkBox(QWidget* parent, const char* name, const QString& caption, int left, int top,
                               int width) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    placeTwips(c, left, top, width, 255);
    return c;
}

void Principal::buildCommandRow() {
    CargarHEX_ = button(this, "CargarHEX", QStringLiteral("&Cargar"), 3480, 120, 855, &Principal::CargarHEX_Click);
    Editar_ = button(this, "Editar", QStringLiteral("&Editar"), 4440, 120, 735, &Principal::Editar_Click);
    Ensamblar_ = button(this, "Ensamblar", QStringLiteral("E&nsam"), 5280, 120, 735, &Principal::Ensamblar_Click);
    about_ = button(this, "about", QStringLiteral("&Acerca"), 6120, 120, 735, &Principal::about_Click);
    about_->setToolTip(QStringLiteral("Acerca de."));
    about_->setEnabled(false);  // until the about box is connected
    listains_ = button(this, "listains", QStringLiteral("&Lista"), 7560, 120, 735, &Principal::listains_Click);
    Ejecutar_ = button(this, "Ejecutar", QStringLiteral("E&jecutar"), 8400, 120, 735, &Principal::Ejecutar_Click);
    Eje_paso_ = button(this, "Eje_paso", QStringLiteral("&Paso"), 9240, 120, 735, &Principal::Eje_paso_Click);
}

void Principal::buildEntryRow() {
    auto* frame = new QGroupBox(this);
    frame->setObjectName(QStringLiteral("FrameEntrada"));
    placeTwips(frame, 120, 0, 3255, 615);
    txtDIR_ = box(frame, "txtDIR", 120, 240, 615);
    INSCO_ = box(frame, "INSCO", 840, 240, 375);
    INSOP1_ = box(frame, "INSOP1", 1200, 240, 375);
    INSOP2_ = box(frame, "INSOP2", 1560, 240, 375);
    for (HexBox* b : {INSCO_, INSOP1_, INSOP2_}) b->setEmptyAllowed(true);
    INS_ = label(frame, "INS", QString(), 2040, 240, 1095, kBoxHeight);
    INS_->setFont(vandor::fixedFont());

    prg_ = new vandor::ProgramView(this);
    prg_->setObjectName(QStringLiteral("prg"));
    placeTwips(prg_, 120, 720, 3255, 5715);
    prgLines_ = new vandor::LinesModel(prg_);
    prg_->setModel(prgLines_);
}

void Principal::buildRegisters() {
    auto* frame = new QGroupBox(QStringLiteral("Registros"), this);
    frame->setObjectName(QStringLiteral("Frame1"));
    placeTwips(frame, 3480, 480, 5175, 2415);

    struct Place {
        HexBox** target;
        const char* name;
        const char* caption;
        int left, top, width;
    };
    const Place places[] = {
        {&txtA_, "txtA", "A", 480, 240, 375},     {&txtF_, "txtF", "F", 480, 600, 375},
        {&txtB_, "txtB", "B", 480, 960, 375},     {&txtC_, "txtC", "C", 480, 1320, 375},
        {&txtD_, "txtD", "D", 1560, 960, 375},    {&txtE_, "txtE", "E", 1560, 1320, 375},
        {&txtH_, "txtH", "H", 2640, 960, 375},    {&txtL_, "txtL", "L", 2640, 1320, 375},
        {&txtBC_, "txtBC", "BC", 480, 1680, 615}, {&txtDE_, "txtDE", "DE", 1560, 1680, 615},
        {&txtHL_, "txtHL", "HL", 2640, 1680, 615}, {&txtPC_, "txtPC", "PC", 480, 2040, 615},
        {&txtSP_, "txtSP", "SP", 1560, 2040, 615}, {&txtM_, "txtM", "M", 2640, 2040, 375},
    };
    for (const Place& p : places) {
        QLabel* l = label(frame, QByteArray("lbl").append(p.caption).constData(), QString::fromLatin1(p.caption),
                          p.left - 390, p.top, 360, kBoxHeight);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        *p.target = box(frame, p.name, p.left, p.top, p.width);
    }

    // Flag boxes, bit 7 on the left.
    const char* flagNames[8] = {"C", "", "P", "", "A", "", "Z", "S"};
    for (int bit = 7; bit >= 0; --bit) {
        const int left = 1200 + (7 - bit) * 240;
        QLabel* l = label(frame, QByteArray("lblF").append(QByteArray::number(bit)).constData(),
                          QString::fromLatin1(flagNames[bit]), left, 360, 255, 240);
        l->setAlignment(Qt::AlignCenter);
        auto* c = new QCheckBox(frame);
        c->setObjectName(QStringLiteral("chkF%1").arg(bit));
        placeTwips(c, left + 30, 600, 255, 255);
        chkF_[static_cast<size_t>(bit)] = c;
        connect(c, &QCheckBox::clicked, this, [this, c] {
            if (takeFocus(c)) chkF_Click();
        });
    }

    label(frame, "lblPILA", QStringLiteral("PILA"), 3360, 360, 615, 240)->setAlignment(Qt::AlignCenter);
    pila_ = new QListView(frame);
    pila_->setObjectName(QStringLiteral("pila"));
    pila_->setFont(vandor::fixedFont());
    pila_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pila_->setSelectionMode(QAbstractItemView::NoSelection);
    pila_->setUniformItemSizes(true);
    pila_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pilaLines_ = new vandor::LinesModel(pila_);
    pila_->setModel(pilaLines_);
    // Eight words in view: as tall as the font needs, at least the layout's height.
    const int pilaHeight = std::max(vandor::twips(1620), 8 * QFontMetrics(vandor::fixedFont()).height() + 6);
    pila_->setGeometry(vandor::twips(3360), vandor::twips(600), vandor::twips(615), pilaHeight);

    label(frame, "lblMASC", QStringLiteral("R. MASC."), 4080, 240, 1035, 240);
    CHK75_ = checkBox(frame, "CHK75", QStringLiteral("RST 7.5"), 4080, 480, 1035);
    CHK65_ = checkBox(frame, "CHK65", QStringLiteral("RST 6.5"), 4080, 720, 1035);
    CHK55_ = checkBox(frame, "CHK55", QStringLiteral("RST 5.5"), 4080, 960, 1035);
    CHKEI_ = checkBox(frame, "CHKEI", QStringLiteral("HAB INT"), 4080, 1320, 1035);
    chkSID_ = checkBox(frame, "chkSID", QStringLiteral("SID"), 4080, 1680, 1035);
    ChkSOD_ = checkBox(frame, "ChkSOD", QString(), 4080, 2000, 255);
    ChkSOD_->setEnabled(false);
    label(frame, "lblSOD", QStringLiteral("SOD"), 4380, 2000, 600, 255);

    const std::pair<QCheckBox*, CheckBox> boxes[] = {
        {CHKEI_, CheckBox::CHKEI}, {CHK55_, CheckBox::CHK55}, {CHK65_, CheckBox::CHK65}, {CHK75_, CheckBox::CHK75}};
    for (auto [widget, which] : boxes) {
        connect(widget, &QCheckBox::clicked, this, [this, widget, which = which](bool checked) {
            if (takeFocus(widget)) {
                checkBoxClicked(which, checked);
            } else {
                mirrorCheckBoxes();
            }
        });
    }
    connect(chkSID_, &QCheckBox::clicked, this, [this](bool checked) {
        if (takeFocus(chkSID_)) {
            sim_.chkSID_Click(checked);
        } else {
            chkSID_->setChecked(sim_.m.sid);
        }
    });
}

void Principal::buildControl() {
    auto* frame = new QGroupBox(QStringLiteral("Control"), this);
    frame->setObjectName(QStringLiteral("Frame6"));
    placeTwips(frame, 8760, 480, 1215, 2415);
    Reset_ = button(frame, "Reset", QStringLiteral("&RESET"), 240, 240, 735, nullptr);
    Trap_ = button(frame, "Trap", QStringLiteral("&TRAP"), 240, 480, 735, nullptr);
    Rst55_ = button(frame, "Rst55", QStringLiteral("RST&5.5"), 240, 720, 735, nullptr);
    Rst65_ = button(frame, "Rst65", QStringLiteral("RST&6.5"), 240, 960, 735, nullptr);
    Rst75_ = button(frame, "Rst75", QStringLiteral("RST&7.5"), 240, 1200, 735, nullptr);
    Intr_ = button(frame, "Intr", QStringLiteral("&INTR"), 240, 1440, 735, nullptr);
    const std::pair<QPushButton*, HaltOption> buttons[] = {
        {Reset_, HaltOption::Reset}, {Trap_, HaltOption::Trap},   {Rst55_, HaltOption::Rst55},
        {Rst65_, HaltOption::Rst65}, {Rst75_, HaltOption::Rst75}, {Intr_, HaltOption::Intr}};
    for (auto [widget, option] : buttons) {
        widget->setEnabled(option == HaltOption::Reset);
        connect(widget, &QPushButton::clicked, this, [this, widget, option = option] {
            if (takeFocus(widget)) interruptButton(option);
        });
    }
    label(frame, "lblVector", QStringLiteral("Vector:"), 240, 1770, 900, 255);
    txtVec_ = box(frame, "txtVec", 420, 2040, 375);
}

// Where the fixed-pitch font needs more room than the layout gives, the grid widens inside its frame.
static void fitGrid(GridView* grid, QWidget* frame) {
    const int width = std::min(std::max(grid->width(), grid->fullWidth()), frame->width() - 2 * grid->x());
    grid->resize(width, grid->height());
}

// A grid frame: the grid over its cells, then its address and data boxes below it.
Principal::GridFrame Principal::buildGridFrame(const GridFrameLayout& layout, uint8_t* cells, int rows) {
    auto* frame = new QGroupBox(layout.title, this);
    frame->setObjectName(QString::fromLatin1(layout.frameName));
    placeTwips(frame, 3480, layout.top, 6495, 1815);
    GridFrame parts;
    parts.grid = new GridView(frame);
    parts.grid->setObjectName(QString::fromLatin1(layout.gridName));
    placeTwips(parts.grid, 90, 240, 6255, 1140);
    fitGrid(parts.grid, frame);
    parts.model = new GridModel(cells, rows, parts.grid);
    parts.grid->setGridModel(parts.model);
    const QString suffix = QString::fromLatin1(layout.suffix);
    label(frame, ("lblDir" + suffix).toLatin1().constData(), QStringLiteral("Dirección:"), 120, 1440, 900,
          kBoxHeight)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    parts.address = box(frame, ("txtDir" + suffix).toLatin1().constData(), 1080, 1440, layout.addressWidth);
    const int dataLabelLeft = 1080 + layout.addressWidth + 105;
    label(frame, ("lblDat" + suffix).toLatin1().constData(), QStringLiteral("Dato:"), dataLabelLeft, 1440, 540,
          kBoxHeight)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    parts.data = box(frame, ("txtDat" + suffix).toLatin1().constData(), dataLabelLeft + 600, 1440, 375);
    return parts;
}

void Principal::buildMemory() {
    const GridFrame parts = buildGridFrame({QStringLiteral("Memoria"), "Frame4", "grdmem", "Mem", 2880, 615},
                                           sim_.m.mem.data(), kMemoryRows);
    grdmem_ = parts.grid;
    memModel_ = parts.model;
    txtDirMem_ = parts.address;
    txtDatMem_ = parts.data;
}

void Principal::buildPorts() {
    const GridFrame parts = buildGridFrame({QStringLiteral("Puertos de E/S"), "Frame5", "grdport", "Port", 4680, 375},
                                           sim_.m.ports.data(), kPortRows);
    grdport_ = parts.grid;
    portModel_ = parts.model;
    txtDirPort_ = parts.address;
    txtDatPort_ = parts.data;
}

// ---------------------------------------------------------------------------------------------------
// Start-up

void Principal::Form_Load() {
    // Grid headings, through each grid's format string.
    memModel_->setHeadings(vandor::parseFormatString(vandor::gridFormatString(kMemoryRows, 4)));
    portModel_->setHeadings(vandor::parseFormatString(vandor::gridFormatString(kPortRows, 2)));
    setWindowTitle(vandor::kAppTitle);
    vandor::tabla();
    // llenagrd: the grids read the machine's memory and ports, all 00 in a fresh machine.
    memModel_->refreshAll();
    portModel_->refreshAll();
    connect(grdmem_->selectionModel(), &QItemSelectionModel::currentChanged, this, &Principal::grdmem_SelChange);
    connect(grdport_->selectionModel(), &QItemSelectionModel::currentChanged, this, &Principal::grdport_SelChange);
    grdmem_->setCurrentCell(1, 1);
    grdport_->setCurrentCell(1, 1);
    grdmem_SelChange();
    grdport_SelChange();
    loaded_ = true;
    sim_.views = this;
    sim_.Reset_Click();
}

void Principal::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    about_->setEnabled(bool(onAboutRequested));
}

// ---------------------------------------------------------------------------------------------------
// Views

void Principal::regen() { sim_.regen(); }

void Principal::regenerated() {
    if (deferViews_) {
        viewsDirty_ = true;
        return;
    }
    refreshViews();
}

void Principal::memoryWritten(uint16_t address, uint8_t) { memModel_->cellWritten(address); }
void Principal::portWritten(uint8_t port, uint8_t) { portModel_->cellWritten(port); }

void Principal::flushViews() {
    memModel_->flush();
    portModel_->flush();
    if (!viewsDirty_) return;
    viewsDirty_ = false;
    refreshViews();
}

void Principal::setDeferredViews(bool deferred) {
    if (deferred == deferViews_) return;
    deferViews_ = deferred;
    memModel_->setDeferred(deferred);
    portModel_->setDeferred(deferred);
    if (deferred) {
        paintTimer_.start();
    } else {
        paintTimer_.stop();
        flushViews();
    }
}

// The window side of regen, after the core refreshed the wrap-around cells and set the interrupt
// check boxes (with their actions). Redrawing the program view from its current first line would be
// replaced at once by the listing around PC, so only that listing is made.
void Principal::refreshViews() {
    showRegisters();
    const uint16_t pc = sim_.m.pc;
    dispmemAndSelect(vandor::inidisp(sim_.m, pc), pc);
    mirrorCheckBoxes();
    regenpila();
    updateInterruptButtons();
}

void Principal::showRegisters() {
    const vandor::Machine& m = sim_.m;
    txtA_->showValue(hex(m.a, 2));
    txtB_->showValue(hex(m.b, 2));
    txtC_->showValue(hex(m.c, 2));
    txtD_->showValue(hex(m.d, 2));
    txtE_->showValue(hex(m.e, 2));
    txtF_->showValue(hex(m.f, 2));
    setFlagBoxes(m.f);
    txtH_->showValue(hex(m.h, 2));
    txtL_->showValue(hex(m.l, 2));
    txtM_->showValue(hex(m.byteAtHL(), 2));
    txtBC_->showValue(hex(m.bc, 4));
    txtDE_->showValue(hex(m.de, 4));
    txtHL_->showValue(hex(m.hl, 4));
    txtPC_->showValue(hex(m.pc, 4));
    txtSP_->showValue(hex(m.sp, 4));
}

// The boxes show F's bits; setting them is not a click, so F stays the value it was set from.
void Principal::setFlagBoxes(uint8_t f) {
    for (int bit = 7; bit >= 0; --bit) {
        QCheckBox* c = chkF_[static_cast<size_t>(bit)];
        const bool set = (f >> bit) & 1;
        if (c->isChecked() != set) c->setChecked(set);
    }
}

void Principal::mirrorCheckBoxes() {
    const std::pair<QCheckBox*, CheckBox> boxes[] = {{CHKEI_, CheckBox::CHKEI},
                                                     {CHK55_, CheckBox::CHK55},
                                                     {CHK65_, CheckBox::CHK65},
                                                     {CHK75_, CheckBox::CHK75},
                                                     {ChkSOD_, CheckBox::ChkSOD}};
    for (auto [widget, which] : boxes) {
        const bool shown = sim_.shown(which);
        if (widget->isChecked() != shown) widget->setChecked(shown);
    }
    if (chkSID_->isChecked() != sim_.m.sid) chkSID_->setChecked(sim_.m.sid);
}

void Principal::updateInterruptButtons() {
    const std::pair<QPushButton*, HaltOption> buttons[] = {
        {Trap_, HaltOption::Trap},   {Rst55_, HaltOption::Rst55}, {Rst65_, HaltOption::Rst65},
        {Rst75_, HaltOption::Rst75}, {Intr_, HaltOption::Intr}};
    for (auto [widget, option] : buttons) {
        const bool usable = sim_.usable(option);
        if (widget->isEnabled() != usable) widget->setEnabled(usable);
    }
}

void Principal::regenpila() {
    const std::array<uint16_t, 8> words = vandor::regenpila(sim_.m);
    std::vector<std::string> lines;
    lines.reserve(words.size());
    for (uint16_t w : words) lines.push_back(vandor::hexa(w, 4));
    pilaLines_->setLines(std::move(lines));
}

void Principal::showProgram(const vandor::ProgramLines& lines) {
    prgLines_->setLines(lines);
    prg_->setCurrentLine(lines.selected);
    // A fresh listing starts with its first line in view, as the list is filled anew; the selected
    // line is one of the first few (inidisp starts at most 12 bytes before it), so it is in view too.
    prg_->scrollToTop();
    prg_Click();
}

void Principal::dispmemAndSelect(uint16_t start, long selected) {
    showProgram(vandor::dispmem(sim_.m, start, selected));
}

// ---------------------------------------------------------------------------------------------------
// Editors

void Principal::connectEditors() {
    using M = vandor::Machine;
    M& m = sim_.m;
    connect(txtA_, &HexBox::confirmed, this, [this, &m] { m.a = static_cast<uint8_t>(valueOf(txtA_)); });
    connect(txtB_, &HexBox::confirmed, this, [this, &m] { pairEdited(txtB_, txtC_, txtBC_, m.b, txtB_, &M::bc); });
    connect(txtC_, &HexBox::confirmed, this, [this, &m] { pairEdited(txtB_, txtC_, txtBC_, m.c, txtC_, &M::bc); });
    connect(txtD_, &HexBox::confirmed, this, [this, &m] { pairEdited(txtD_, txtE_, txtDE_, m.d, txtD_, &M::de); });
    connect(txtE_, &HexBox::confirmed, this, [this, &m] { pairEdited(txtD_, txtE_, txtDE_, m.e, txtE_, &M::de); });
    // E rebuilds DE's text as soon as its entry is accepted.
    txtE_->afterAccept = [this] { txtDE_->setText(txtD_->text() + txtE_->text()); };
    connect(txtH_, &HexBox::confirmed, this, [this, &m] {
        pairEdited(txtH_, txtL_, txtHL_, m.h, txtH_, &M::hl);
        showByteAtHL();
    });
    connect(txtL_, &HexBox::confirmed, this, [this, &m] {
        pairEdited(txtH_, txtL_, txtHL_, m.l, txtL_, &M::hl);
        showByteAtHL();
    });
    connect(txtBC_, &HexBox::confirmed, this, [this, &m] {
        pairSplit(txtBC_, txtB_, txtC_);
        m.b = static_cast<uint8_t>(valueOf(txtB_));
        m.c = static_cast<uint8_t>(valueOf(txtC_));
        m.bc = static_cast<uint16_t>(valueOf(txtBC_));
    });
    connect(txtDE_, &HexBox::confirmed, this, [this, &m] {
        pairSplit(txtDE_, txtD_, txtE_);
        m.d = static_cast<uint8_t>(valueOf(txtD_));
        m.e = static_cast<uint8_t>(valueOf(txtE_));
        m.de = static_cast<uint16_t>(valueOf(txtDE_));
    });
    connect(txtHL_, &HexBox::confirmed, this, [this, &m] {
        pairSplit(txtHL_, txtH_, txtL_);
        m.h = static_cast<uint8_t>(valueOf(txtH_));
        m.l = static_cast<uint8_t>(valueOf(txtL_));
        m.hl = static_cast<uint16_t>(valueOf(txtHL_));
        showByteAtHL();
    });
    connect(txtM_, &HexBox::confirmed, this, [this, &m] {
        m.savmem(static_cast<uint16_t>(valueOf(txtHL_)), static_cast<uint8_t>(valueOf(txtM_)));
        regen();
    });
    connect(txtF_, &HexBox::confirmed, this, [this, &m] {
        m.f = static_cast<uint8_t>(valueOf(txtF_));
        setFlagBoxes(m.f);
    });
    connect(txtPC_, &HexBox::confirmed, this, [this, &m] {
        m.pc = static_cast<uint16_t>(valueOf(txtPC_));
        dispmemAndSelect(vandor::inidisp(m, m.pc), m.pc);
    });
    connect(txtSP_, &HexBox::confirmed, this, [this, &m] {
        m.sp = static_cast<uint16_t>(valueOf(txtSP_));
        regenpila();
    });

    connect(txtDirMem_, &HexBox::confirmed, this, [this] { moveGridTo(grdmem_, valueOf(txtDirMem_), true); });
    connect(txtDatMem_, &HexBox::confirmed, this, [this, &m] {
        const int address = valueOf(txtDirMem_);
        m.savmem(static_cast<uint16_t>(address), static_cast<uint8_t>(valueOf(txtDatMem_)));
        moveGridTo(grdmem_, address, false);
        regen();
    });
    connect(txtDirPort_, &HexBox::confirmed, this, [this] { moveGridTo(grdport_, valueOf(txtDirPort_), true); });
    connect(txtDatPort_, &HexBox::confirmed, this, [this, &m] {
        const int port = valueOf(txtDirPort_);
        m.savport(static_cast<uint8_t>(port), static_cast<uint8_t>(valueOf(txtDatPort_)));
        moveGridTo(grdport_, port, false);
    });

    connect(txtDIR_, &HexBox::confirmed, this, [this, &m] {
        const uint16_t a = static_cast<uint16_t>(valueOf(txtDIR_));
        dispmemAndSelect(vandor::inidisp(m, a), a);
    });
    connect(INSCO_, &HexBox::confirmed, this, [this] { entryByteConfirmed(INSCO_, 0); });
    connect(INSOP1_, &HexBox::confirmed, this, [this] { entryByteConfirmed(INSOP1_, 1); });
    connect(INSOP2_, &HexBox::confirmed, this, [this] { entryByteConfirmed(INSOP2_, 2); });
    connect(txtVec_, &HexBox::confirmed, this,
            [this] { sim_.setVector(static_cast<uint8_t>(valueOf(txtVec_) & 0xFF)); });

    connect(prg_->selectionModel(), &QItemSelectionModel::currentChanged, this, &Principal::prg_Click);
    connect(prg_, &QAbstractItemView::clicked, this, &Principal::prg_Click);
    connect(prg_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { prg_DblClick(index.row()); });
    prg_->upAtFirstLine = [this] { return prgUpAtFirstLine(); };
    prg_->downAtLastLine = [this] { return prgDownAtLastLine(); };
    prg_->enterPressed = [this] { dialogs_.beep(); };
    prg_->scrollUsed = [this] { prgScroll(); };
}

// txtB, txtC (and D/E, H/L): the pair's text from the two halves, the edited register and the pair from
// their boxes.
void Principal::pairEdited(HexBox* high, HexBox* low, HexBox* pair, uint8_t& single, HexBox* edited,
                           uint16_t vandor::Machine::*pairValue) {
    pair->setText(high->text() + low->text());
    single = static_cast<uint8_t>(valueOf(edited));
    sim_.m.*pairValue = static_cast<uint16_t>(valueOf(pair));
}

void Principal::pairSplit(HexBox* pair, HexBox* high, HexBox* low) {
    high->setText(pair->text().left(2));
    low->setText(pair->text().right(2));
}

void Principal::showByteAtHL() { txtM_->setText(hex(sim_.m.mem[sim_.m.hl], 2)); }

void Principal::chkF_Click() {
    int n = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (chkF_[static_cast<size_t>(bit)]->isChecked()) n |= 1 << bit;
    txtF_->setText(hex(n, 2));
    sim_.m.f = static_cast<uint8_t>(valueOf(txtF_));
}

void Principal::grdmem_SelChange() {
    const QModelIndex cell = grdmem_->currentIndex();
    if (!cell.isValid()) return;
    const int address = cell.row() * 16 + cell.column();
    txtDirMem_->showValue(hex(address, 4));
    txtDatMem_->showValue(memModel_->cellText(address));
}

void Principal::grdport_SelChange() {
    const QModelIndex cell = grdport_->currentIndex();
    if (!cell.isValid()) return;
    const int port = cell.row() * 16 + cell.column();
    txtDirPort_->showValue(hex(port, 2));
    txtDatPort_->showValue(portModel_->cellText(port));
}

// The grid's current cell moves to the address; with `scroll` the row before it stays in view on top.
void Principal::moveGridTo(GridView* grid, int address, bool scroll) {
    const int row = address / 16 + 1;
    grid->setCurrentCell(row, address % 16 + 1);
    if (scroll) grid->setTopRow(row >= 2 ? row - 1 : 1);
    // The boxes show the current cell even when it was already there.
    if (grid == grdmem_) {
        grdmem_SelChange();
    } else {
        grdport_SelChange();
    }
}

// A line selected: its address and bytes go to the entry row, its text to INS.
void Principal::prg_Click() {
    const int row = prg_->currentLine();
    if (row < 0 || row >= prgLines_->size()) return;
    const std::string& line = prgLines_->line(row);
    auto field = [&line](size_t from, size_t length) {
        return from < line.size() ? QString::fromLatin1(line.substr(from, length)).trimmed() : QString();
    };
    txtDIR_->showValue(field(0, 4));
    INSCO_->showValue(field(5, 2));
    INSOP1_->showValue(field(8, 2));
    INSOP2_->showValue(field(11, 2));
    INS_->setText(line.size() > 14 ? QString::fromLatin1(line.substr(14)) : QString());
}

void Principal::prg_DblClick(int row) {
    if (row < 0 || row >= prgLines_->size()) return;
    const uint16_t top = prgLines_->address(0);
    const uint16_t a = prgLines_->address(row);
    sim_.m.breakpoints[a] = sim_.m.breakpoints[a] ? 0 : 1;
    const int firstShown = prg_->verticalScrollBar()->value();
    const vandor::ProgramLines lines = vandor::dispmem(sim_.m, top, a);
    prgLines_->setLines(lines);
    prg_->setCurrentLine(lines.selected);
    // The list keeps its place: only the mark changes.
    prg_->verticalScrollBar()->setValue(firstShown);
    prg_Click();
}

bool Principal::prgUpAtFirstLine() {
    const uint16_t first = prgLines_->address(0);
    if (first == 0) return false;
    const vandor::ProgramLines lines = vandor::dispmem(sim_.m, static_cast<uint16_t>(first - 1), -1);
    prgLines_->setLines(lines);
    prg_->setCurrentLine(0);
    prg_->scrollToTop();
    prg_Click();
    return true;
}

// The line after the last one, if it starts before the end of memory: appended, the first removed.
bool Principal::prgDownAtLastLine() {
    const int last = prgLines_->size() - 1;
    int length = 1;
    vandor::desensambla(sim_.m, prgLines_->address(last), &length);
    const long next = long(prgLines_->address(last)) + length;
    if (next >= 0x10000) return false;
    std::vector<std::string> lines(prgLines_->lines().begin() + 1, prgLines_->lines().end());
    std::vector<uint16_t> addresses(prgLines_->addresses().begin() + 1, prgLines_->addresses().end());
    lines.push_back(vandor::linea(sim_.m, static_cast<uint16_t>(next)));
    addresses.push_back(static_cast<uint16_t>(next));
    prgLines_->setLines(std::move(lines), std::move(addresses));
    prg_->setCurrentLine(prgLines_->size() - 1);
    prg_->scrollToBottom();
    prg_Click();
    return true;
}

// The scroll bar used while the first or the last line is selected moves the listing itself.
void Principal::prgScroll() {
    const int row = prg_->currentLine();
    const int count = prgLines_->size();
    if (count == 0 || row < 0) return;
    if (row == 0 && prgLines_->address(0) != 0) {
        uint16_t a = prgLines_->address(0);
        int length = 0;
        do {
            --a;
            vandor::desensambla(sim_.m, a, &length);
        } while (length != 1 && a != 0);
        const vandor::ProgramLines lines = vandor::dispmem(sim_.m, a, -1);
        prgLines_->setLines(lines);
        prg_->setCurrentLine(0);
        prg_->scrollToTop();
        prg_Click();
    } else if (row == count - 1) {
        prgDownAtLastLine();
    }
}

// INSCO, INSOP1, INSOP2: the byte stored at the line's address (+1, +2), the view listed again in place.
// The entry row's address may be FFFE or FFFF: the operand then lands at 0000 or 0001, where memory wraps.
void Principal::entryByteConfirmed(HexBox* boxEdited, int offset) {
    if (boxEdited->isBlank()) return;
    const uint16_t address = static_cast<uint16_t>(valueOf(txtDIR_) + offset);
    sim_.m.savmem(address, static_cast<uint8_t>(valueOf(boxEdited)));
    const int row = prg_->currentLine();
    const uint16_t top = prgLines_->size() > 0 ? prgLines_->address(0) : 0;
    const long selected = row >= 0 ? long(prgLines_->address(row)) : -1;
    const int firstShown = prg_->verticalScrollBar()->value();
    const vandor::ProgramLines lines = vandor::dispmem(sim_.m, top, selected);
    prgLines_->setLines(lines);
    prg_->setCurrentLine(lines.selected);
    prg_->verticalScrollBar()->setValue(firstShown);
    prg_Click();
}

// ---------------------------------------------------------------------------------------------------
// Interrupts

void Principal::interruptButton(HaltOption option) {
    if (option == HaltOption::Intr) sim_.setVector(static_cast<uint8_t>(valueOf(txtVec_) & 0xFF));
    sim_.press(option);
    updateInterruptButtons();
}

void Principal::checkBoxClicked(CheckBox which, bool checked) {
    sim_.setShown(which, checked);
    // The action may have taken RST 7.5 (and refreshed everything); the boxes and buttons follow the
    // state either way.
    mirrorCheckBoxes();
    updateInterruptButtons();
}

vandor::HaltChoice Principal::chooseHaltExit(bool runInProgress) {
    // The dialog stands over views that show the state of the HLT.
    const bool deferred = deferViews_;
    setDeferredViews(false);
    vandor::HaltChoice choice;
    if (haltDialog_) {
        choice = haltDialog_->chooseHaltExit(runInProgress);
    } else {
        choice.leaveHalted = true;
    }
    setDeferredViews(deferred);
    return choice;
}

// ---------------------------------------------------------------------------------------------------
// Commands

bool Principal::takeFocus(QWidget* target) {
    auto* entry = qobject_cast<HexBox*>(QApplication::focusWidget());
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
    try {
        LoadMessages messages(dialogs_, this);
        const bool loaded = vandor::carga(sim_.m, QFile::encodeName(path).toStdString(), messages);
        regen();
        if (loaded) dialogs_.message(this, QStringLiteral("Carga correcta"));
    } catch (const std::exception&) {
        dialogs_.message(this, QStringLiteral("Fichero incorrecto"));
    }
}

void Principal::Editar_Click() { ::Editar_Click(this, dialogs_); }

void Principal::Ensamblar_Click() { ::Ensamblar_Click(this, dialogs_); }

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

void Principal::updateRunControls() {
    const bool running = sim_.running();
    Ejecutar_->setText(running ? QStringLiteral("&Parar") : QStringLiteral("E&jecutar"));
    Eje_paso_->setEnabled(!running);
}

void Principal::Eje_paso_Click() {
    if (sim_.running()) return;
    sim_.step();
    if (trace_) trace_->traceChanged();
}

void Principal::Ejecutar_Click() {
    if (sim_.running()) {
        sim_.stopRun();
        updateRunControls();
        return;
    }
    sim_.startRun();
    updateRunControls();
    // Started again from inside the loop of a run that was stopped a moment ago: that loop goes on.
    if (runLoopActive_) return;

    runLoopActive_ = true;
    setDeferredViews(true);
    qApp->installEventFilter(this);
    StopReason why = StopReason::Steps;
    while (sim_.running()) {
        why = sim_.run(1);
        if (trace_) trace_->traceChanged();
        if (why != StopReason::Steps) break;
        QCoreApplication::processEvents();
    }
    qApp->removeEventFilter(this);
    setDeferredViews(false);
    runLoopActive_ = false;
    updateRunControls();
    if (why == StopReason::TraceFull) dialogs_.message(this, kTraceFullMessage);
}

// During a run, the views catch up before the user's input is handled, so that what the user acts on
// is the machine as it is now.
bool Principal::eventFilter(QObject* watched, QEvent* event) {
    if (viewsDirty_) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::FocusIn: flushViews(); break;
        default: break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Form_QueryUnload: the close itself is always refused; the program ends through the splash window.
void Principal::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (sim_.running()) return;
    if (trace_) trace_->hide();
    if (!editorAllowsClose(this, dialogs_)) return;
    hide();
    if (onCloseRequested) {
        onCloseRequested();
    } else {
        QCoreApplication::quit();
    }
}
