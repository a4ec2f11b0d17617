// Principal's layout: every control where its twips put it, named after its control name and described
// for screen readers, in one table per frame. The window's room beyond its default size is shared out
// by relayout(): across, to the memory and port frames when that lets the memory grid show its text
// column whole, the rest to the program list; down, a little to the register and control frames (more
// stack words), a third of the rest to the port grid until it shows all its rows, the rest to the memory
// grid. A new control is one line in its frame's table (and one in buildTabOrder).
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStyle>
#include <algorithm>
#include <tuple>

#include "mainwindow/grid_models.h"
#include "mainwindow/principal.h"
#include "mainwindow/program_view.h"
#include "widgets/dialogs.h"
#include "widgets/compact_lines.h"
#include "widgets/frame.h"
#include "widgets/hexbox.h"
#include "widgets/twips.h"
#include "widgets/zoom.h"

using vandor::CheckBox;
using vandor::GridModel;
using vandor::GridView;
using vandor::HaltOption;
using vandor::HexBox;
using vandor::Zoom;

namespace {

constexpr int kBoxHeight = 285;
constexpr int kButtonHeight = 255;
// The debugger's column right of the Control frame, and the message line under everything.
constexpr int kDebugLeft = 10080;
constexpr int kDebugWidth = 1815;
constexpr int kMessageTop = 6540;
constexpr int kMessageHeight = 480;
// The window's default size in twips.
// The row of the speed choice and the devices window's button, under the message line.
constexpr int kBottomTop = Principal::kBottomRowTop;
static_assert(kBottomTop >= kMessageTop + kMessageHeight);
constexpr int kWindowWidth = kDebugLeft + kDebugWidth + 105;
constexpr int kWindowHeight = kBottomTop + kBoxHeight + 60;

// Bands across: the program list's room, the grid frames' room. Bands down: the register and control
// frames' room, the memory grid's, the port grid's.
constexpr uint8_t kList = 1 << 0;
constexpr uint8_t kGrid = 1 << 1;
constexpr uint8_t kTop = 1 << 0;
constexpr uint8_t kMem = 1 << 1;
constexpr uint8_t kPort = 1 << 2;

// The stack list grows by at most this many words with the window.
constexpr int kExtraStackWords = 8;

QRect tw(int left, int top, int width, int height) { return QRect(left, top, width, height); }

}  // namespace

void Principal::speak(QWidget* control, const Spoken& spoken) {
    control->setAccessibleName(spoken.name);
    control->setAccessibleDescription(spoken.description);
}

QGroupBox* Principal::frame(const char* name, const QString& title, const QRect& twips, Growth growth) {
    auto* f = new vandor::Frame(title, canvas_);
    f->setObjectName(QString::fromLatin1(name));
    layout_.place(f, twips, growth);
    return f;
}

HexBox* Principal::box(QWidget* parent, const char* name, const QRect& twips, const Spoken& spoken, Growth growth) {
    auto* b = new HexBox(dialogs_, parent, twips.width());
    b->setObjectName(QString::fromLatin1(name));
    layout_.place(b, twips, growth);
    speak(b, spoken);
    connect(b, &HexBox::leaving, this, &Principal::flushViews);
    return b;
}

QLabel* Principal::label(QWidget* parent, const char* name, const QString& text, const QRect& twips, Growth growth) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    layout_.place(l, twips, growth);
    return l;
}

QPushButton* Principal::button(QWidget* parent, const char* name, const QString& caption, const QRect& twips,
                               const Spoken& spoken, void (Principal::*action)(), Growth growth) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    layout_.place(b, twips, growth);
    speak(b, spoken);
    b->setAutoDefault(false);
    if (action) {
        connect(b, &QPushButton::clicked, this, [this, b, action] {
            if (takeFocus(b)) (this->*action)();
        });
    }
    return b;
}

QCheckBox* Principal::checkBox(QWidget* parent, const char* name, const QString& caption, const QRect& twips,
                               const Spoken& spoken) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QString::fromLatin1(name));
    layout_.place(c, twips);
    speak(c, spoken);
    return c;
}

