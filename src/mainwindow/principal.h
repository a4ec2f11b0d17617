// Principal: the simulator's main window. It owns the one simulated machine (through the Simulator) for
// the life of the program and shows it: the program view with its entry row, the register, flag and
// interrupt boxes, the stack, the memory and port grids; its buttons load object files, open the editor
// and the assembler, step and run the program and raise the interrupts.
//
// Every box, check box, list and grid is a view of the machine, rewritten by regen() after the machine
// changed; memory and port cells follow each savmem/savport. During a continuous run the steps go in
// batches of about half a millisecond between two looks at the window's events, and the views note that
// they are behind and catch up at the screen's pace (and before any user input is handled), so a step
// costs tens of nanoseconds. A catch-up draws one group of views per look at the events, so that no look
// waits for the whole window to be painted; when the run stops, every view shows its last step. After
// each action of the user (a step, an interrupt button, a load, a whole run) every value that the action
// changed is drawn highlighted until the next one.
//
// The window can be resized and zoomed: every control sits at its twips at the zoom's scale
// (principal_layout.cpp, one table per frame), and the room beyond the default size goes to the program
// list, the memory and port grids and the stack list. The editors only forward a confirmed entry to the simulator's
// editing doors and show what the simulator then holds; the program view's rules are the core's
// ProgramListing. The window owns the trace window and the editor, each created on first use.
//
// The class is written in parts: principal.cpp (start-up, commands, close), principal_layout.cpp,
// principal_views.cpp, principal_editors.cpp, principal_program.cpp (program view and entry row),
// principal_run.cpp (step and continuous run), principal_speed.cpp (the run's speed: maximum, real time
// or slow), principal_devices.cpp (the devices window) and editor_command.cpp (Editar, Ensamblar).
//
//   vandor::QtDialogs dialogs;
//   Principal window(dialogs);
//   window.onCloseRequested = [&] { splash.showClosing(); };
//   window.show();
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <tuple>

#include "inspect/program_listing.h"
#include "machine/changes.h"
#include "machine/paced_run.h"
#include "machine/simulator.h"
#include "widgets/twips_layout.h"

namespace vandor {
class Dialogs;
class GridModel;
class GridView;
class HexBox;
class LinesModel;
class ProgramView;
}  // namespace vandor

class Dispositivos;
class Editor;
class Halt;
class Vigilancia;
class Listapasos;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QListView;
class QPushButton;
class QScrollArea;

