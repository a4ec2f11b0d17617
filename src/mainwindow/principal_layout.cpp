// Principal's layout: every control where its twips put it, named after its control name.
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <algorithm>
#include <tuple>

#include "mainwindow/grid_models.h"
#include "mainwindow/principal.h"
#include "mainwindow/program_view.h"
#include "widgets/hexbox.h"
#include "widgets/twips.h"

using vandor::CheckBox;
using vandor::GridModel;
using vandor::GridView;
using vandor::HaltOption;
using vandor::HexBox;
using vandor::placeTwips;

namespace {

constexpr int kBoxHeight = 285;
constexpr int kButtonHeight = 255;

}  // namespace

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
Principal::GridFrame Principal::buildGridFrame(const GridFrameLayout& layout, const uint8_t* cells, int rows) {
    auto* frame = new QGroupBox(layout.title, this);
    frame->setObjectName(QString::fromLatin1(layout.frameName));
    placeTwips(frame, 3480, layout.top, 6495, 1815);
    auto* grid = new GridView(frame);
    grid->setObjectName(QString::fromLatin1(layout.gridName));
    placeTwips(grid, 90, 240, 6255, 1140);
    fitGrid(grid, frame);
    auto* model = new GridModel(cells, rows, grid);
    grid->setGridModel(model);
    const QString suffix = QString::fromLatin1(layout.suffix);
    label(frame, ("lblDir" + suffix).toLatin1().constData(), QStringLiteral("Dirección:"), 120, 1440, 900,
          kBoxHeight)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    HexBox* address = box(frame, ("txtDir" + suffix).toLatin1().constData(), 1080, 1440, layout.addressWidth);
    const int dataLabelLeft = 1080 + layout.addressWidth + 105;
    label(frame, ("lblDat" + suffix).toLatin1().constData(), QStringLiteral("Dato:"), dataLabelLeft, 1440, 540,
          kBoxHeight)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    HexBox* data = box(frame, ("txtDat" + suffix).toLatin1().constData(), dataLabelLeft + 600, 1440, 375);
    return {grid, model, address, data};
}

void Principal::buildMemory() {
    std::tie(grdmem_, memModel_, txtDirMem_, txtDatMem_) = buildGridFrame(
        {QStringLiteral("Memoria"), "Frame4", "grdmem", "Mem", 2880, 615}, sim_.m.mem.data(), kMemoryRows);
}

void Principal::buildPorts() {
    std::tie(grdport_, portModel_, txtDirPort_, txtDatPort_) = buildGridFrame(
        {QStringLiteral("Puertos de E/S"), "Frame5", "grdport", "Port", 4680, 375}, sim_.m.ports.data(), kPortRows);
}