void Principal::buildCommandRow() {
    struct Command {
        QPushButton** target;
        const char* name;
        const char* caption;
        int left, width;
        void (Principal::*action)();
        const char* spokenName;
        const char* description;
        uint8_t moveX;  // the buttons over the Control frame stay at the window's right edge
    };
    const Command commands[] = {
        {&CargarHEX_, "CargarHEX", "&Cargar", 3480, 855, &Principal::CargarHEX_Click, "Cargar",
         "Carga en la memoria un fichero objeto .HEX (Alt+C)", kList},
        {&Editar_, "Editar", "&Editar", 4440, 735, &Principal::Editar_Click, "Editar",
         "Abre un fichero fuente .ASM en el editor (Alt+E)", kList},
        {&Ensamblar_, "Ensamblar", "E&nsam", 5280, 735, &Principal::Ensamblar_Click, "Ensamblar",
         "Ensambla un fichero fuente .ASM y escribe los ficheros .HEX y .LST (Alt+N)", kList},
        {&about_, "about", "&Acerca", 6120, 735, &Principal::about_Click, "Acerca de",
         "Muestra la versión del programa (Alt+A)", kList},
        {&listains_, "listains", "&Lista", 7560, 735, &Principal::listains_Click, "Lista de pasos",
         "Muestra la lista de los pasos ejecutados (Alt+L)", kList | kGrid},
        {&Ejecutar_, "Ejecutar", "E&jecutar", 8400, 735, &Principal::Ejecutar_Click, "Ejecutar",
         "Ejecuta el programa sin parar (Alt+J); mientras se ejecuta, el botón Parar (Alt+P) lo detiene",
         kList | kGrid},
        {&Eje_paso_, "Eje_paso", "&Paso", 9240, 735, &Principal::Eje_paso_Click, "Paso",
         "Ejecuta una instrucción (Alt+P)", kList | kGrid},
        {&PasoAtras_, "PasoAtras", "Paso atrá&s", kDebugLeft, kDebugWidth, &Principal::PasoAtras_Click, "Paso atrás",
         "Deshace el último paso ejecutado y lo que se hizo después de él (Alt+S)", kList | kGrid},
    };
    for (const Command& c : commands) {
        *c.target = button(canvas_, c.name, QString::fromUtf8(c.caption), tw(c.left, 120, c.width, kButtonHeight),
                           {QString::fromUtf8(c.spokenName), QString::fromUtf8(c.description)}, c.action,
                           {.moveX = c.moveX});
    }
    about_->setToolTip(QStringLiteral("Acerca de."));
    about_->setEnabled(false);  // until the about box is connected
}

void Principal::buildEntryRow() {
    // The frame and the mnemonic reach a little further right than the layout's 3255 and 1095 twips, up
    // to the command row: the longest instruction ("LXI SP,F000") needs that room in a fixed font.
    entryFrame_ = frame("FrameEntrada", QString(), tw(120, 0, 3330, 615), {});
    speak(entryFrame_, {QStringLiteral("Edición de la línea"),
                        QStringLiteral("Dirección, bytes e instrucción de la línea seleccionada del programa")});
    txtDIR_ = box(entryFrame_, "txtDIR", tw(120, 240, 615, kBoxHeight),
                  {QStringLiteral("Dirección de la línea"),
                   QStringLiteral("Cuatro cifras hexadecimales: el programa se muestra desde esa dirección")});
    INSCO_ = box(entryFrame_, "INSCO", tw(840, 240, 375, kBoxHeight),
                 {QStringLiteral("Código de operación"),
                  QStringLiteral("Primer byte de la instrucción, que se guarda en la dirección de la línea")});
    INSOP1_ = box(entryFrame_, "INSOP1", tw(1200, 240, 375, kBoxHeight),
                  {QStringLiteral("Primer operando"),
                   QStringLiteral("Segundo byte de la instrucción; vacío si la instrucción no lo tiene")});
    INSOP2_ = box(entryFrame_, "INSOP2", tw(1560, 240, 375, kBoxHeight),
                  {QStringLiteral("Segundo operando"),
                   QStringLiteral("Tercer byte de la instrucción; vacío si la instrucción no lo tiene")});
    for (HexBox* b : {INSCO_, INSOP1_, INSOP2_}) b->setEmptyAllowed(true);
    INS_ = label(entryFrame_, "INS", QString(), tw(1980, 240, 1320, kBoxHeight));
    speak(INS_, {QStringLiteral("Instrucción"), QStringLiteral("La instrucción de la línea seleccionada")});

    prg_ = new vandor::ProgramView(canvas_);
    prg_->setObjectName(QStringLiteral("prg"));
    layout_.place(prg_, tw(120, 720, 3255, 5715), {.growX = kList, .growY = kTop | kMem | kPort});
    speak(prg_, {QStringLiteral("Programa"),
                 QStringLiteral("Las instrucciones de la memoria; la línea seleccionada es la del contador de "
                                "programa. Doble clic o F9 pone o quita un punto de parada")});
    prgLines_ = new vandor::LinesModel(prg_);
    prg_->setModel(prgLines_);
}

