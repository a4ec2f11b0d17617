// Principal's editors: each confirmed entry of a register, flag, memory or port box goes to the
// simulator's editing door, and the boxes the entry concerns are brought up to date; the grid selection
// fills the address and data boxes; the interrupt buttons and check boxes are forwarded.
#include <QCheckBox>

#include "mainwindow/grid_models.h"
#include "mainwindow/principal.h"
#include "widgets/hexbox.h"

using vandor::CheckBox;
using vandor::GridView;
using vandor::HaltOption;
using vandor::HexBox;
using vandor::hexText;
using vandor::Pair;
using vandor::Register;

void Principal::connectEditors() {
    connectRegisterEditors();
    connectGridEditors();
    connectProgramView();
    connect(txtVec_, &HexBox::confirmed, this, [this] { sim_.setVector(txtVec_->byteValue()); });
}

void Principal::connectRegisterEditors() {
    connect(txtA_, &HexBox::confirmed, this, [this] { sim_.setRegister(Register::A, txtA_->byteValue()); });
    connect(txtB_, &HexBox::confirmed, this, [this] { registerEdited(Register::B, txtB_, txtC_, txtBC_); });
    connect(txtC_, &HexBox::confirmed, this, [this] { registerEdited(Register::C, txtB_, txtC_, txtBC_); });
    connect(txtD_, &HexBox::confirmed, this, [this] { registerEdited(Register::D, txtD_, txtE_, txtDE_); });
    connect(txtE_, &HexBox::confirmed, this, [this] { registerEdited(Register::E, txtD_, txtE_, txtDE_); });
    // E rebuilds DE's text as soon as its entry is accepted.
    txtE_->afterAccept = [this] { txtDE_->setText(txtD_->text() + txtE_->text()); };
    connect(txtH_, &HexBox::confirmed, this, [this] { registerEdited(Register::H, txtH_, txtL_, txtHL_); });
    connect(txtL_, &HexBox::confirmed, this, [this] { registerEdited(Register::L, txtH_, txtL_, txtHL_); });
    connect(txtBC_, &HexBox::confirmed, this, [this] { pairEdited(Pair::BC, txtBC_, txtB_, txtC_); });
    connect(txtDE_, &HexBox::confirmed, this, [this] { pairEdited(Pair::DE, txtDE_, txtD_, txtE_); });
    connect(txtHL_, &HexBox::confirmed, this, [this] { pairEdited(Pair::HL, txtHL_, txtH_, txtL_); });
    connect(txtM_, &HexBox::confirmed, this, [this] { sim_.storeAtHL(txtM_->byteValue()); });
    connect(txtF_, &HexBox::confirmed, this, [this] {
        sim_.setFlags(txtF_->byteValue());
        setFlagBoxes(sim_.m.f);
    });
    connect(txtPC_, &HexBox::confirmed, this, [this] {
        sim_.setPC(txtPC_->wordValue());
        dispmemAndSelect(vandor::inidisp(sim_.m, sim_.m.pc), sim_.m.pc);
    });
    connect(txtSP_, &HexBox::confirmed, this, [this] {
        sim_.setSP(txtSP_->wordValue());
        regenpila();
    });
}

void Principal::connectGridEditors() {
    connect(txtDirMem_, &HexBox::confirmed, this, [this] { moveGridTo(grdmem_, txtDirMem_->wordValue(), true); });
    connect(txtDatMem_, &HexBox::confirmed, this, [this] {
        const uint16_t address = txtDirMem_->wordValue();
        sim_.setMemory(address, txtDatMem_->byteValue());
        moveGridTo(grdmem_, address, false);
        regen();
    });
    connect(txtDirPort_, &HexBox::confirmed, this, [this] { moveGridTo(grdport_, txtDirPort_->byteValue(), true); });
    connect(txtDatPort_, &HexBox::confirmed, this, [this] {
        const uint8_t port = txtDirPort_->byteValue();
        sim_.setPort(port, txtDatPort_->byteValue());
        moveGridTo(grdport_, port, false);
    });
}

// txtB, txtC (and D/E, H/L): the pair box shows the two halves; the register (and with it its pair)
// takes the edited box's value. H and L also move M.
void Principal::registerEdited(Register r, HexBox* high, HexBox* low, HexBox* pair) {
    pair->setText(high->text() + low->text());
    sim_.setRegister(r, (r == Register::B || r == Register::D || r == Register::H ? high : low)->byteValue());
    if (r == Register::H || r == Register::L) showByteAtHL();
}

// txtBC (and DE, HL): the two register boxes show the pair's halves; the pair sets both registers.
void Principal::pairEdited(Pair p, HexBox* pair, HexBox* high, HexBox* low) {
    high->setText(pair->text().left(2));
    low->setText(pair->text().right(2));
    sim_.setPair(p, pair->wordValue());
    if (p == Pair::HL) showByteAtHL();
}

void Principal::showByteAtHL() { txtM_->setText(hexText(sim_.m.byteAtHL(), 2)); }

void Principal::chkF_Click() {
    int n = 0;
    for (int bit = 0; bit < 8; ++bit)
        if (chkF_[static_cast<size_t>(bit)]->isChecked()) n |= 1 << bit;
    txtF_->setText(hexText(n, 2));
    sim_.setFlags(txtF_->byteValue());
}

void Principal::grdmem_SelChange() { showGridCell(grdmem_, memModel_, txtDirMem_, txtDatMem_, 4); }
void Principal::grdport_SelChange() { showGridCell(grdport_, portModel_, txtDirPort_, txtDatPort_, 2); }

// A grid's current cell: its address and its text in the frame's two boxes.
void Principal::showGridCell(GridView* grid, vandor::GridModel* model, HexBox* address, HexBox* data, int digits) {
    const QModelIndex cell = grid->currentIndex();
    if (!cell.isValid()) return;
    const int at = cell.row() * 16 + cell.column();
    address->showValue(hexText(at, digits));
    data->showValue(model->cellText(at));
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

void Principal::interruptButton(HaltOption option) {
    if (option == HaltOption::Intr) sim_.setVector(txtVec_->byteValue());
    const bool action = beginAction();
    sim_.press(option);
    if (action) endAction();
    updateInterruptButtons();
}

// Hex-editor typing: the byte stored as the data boxes store it (memory also refreshes every view).
void Principal::memoryTyped(int address, uint8_t value) {
    sim_.setMemory(static_cast<uint16_t>(address), value);
    regen();
}

void Principal::portTyped(int address, uint8_t value) { sim_.setPort(static_cast<uint8_t>(address), value); }

void Principal::irA() {
    if (txtIrA_->rutvalidate()) return;
    moveGridTo(grdmem_, txtIrA_->wordValue(), true);
    grdmem_->setFocus(Qt::OtherFocusReason);
}

void Principal::checkBoxClicked(CheckBox which, bool checked) {
    sim_.setShown(which, checked);
    // The action may have taken RST 7.5 (and refreshed everything); the boxes and buttons follow the
    // state either way.
    mirrorCheckBoxes();
    updateInterruptButtons();
}