class Principal : public QWidget,
                  private vandor::RegenListener,
                  private vandor::MachineObserver,
                  private vandor::HaltDialog {
    Q_OBJECT
public:
    // The top, in twips, of the row of the speed choice and the devices button (under the message line).
    static constexpr int kBottomRowTop = 7035;

    explicit Principal(vandor::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Principal() override;

    vandor::Simulator& simulator() { return sim_; }

    // Called by the close request after the trace window and this window were hidden (no run in
    // progress); unset, the program quits.
    std::function<void()> onCloseRequested;
    // The "Acerca" button; the button is disabled while this is unset.
    std::function<void()> onAboutRequested;

    // The dialog that HLT brings up (the Halt window unless replaced).
    void setHaltDialog(vandor::HaltDialog* dialog) { haltDialog_ = dialog; }
    // The step-trace window, created on first use.
    Listapasos* traceWindow();
    // The editor window, or null before the first Editar that chose a file.
    Editor* editorWindow() const;
    // The devices window, created on first use.
    Dispositivos* devicesWindow();
    // Assembles a source in the assembler window, as Ensamblar does after its dialog; with `load`, a
    // correct assembly's object file is then loaded as CargarHEX does. The errors go to the editor when
    // it holds that file, and a double click on one shows its line there. `over` is the window the
    // assembler window opens over.
    void assembleFile(const QString& path, bool load, QWidget* over);
    // Loads an object file into memory as CargarHEX does after its dialog; its messages show over
    // `over` (this window when null).
    void loadObject(const QString& path, QWidget* over = nullptr);

    // The full refresh of all views from the machine.
    void regen();
    // Brings views that a run left behind up to the machine now.
    void flushViews();

    // Commands.
    void CargarHEX_Click();
    void Editar_Click();
    void Ensamblar_Click();
    void about_Click();
    void listains_Click();
    void Ejecutar_Click();
    void Eje_paso_Click();
    void Dispositivos_Click();
    // The debugger's commands (principal_debug.cpp).
    void PasoAtras_Click();
    void PasoEncima_Click();
    void SalirSub_Click();
    // "Ejecutar hasta aquí" on the program line with this address.
    void runToHere(uint16_t address);
    void Vigilar_Click();
    // Sets the T-state count to 0 on its own.
    void CeroT_Click();
    // The watchpoint window, created on first use.
    Vigilancia* watchWindow();

    // What the last action changed (drawn highlighted).
    const vandor::ChangeTracker& changes() const { return changes_; }
    // The twips a control is placed at in the default arrangement (a null rectangle for an unknown one).
    QRect defaultTwips(const QWidget* control) const { return layout_.twipsOf(control); }

protected:
    void closeEvent(QCloseEvent* event) override;  // Form_QueryUnload
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    static constexpr int kMemoryRows = 4096;
    static constexpr int kPortRows = 16;

    // Layout (principal_layout.cpp).
    using Growth = vandor::TwipsLayout::Growth;
    // What a control says to a screen reader: its name and what it is for.
    struct Spoken {
        QString name;
        QString description;
    };
    void buildCommandRow();
    void buildEntryRow();
    void buildRegisters();
    void buildControl();
    void buildMemory();
    void buildPorts();
    void buildBottomRow();
    void buildDebugger();
    void buildTabOrder();
    struct GridFrameLayout {
        QString title;
        const char* frameName;
        const char* gridName;
        const char* suffix;  // of the address and data boxes: txtDir<suffix>, txtDat<suffix>
        int top;
        int addressWidth;
        QString noun;        // "Memoria", "Puerto": how a cell and the boxes are read out
        Growth frameGrowth;  // the frame's; the grid grows with it, the boxes below it follow
        uint8_t band;        // the band that heightens the frame
    };
    // The frame, the grid, its model, its address box and its data box.
    using GridFrame =
        std::tuple<QGroupBox*, vandor::GridView*, vandor::GridModel*, vandor::HexBox*, vandor::HexBox*>;
    GridFrame buildGridFrame(const GridFrameLayout& layout, const uint8_t* cells, int rows);
    QGroupBox* frame(const char* name, const QString& title, const QRect& twips, Growth growth);
    vandor::HexBox* box(QWidget* parent, const char* name, const QRect& twips, const Spoken& spoken,
                        Growth growth = {});
    QLabel* label(QWidget* parent, const char* name, const QString& text, const QRect& twips, Growth growth = {});
    QPushButton* button(QWidget* parent, const char* name, const QString& caption, const QRect& twips,
                        const Spoken& spoken, void (Principal::*action)(), Growth growth = {});
    QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption, const QRect& twips,
                        const Spoken& spoken);
    static void speak(QWidget* control, const Spoken& spoken);
    // Fonts and places at the zoom's scale; the room beyond the default size to the growing views.
    void applyZoom();
    void relayout();
    QSize defaultCanvasSize() const;

    void Form_Load();

    // Views.
    void regenerated() override;
    void memoryWritten(uint16_t address, uint8_t value) override;
    void portWritten(uint8_t port, uint8_t value) override;
    void refreshViews();
    void showRegisters();
    // The T-state total and the last instruction's count.
    void showTStates();
    void setFlagBoxes(uint8_t f);
    void mirrorCheckBoxes();
    void updateInterruptButtons();
    void updateRunControls();
    void regenpila();
    void setDeferredViews(bool deferred);
    // The next group of views of a run's catch-up; the groups go one per look at the window's events.
    void catchUpStage();
    // Views are behind the machine: a run's batch ended since they caught up, or a catch-up is under way.
    bool viewsBehind() const { return viewsDirty_ || catchUpStage_ >= 0; }
    // Rows the program list and the stack list have room for (never fewer than their defaults).
    int programLinesInView() const;
    int stackWordsInView() const;

    // What an action changed: begin before it, end after it; the views draw the result. An action taken
    // inside another (an interrupt button during a run) belongs to the one already open: begin returns
    // false and its caller does not end it.
    bool beginAction();
    void endAction();
    void showChanges(bool again = false);
    void showStackChanges();

    // Editors.
    void connectEditors();
    void connectRegisterEditors();
    void connectGridEditors();
    void registerEdited(vandor::Register r, vandor::HexBox* high, vandor::HexBox* low, vandor::HexBox* pair);
    void pairEdited(vandor::Pair p, vandor::HexBox* pair, vandor::HexBox* high, vandor::HexBox* low);
    void showByteAtHL();
    void chkF_Click();
    void grdmem_SelChange();
    void grdport_SelChange();
    void showGridCell(vandor::GridView* grid, vandor::GridModel* model, vandor::HexBox* address,
                      vandor::HexBox* data, int digits);
    void moveGridTo(vandor::GridView* grid, int address, bool scroll);
    // A byte typed into a grid cell (hex-editor typing).
    void memoryTyped(int address, uint8_t value);
    void portTyped(int address, uint8_t value);
    // "Ir a": the memory grid at the typed address, ready for typing.
    void irA();

    // Program view and entry row.
    void connectProgramView();
    // Where the list is scrolled after the listing changed: a fresh listing starts with its first line in
    // view, a line appended at the end brings the last into view, an edit in place keeps the position.
    enum class ListScroll { Top, Bottom, Keep };
    void showListing(int selectedRow, ListScroll scroll);
    void dispmemAndSelect(uint16_t start, long selected);
    void prg_Click();
    void prg_DblClick(int row);
    bool prgUpAtFirstLine();
    bool prgDownAtLastLine();
    void prgScroll();
    void prgWheel(bool up);
    void entryByteConfirmed(vandor::HexBox* boxEdited, int offset);

    // Interrupts.
    void interruptButton(vandor::HaltOption option);
    void checkBoxClicked(vandor::CheckBox box, bool checked);

    // The Halt dialog, reached from inside a step; the views catch up before it shows.
    vandor::HaltChoice chooseHaltExit(bool runInProgress) override;

    // Run loop.
    void runLoop();
    // Starts a run (Ejecutar, or one of the debugger's commands with its target) and its loop.
    void startRun(const vandor::RunTarget& target);
    // After a run or a step: the message line and the watched cell a run stopped at.
    void showStop(vandor::StopReason why);
    void showMessage(const QString& text);
    void refreshWatchList();
    void prgContextMenu(const QPoint& at);

    // Speed (principal_speed.cpp): the choice that paces every run until it is changed.
    void buildSpeedRow();
    void speedChosen(int index);
    void rateEdited();
    // The rate box for the speed chosen: the clock in MHz, steps per second, or nothing to set.
    void showRate();
    // Until a paced run's next step is due: events are taken meanwhile.
    void waitForNextStep(int64_t nanoseconds);

    // The editor's guard before the window closes (editor_command.cpp).
    bool editorAllowsClose();
    // The editor, created on first use.
    Editor* editor();
    // The source in the editor (loaded unless it holds it already), the caret at a line (from 0).
    void openSourceAt(const QString& path, int line);

    // Moves the focus to a command's button first, so that a box's entry is checked and confirmed
    // before the command acts (also for a button pressed by its accelerator). False when the box
    // refused its entry.
    bool takeFocus(QWidget* target);

    vandor::Simulator sim_;
    vandor::Dialogs& dialogs_;
    vandor::ChangeTracker changes_;
    vandor::TwipsLayout layout_;
    QScrollArea* scroll_;
    QWidget* canvas_;
    QGroupBox* entryFrame_;
    QGroupBox* Frame1_;
    QGroupBox* Frame6_;
    QGroupBox* Frame4_;
    QGroupBox* Frame5_;
    std::vector<QLabel*> flagLabels_;  // "S", "Z", ... over chkF, bit 7 first
    Halt* halt_ = nullptr;
    vandor::HaltDialog* haltDialog_ = nullptr;
    QPointer<Listapasos> trace_;
    QPointer<Editor> editor_;
    QPointer<Dispositivos> devices_;

    // Entry row and program view.
    vandor::HexBox* txtDIR_;
    vandor::HexBox* INSCO_;
    vandor::HexBox* INSOP1_;
    vandor::HexBox* INSOP2_;
    QLabel* INS_;
    vandor::ProgramView* prg_;
    vandor::LinesModel* prgLines_;
    vandor::ProgramListing listing_;

    // Command row.
    QPushButton* CargarHEX_;
    QPushButton* Editar_;
    QPushButton* Ensamblar_;
    QPushButton* about_;
    QPushButton* listains_;
    QPushButton* Ejecutar_;
    QPushButton* Eje_paso_;
    QPushButton* Dispositivos_;
    QPushButton* PasoAtras_;

    // Debugger frame and the message line.
    QGroupBox* FrameDepuracion_;
    QPushButton* PasoEncima_;
    QPushButton* SalirSub_;
    QPushButton* Vigilar_;
    QListWidget* lstVigilancia_;
    QLabel* lblEstadosT_;  // the T-state total
    QLabel* lblUltimaT_;   // the T-states of the last instruction
    QPushButton* CeroT_;
    QLabel* lblMensaje_;
    QPointer<Vigilancia> vigilancia_;

    // Registers.
    vandor::HexBox *txtA_, *txtF_, *txtB_, *txtC_, *txtD_, *txtE_, *txtH_, *txtL_;
    vandor::HexBox *txtBC_, *txtDE_, *txtHL_, *txtM_, *txtPC_, *txtSP_;
    std::array<QCheckBox*, 8> chkF_{};
    QListView* pila_;
    vandor::LinesModel* pilaLines_;
    QCheckBox *CHK75_, *CHK65_, *CHK55_, *CHKEI_, *chkSID_, *ChkSOD_;

    // Control.
    QPushButton *Reset_, *Trap_, *Rst55_, *Rst65_, *Rst75_, *Intr_;
    vandor::HexBox* txtVec_;

    // Memory and ports.
    vandor::GridView* grdmem_;
    vandor::GridModel* memModel_;
    vandor::HexBox* txtDirMem_;
    vandor::HexBox* txtDatMem_;
    vandor::HexBox* txtIrA_;
    vandor::GridView* grdport_;
    vandor::GridModel* portModel_;
    vandor::HexBox* txtDirPort_;
    vandor::HexBox* txtDatPort_;

    // Speed.
    QLabel* lblVelocidad_;
    QComboBox* cmbVelocidad_;
    QDoubleSpinBox* txtRitmo_;
    vandor::Speed speed_ = vandor::Speed::Maximum;
    double clockMHz_ = vandor::kDefaultClockMHz;
    int stepsPerSecond_ = vandor::kDefaultStepsPerSecond;

    bool runLoopActive_ = false;
    bool deferViews_ = false;
    bool viewsDirty_ = false;
    bool actionOpen_ = false;
    QTimer paintTimer_;
    // The catch-up under way: the group of views it draws next (-1: none), and the timer that brings the
    // next group at the next look at the events.
    int catchUpStage_ = -1;
    bool catchUpRefresh_ = false;
    QTimer stageTimer_;
};