void Principal::buildRegisters() {
    Frame1_ = frame("Frame1", QStringLiteral("Registros"), tw(3480, 480, 5175, 2415),
                    {.moveX = kList, .growX = kGrid, .growY = kTop});

    struct Place {
        HexBox** target;
        const char* name;
        const char* caption;
        int left, top, width;
        const char* spokenName;
        const char* description;
    };
    const Place places[] = {
        {&txtA_, "txtA", "A", 480, 240, 375, "Registro A", "El acumulador"},
        {&txtF_, "txtF", "F", 480, 600, 375, "Registro F", "Los indicadores: S, Z, A, P y C"},
        {&txtB_, "txtB", "B", 480, 960, 375, "Registro B", "Byte alto del par BC"},
        {&txtC_, "txtC", "C", 480, 1320, 375, "Registro C", "Byte bajo del par BC"},
        {&txtD_, "txtD", "D", 1560, 960, 375, "Registro D", "Byte alto del par DE"},
        {&txtE_, "txtE", "E", 1560, 1320, 375, "Registro E", "Byte bajo del par DE"},
        {&txtH_, "txtH", "H", 2640, 960, 375, "Registro H", "Byte alto del par HL"},
        {&txtL_, "txtL", "L", 2640, 1320, 375, "Registro L", "Byte bajo del par HL"},
        {&txtBC_, "txtBC", "BC", 480, 1680, 615, "Par BC", "Los registros B y C juntos"},
        {&txtDE_, "txtDE", "DE", 1560, 1680, 615, "Par DE", "Los registros D y E juntos"},
        {&txtHL_, "txtHL", "HL", 2640, 1680, 615, "Par HL", "Los registros H y L juntos: la dirección de M"},
        {&txtPC_, "txtPC", "PC", 480, 2040, 615, "Contador de programa PC",
         "La dirección de la próxima instrucción"},
        {&txtSP_, "txtSP", "SP", 1560, 2040, 615, "Puntero de pila SP", "La dirección de la cima de la pila"},
        {&txtM_, "txtM", "M", 2640, 2040, 375, "Memoria M", "El byte de la memoria en la dirección HL"},
    };
    for (const Place& p : places) {
        QLabel* l = label(Frame1_, QByteArray("lbl").append(p.caption).constData(), QString::fromLatin1(p.caption),
                          tw(p.left - 390, p.top, 360, kBoxHeight));
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        const QString digits = p.width > 375 ? QStringLiteral("cuatro") : QStringLiteral("dos");
        *p.target = box(Frame1_, p.name, tw(p.left, p.top, p.width, kBoxHeight),
                        {QString::fromUtf8(p.spokenName),
                         QString::fromUtf8(p.description) + QStringLiteral(", en %1 cifras hexadecimales").arg(digits)});
        l->setBuddy(*p.target);
    }

    // Flag boxes, bit 7 on the left.
    struct Flag {
        const char* caption;
        const char* spokenName;
    };
    const Flag flags[8] = {{"C", "Indicador C, acarreo"},
                           {"", "Bit 1 de F, sin indicador"},
                           {"P", "Indicador P, paridad"},
                           {"", "Bit 3 de F, sin indicador"},
                           {"A", "Indicador A, acarreo auxiliar"},
                           {"", "Bit 5 de F, sin indicador"},
                           {"Z", "Indicador Z, cero"},
                           {"S", "Indicador S, signo"}};
    for (int bit = 7; bit >= 0; --bit) {
        const int left = 1200 + (7 - bit) * 240;
        QLabel* l = label(Frame1_, QByteArray("lblF").append(QByteArray::number(bit)).constData(),
                          QString::fromLatin1(flags[bit].caption), tw(left, 360, 255, 240));
        l->setAlignment(Qt::AlignCenter);
        flagLabels_.push_back(l);
        auto* c = new QCheckBox(Frame1_);
        c->setObjectName(QStringLiteral("chkF%1").arg(bit));
        layout_.place(c, tw(left, 600, 255, 255));
        speak(c, {QString::fromUtf8(flags[bit].spokenName),
                  QStringLiteral("Bit %1 del registro F: marcado vale 1").arg(bit)});
        chkF_[static_cast<size_t>(bit)] = c;
        connect(c, &QCheckBox::clicked, this, [this, c] {
            if (takeFocus(c)) chkF_Click();
        });
    }

    label(Frame1_, "lblPILA", QStringLiteral("PILA"), tw(3360, 360, 615, 240))->setAlignment(Qt::AlignCenter);
    pila_ = new QListView(Frame1_);
    pila_->setObjectName(QStringLiteral("pila"));
    pila_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    pila_->setSelectionMode(QAbstractItemView::NoSelection);
    pila_->setUniformItemSizes(true);
    pila_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pila_->setItemDelegate(new vandor::CompactLineDelegate(pila_));
    pila_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pilaLines_ = new vandor::LinesModel(pila_);
    pilaLines_->accessibleText = [this](int row) {
        return QStringLiteral("Pila %1, en %2: %3")
            .arg(row + 1)
            .arg(vandor::hexText(vandor::stackAddress(sim_.m, row), 4), QString::fromLatin1(pilaLines_->line(row)));
    };
    pila_->setModel(pilaLines_);
    layout_.place(pila_, tw(3360, 600, 615, 1620), {.growY = kTop});
    speak(pila_, {QStringLiteral("Pila"),
                  QStringLiteral("Las palabras de 16 bits desde SP; la primera es la cima de la pila")});

    label(Frame1_, "lblMASC", QStringLiteral("R. MASC."), tw(4080, 240, 1035, 240));
    CHK75_ = checkBox(Frame1_, "CHK75", QStringLiteral("RST 7.5"), tw(4080, 480, 1035, 255),
                      {QStringLiteral("Máscara de RST 7.5"), QStringLiteral("Marcada: RST 7.5 está enmascarada")});
    CHK65_ = checkBox(Frame1_, "CHK65", QStringLiteral("RST 6.5"), tw(4080, 720, 1035, 255),
                      {QStringLiteral("Máscara de RST 6.5"), QStringLiteral("Marcada: RST 6.5 está enmascarada")});
    CHK55_ = checkBox(Frame1_, "CHK55", QStringLiteral("RST 5.5"), tw(4080, 960, 1035, 255),
                      {QStringLiteral("Máscara de RST 5.5"), QStringLiteral("Marcada: RST 5.5 está enmascarada")});
    CHKEI_ = checkBox(Frame1_, "CHKEI", QStringLiteral("HAB INT"), tw(4080, 1320, 1035, 255),
                      {QStringLiteral("Habilitación de interrupciones"),
                       QStringLiteral("Marcada: las interrupciones están habilitadas")});
    chkSID_ = checkBox(Frame1_, "chkSID", QStringLiteral("SID"), tw(4080, 1680, 1035, 255),
                       {QStringLiteral("Línea SID"), QStringLiteral("La entrada serie que lee la instrucción RIM")});
    ChkSOD_ = checkBox(Frame1_, "ChkSOD", QString(), tw(4080, 2000, 255, 255),
                       {QStringLiteral("Línea SOD"), QStringLiteral("La salida serie que fija la instrucción SIM")});
    ChkSOD_->setEnabled(false);
    label(Frame1_, "lblSOD", QStringLiteral("SOD"), tw(4380, 2000, 600, 255));

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
    Frame6_ = frame("Frame6", QStringLiteral("Control"), tw(8760, 480, 1215, 2415),
                    {.moveX = kList | kGrid, .growY = kTop});
    struct Button {
        QPushButton** target;
        const char* name;
        const char* caption;
        HaltOption option;
        const char* spokenName;
        const char* description;
    };
    const Button buttons[] = {
        {&Reset_, "Reset", "&RESET", HaltOption::Reset, "RESET", "Reinicia el procesador (Alt+R)"},
        {&Trap_, "Trap", "&TRAP", HaltOption::Trap, "TRAP", "Interrupción TRAP (Alt+T)"},
        {&Rst55_, "Rst55", "RST&5.5", HaltOption::Rst55, "RST 5.5", "Interrupción RST 5.5 (Alt+5)"},
        {&Rst65_, "Rst65", "RST&6.5", HaltOption::Rst65, "RST 6.5", "Interrupción RST 6.5 (Alt+6)"},
        {&Rst75_, "Rst75", "RST&7.5", HaltOption::Rst75, "RST 7.5", "Interrupción RST 7.5 (Alt+7)"},
        {&Intr_, "Intr", "&INTR", HaltOption::Intr, "INTR",
         "Interrupción INTR: ejecuta el byte del campo Vector (Alt+I)"},
    };
    int top = 240;
    for (const Button& b : buttons) {
        QPushButton* widget = button(Frame6_, b.name, QString::fromLatin1(b.caption), tw(240, top, 735, kButtonHeight),
                                     {QString::fromUtf8(b.spokenName), QString::fromUtf8(b.description)}, nullptr);
        *b.target = widget;
        widget->setEnabled(b.option == HaltOption::Reset);
        connect(widget, &QPushButton::clicked, this, [this, widget, option = b.option] {
            if (takeFocus(widget)) interruptButton(option);
        });
        top += 240;
    }
    label(Frame6_, "lblVector", QStringLiteral("Vector:"), tw(240, 1770, 900, 255));
    txtVec_ = box(Frame6_, "txtVec", tw(420, 2040, 375, kBoxHeight),
                  {QStringLiteral("Vector"), QStringLiteral("El byte que ejecuta INTR, en dos cifras hexadecimales")});
}

// A grid frame: the grid over its cells, then its address and data boxes below it.
Principal::GridFrame Principal::buildGridFrame(const GridFrameLayout& layout, const uint8_t* cells, int rows) {
    QGroupBox* f = frame(layout.frameName, layout.title, tw(3480, layout.top, 6495, 1815), layout.frameGrowth);
    auto* grid = new GridView(f);
    grid->setObjectName(QString::fromLatin1(layout.gridName));
    const bool isMemory = rows > 16;
    // Only the memory grid has a text column to show in the frame's extra width.
    layout_.place(grid, tw(90, 240, 6255, 1140), {.growX = isMemory ? kGrid : uint8_t(0), .growY = layout.band});
    auto* model = new GridModel(cells, rows, isMemory ? GridModel::Text::Shown : GridModel::Text::None, grid);
    model->setAccessibleNoun(layout.noun);
    grid->setGridModel(model);
    speak(grid, {layout.title, isMemory ? QStringLiteral("16 bytes por fila; escriba dos cifras hexadecimales para "
                                                         "cambiar el byte seleccionado y pasar al siguiente")
                                        : QStringLiteral("16 puertos por fila; escriba dos cifras hexadecimales para "
                                                         "cambiar el puerto seleccionado y pasar al siguiente")});
    grid->beep = [this] { dialogs_.beep(); };

    const QString suffix = QString::fromLatin1(layout.suffix);
    const Growth below = {.moveY = layout.band};
    const QString noun = layout.noun.toLower();
    label(f, ("lblDir" + suffix).toLatin1().constData(), QStringLiteral("Dirección:"), tw(120, 1440, 900, kBoxHeight),
          below)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    HexBox* address = box(f, ("txtDir" + suffix).toLatin1().constData(), tw(1080, 1440, layout.addressWidth, kBoxHeight),
                          {QStringLiteral("Dirección de %1").arg(noun),
                           QStringLiteral("El byte seleccionado en la tabla; escriba una dirección para ir a ella")},
                          below);
    const int dataLabelLeft = 1080 + layout.addressWidth + 105;
    label(f, ("lblDat" + suffix).toLatin1().constData(), QStringLiteral("Dato:"), tw(dataLabelLeft, 1440, 540, kBoxHeight),
          below)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    HexBox* data = box(f, ("txtDat" + suffix).toLatin1().constData(), tw(dataLabelLeft + 600, 1440, 375, kBoxHeight),
                       {QStringLiteral("Dato de %1").arg(noun),
                        QStringLiteral("El byte de esa dirección; escriba otro valor para guardarlo")},
                       below);
    return {f, grid, model, address, data};
}

void Principal::buildMemory() {
    std::tie(Frame4_, grdmem_, memModel_, txtDirMem_, txtDatMem_) = buildGridFrame(
        {QStringLiteral("Memoria"), "Frame4", "grdmem", "Mem", 2880, 615, QStringLiteral("Memoria"),
         {.moveX = kList, .growX = kGrid, .moveY = kTop, .growY = kMem}, kMem},
        sim_.m.mem.data(), kMemoryRows);
    grdmem_->storeByte = [this](int address, uint8_t value) { memoryTyped(address, value); };

    // "Ir a": an address typed here brings the grid there, ready for typing bytes.
    QLabel* irLabel = label(Frame4_, "lblIrA", QStringLiteral("Ir a:"), tw(3240, 1440, 600, kBoxHeight),
                            {.moveY = kMem});
    irLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    txtIrA_ = box(Frame4_, "txtIrA", tw(3900, 1440, 615, kBoxHeight),
                  {QStringLiteral("Ir a"), QStringLiteral("Escriba una dirección y pulse Intro para ir a ella en la "
                                                          "tabla de memoria (Ctrl+L)")},
                  {.moveY = kMem});
    irLabel->setBuddy(txtIrA_);
    connect(txtIrA_, &QLineEdit::returnPressed, this, &Principal::irA);
    auto* goTo = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(goTo, &QShortcut::activated, this, [this] { txtIrA_->setFocus(Qt::ShortcutFocusReason); });
}

void Principal::buildPorts() {
    std::tie(Frame5_, grdport_, portModel_, txtDirPort_, txtDatPort_) = buildGridFrame(
        {QStringLiteral("Puertos de E/S"), "Frame5", "grdport", "Port", 4680, 375, QStringLiteral("Puerto"),
         {.moveX = kList, .growX = kGrid, .moveY = kTop | kMem, .growY = kPort}, kPort},
        sim_.m.ports.data(), kPortRows);
    grdport_->storeByte = [this](int address, uint8_t value) { portTyped(address, value); };
}

// The debugger's frame right of the Control frame: step over and step out, the watchpoints; the message
// line under every frame (the flags' explanation after a step, what stopped a run).
void Principal::buildDebugger() {
    FrameDepuracion_ = frame("FrameDepuracion", QStringLiteral("Depuración"), tw(kDebugLeft, 480, kDebugWidth, 6015),
                             {.moveX = kList | kGrid, .growY = kTop | kMem | kPort});
    const int inner = kDebugWidth - 240;
    PasoEncima_ = button(FrameDepuracion_, "PasoEncima", QStringLiteral("Paso por enci&ma"), tw(120, 240, inner, kButtonHeight),
                         {QStringLiteral("Paso por encima"),
                          QStringLiteral("Ejecuta una instrucción; una llamada se ejecuta entera hasta que vuelve "
                                         "(Alt+M o F10)")},
                         &Principal::PasoEncima_Click);
    SalirSub_ = button(FrameDepuracion_, "SalirSub", QStringLiteral("Salir de su&brutina"), tw(120, 540, inner, kButtonHeight),
                       {QStringLiteral("Salir de subrutina"),
                        QStringLiteral("Ejecuta hasta que un retorno sale de la subrutina actual (Alt+B o "
                                       "Mayúsculas+F11)")},
                       &Principal::SalirSub_Click);
    // The T-states: the total since RESET or the last zeroing, and the last instruction's count.
    label(FrameDepuracion_, "lblTituloT", QStringLiteral("Estados T:"), tw(120, 870, inner, kBoxHeight));
    lblEstadosT_ = label(FrameDepuracion_, "lblEstadosT", QStringLiteral("0"), tw(120, 1125, inner, kBoxHeight));
    speak(lblEstadosT_, {QStringLiteral("Estados T"),
                         QStringLiteral("Estados T ejecutados desde RESET o desde la última puesta a cero")});
    label(FrameDepuracion_, "lblTituloUltimaT", QStringLiteral("Última:"), tw(120, 1440, 735, kBoxHeight));
    lblUltimaT_ = label(FrameDepuracion_, "lblUltimaT", QStringLiteral("0"), tw(855, 1440, inner - 735, kBoxHeight));
    speak(lblUltimaT_, {QStringLiteral("Estados T de la última instrucción"),
                        QStringLiteral("Estados T de la última instrucción ejecutada, con la interrupción que "
                                       "tomó")});
    for (QLabel* value : {lblEstadosT_, lblUltimaT_}) {
        value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    CeroT_ = button(FrameDepuracion_, "CeroT", QStringLiteral("Poner a cer&o"), tw(120, 1740, inner, kButtonHeight),
                    {QStringLiteral("Poner a cero los estados T"),
                     QStringLiteral("Pone a cero la cuenta de estados T sin tocar nada más (Alt+O)")},
                    &Principal::CeroT_Click);
    Vigilar_ = button(FrameDepuracion_, "Vigilar", QStringLiteral("&Vigilancia"), tw(120, 2040, inner, kButtonHeight),
                      {QStringLiteral("Vigilancia"),
                       QStringLiteral("Añade o quita direcciones y puertos vigilados: la ejecución se para tras "
                                      "la instrucción que los lee o escribe (Alt+V)")},
                      &Principal::Vigilar_Click);
    lstVigilancia_ = new QListWidget(FrameDepuracion_);
    lstVigilancia_->setObjectName(QStringLiteral("lstVigilancia"));
    lstVigilancia_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    layout_.place(lstVigilancia_, tw(120, 2340, inner, 3555), {.growY = kTop | kMem | kPort});
    speak(lstVigilancia_, {QStringLiteral("Vigilancias"),
                           QStringLiteral("Las direcciones y puertos vigilados: r lectura, w escritura; doble clic "
                                          "abre la ventana Vigilancia")});
    connect(lstVigilancia_, &QListWidget::itemDoubleClicked, this, &Principal::Vigilar_Click);

    lblMensaje_ = label(canvas_, "lblMensaje", QString(), tw(120, kMessageTop, kWindowWidth - 240, kMessageHeight),
                        {.growX = kList | kGrid, .moveY = kTop | kMem | kPort});
    lblMensaje_->setWordWrap(true);
    lblMensaje_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblMensaje_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    speak(lblMensaje_, {QStringLiteral("Mensaje"),
                        QStringLiteral("Por qué los indicadores quedan así tras un paso, o qué paró la ejecución")});

    // The commands' keys besides their accelerators.
    const std::pair<QKeySequence, void (Principal::*)()> keys[] = {
        {QKeySequence(Qt::Key_F10), &Principal::PasoEncima_Click},
        {QKeySequence(Qt::SHIFT | Qt::Key_F11), &Principal::SalirSub_Click},
    };
    for (const auto& [sequence, action] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, this, [this, action = action] {
            QPushButton* b = action == &Principal::PasoEncima_Click ? PasoEncima_ : SalirSub_;
            if (b->isEnabled() && takeFocus(b)) (this->*action)();
        });
    }
    auto* toHere = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F10), this);
    connect(toHere, &QShortcut::activated, this, [this] {
        const int row = prg_->currentLine();
        if (row >= 0 && row < listing_.size() && takeFocus(prg_)) runToHere(listing_.line(row).address);
    });
    prg_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(prg_, &QWidget::customContextMenuRequested, this, &Principal::prgContextMenu);
}

// The row under the message line: the devices window's button, at the window's right edge like the
// debugger's frame above it; the speed choice (principal_speed.cpp) under the port frame.
void Principal::buildBottomRow() {
    Dispositivos_ = button(canvas_, "Dispositivos", QStringLiteral("&Dispositivos"), tw(kDebugLeft + kDebugWidth - 1215, kBottomTop + 15, 1215, kButtonHeight),
                           {QStringLiteral("Dispositivos"),
                            QStringLiteral("Abre la ventana de los LED, displays, interruptores, pulsadores y la "
                                           "consola serie de los puertos (Alt+D)")},
                           &Principal::Dispositivos_Click, {.moveX = kList | kGrid, .moveY = kTop | kMem | kPort});
}

// Tab goes through each frame in reading order: the entry row and the program, the command row, the
// registers (the boxes and flags row by row, then the stack, then the interrupt column), the control
// buttons, the memory and the ports.
void Principal::buildTabOrder() {
    const std::vector<QWidget*> chain = {
        txtDIR_, INSCO_, INSOP1_, INSOP2_, prg_,
        CargarHEX_, Editar_, Ensamblar_, about_, listains_, Ejecutar_, Eje_paso_, PasoAtras_,
        txtA_, txtF_, chkF_[7], chkF_[6], chkF_[5], chkF_[4], chkF_[3], chkF_[2], chkF_[1], chkF_[0],
        txtB_, txtD_, txtH_, txtC_, txtE_, txtL_, txtBC_, txtDE_, txtHL_, txtPC_, txtSP_, txtM_,
        CHK75_, CHK65_, CHK55_, CHKEI_, chkSID_, ChkSOD_,
        Reset_, Trap_, Rst55_, Rst65_, Rst75_, Intr_, txtVec_,
        grdmem_, txtDirMem_, txtDatMem_, txtIrA_,
        grdport_, txtDirPort_, txtDatPort_,
        PasoEncima_, SalirSub_, CeroT_, Vigilar_, lstVigilancia_,
        cmbVelocidad_, txtRitmo_, Dispositivos_,
    };
    for (size_t i = 1; i < chain.size(); ++i) setTabOrder(chain[i - 1], chain[i]);
}

QSize Principal::defaultCanvasSize() const {
    const Zoom& zoom = Zoom::instance();
    return {zoom.px(kWindowWidth), zoom.px(kWindowHeight)};
}

void Principal::applyZoom() {
    const Zoom& zoom = Zoom::instance();
    canvas_->setFont(zoom.captionFont());
    const QFont fixed = zoom.fixedFont();
    for (HexBox* b : canvas_->findChildren<HexBox*>()) b->setFont(fixed);
    INS_->setFont(fixed);
    prg_->setFont(fixed);
    pila_->setFont(fixed);
    // At the default size the lists hold the layout's 29 program lines and 8 stack words: rows as compact
    // as the text allows, spread to fill the list where the font would leave room for more.
    const int line = vandor::compactLineHeight(fixed);
    prgLines_->setLineHeight(std::max(line, (zoom.px(5715) - 2 * prg_->frameWidth()) / vandor::kProgramViewLines));
    pilaLines_->setLineHeight(std::max(line, (zoom.px(1620) - 2 * pila_->frameWidth()) / 8));
    grdmem_->setTextFont(fixed);
    grdport_->setTextFont(fixed);
    // The check boxes' squares grow with the text (the style draws them in the rectangle it is given).
    const QString indicator =
        zoom.scale() > 1 ? QStringLiteral("QCheckBox::indicator { width: %1px; height: %1px; }")
                               .arg(qRound(style()->pixelMetric(QStyle::PM_IndicatorWidth) * zoom.scale()))
                         : QString();
    for (QCheckBox* box : canvas_->findChildren<QCheckBox*>()) {
        box->setStyleSheet(indicator);
        // A style sheet fixes the font a widget had when it was set: the caption's size is given again.
        if (!box->text().isEmpty()) box->setFont(zoom.captionFont());
    }

    const QSize canvasSize = defaultCanvasSize();
    canvas_->setMinimumSize(canvasSize);
    // The window never asks for more than the screen: beyond it, the scroll bars reach the rest.
    const QSize room = vandor::availableArea(this).size();
    setMinimumSize(canvasSize.boundedTo(room));
    if (width() < canvasSize.width() || height() < canvasSize.height()) {
        resize(size().expandedTo(canvasSize).boundedTo(room.expandedTo(minimumSize())));
    }
    relayout();
    showChanges(true);
}

void Principal::relayout() {
    const Zoom& zoom = Zoom::instance();
    const QSize base = defaultCanvasSize();
    const int dx = std::max(0, canvas_->width() - base.width());
    const int dy = std::max(0, canvas_->height() - base.height());

    // Across: the grid frames widen only by the whole width the text column needs, or not at all.
    const int textNeed = std::max(0, grdmem_->fullWidth(true) - zoom.px(6255));
    const int gridRoom = dx >= textNeed ? textNeed : 0;
    const int listRoom = dx - gridRoom;

    // Down: whole stack words first, then the ports until they show every row, then the memory.
    const int word = pilaLines_->lineHeight();
    const int topRoom = std::min(dy / 5, kExtraStackWords * word) / word * word;
    const int rest = dy - topRoom;
    const int portNeed = std::max(0, grdport_->heightFor(kPortRows) - zoom.px(1140));
    const int portRoom = std::min(rest / 3, portNeed);
    const int memoryRoom = rest - portRoom;

    layout_.apply(zoom, {listRoom, gridRoom}, {topRoom, memoryRoom, portRoom});
    // A grid is as wide as its columns: where this system's fixed font needs more width than the layout
    // gives, it widens inside its frame; where the zoomed layout gives more, it leaves the rest to the
    // frame. The memory grid's text column shows when its place holds it whole.
    const bool textShown = grdmem_->width() >= grdmem_->fullWidth(true);
    grdmem_->setTextColumnShown(textShown);
    for (GridView* grid : {grdmem_, grdport_}) {
        const int room = grid->parentWidget()->width() - grid->x() - 2;
        const int need = grid->fullWidth(grid == grdmem_ && textShown);
        grid->resize(std::min(need, std::max(room, grid->width())), grid->height());
    }

    // Where the room lets the lists show more lines, they list more.
    const int lines = programLinesInView();
    if (lines != listing_.lineCount()) {
        listing_.setLineCount(lines);
        showListing(listing_.relist(sim_.m, prg_->currentLine()), ListScroll::Keep);
    }
    if (stackWordsInView() != pilaLines_->size()) regenpila();
}

// As many lines as the list shows whole (29 at the default size), so that it never needs a scroll bar.
int Principal::programLinesInView() const {
    const int line = std::max(1, prgLines_->lineHeight());
    return std::max(1, (prg_->height() - 2 * prg_->frameWidth()) / line);
}

int Principal::stackWordsInView() const {
    const int line = std::max(1, pilaLines_->lineHeight());
    return std::max(8, (pila_->height() - 2 * pila_->frameWidth()) / line);
}
