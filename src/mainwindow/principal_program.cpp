// Principal's program view and entry row: the window side of the core's ProgramListing. The listing
// decides which lines are shown and which row is selected; the window mirrors them, scrolls, and fills
// the entry row from the selected line's data.
#include <QLabel>
#include <QScrollBar>

#include "mainwindow/principal.h"
#include "mainwindow/program_view.h"
#include "widgets/dialogs.h"
#include "widgets/hexbox.h"

using vandor::HexBox;

void Principal::connectProgramView() {
    connect(txtDIR_, &HexBox::confirmed, this, [this] {
        const uint16_t a = txtDIR_->wordValue();
        dispmemAndSelect(vandor::inidisp(sim_.m, a), a);
    });
    connect(INSCO_, &HexBox::confirmed, this, [this] { entryByteConfirmed(INSCO_, 0); });
    connect(INSOP1_, &HexBox::confirmed, this, [this] { entryByteConfirmed(INSOP1_, 1); });
    connect(INSOP2_, &HexBox::confirmed, this, [this] { entryByteConfirmed(INSOP2_, 2); });

    connect(prg_->selectionModel(), &QItemSelectionModel::currentChanged, this, &Principal::prg_Click);
    connect(prg_, &QAbstractItemView::clicked, this, &Principal::prg_Click);
    connect(prg_, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { prg_DblClick(index.row()); });
    prg_->upAtFirstLine = [this] { return prgUpAtFirstLine(); };
    prg_->downAtLastLine = [this] { return prgDownAtLastLine(); };
    prg_->enterPressed = [this] { dialogs_.beep(); };
    prg_->scrollUsed = [this] { prgScroll(); };
    prg_->toggleBreakpoint = [this] { prg_DblClick(prg_->currentLine()); };
    prg_->wheelTurned = [this](bool up) { prgWheel(up); };
}

void Principal::showListing(int selectedRow, ListScroll scroll) {
    const int firstShown = prg_->verticalScrollBar()->value();
    prgLines_->setLines(listing_.texts(), listing_.addresses());
    prg_->setCurrentLine(selectedRow);
    switch (scroll) {
    // A fresh listing's selected line is one of its first few (inidisp starts at most 12 bytes before
    // it), so it is in view too.
    case ListScroll::Top: prg_->scrollToTop(); break;
    case ListScroll::Bottom: prg_->scrollToBottom(); break;
    case ListScroll::Keep: prg_->verticalScrollBar()->setValue(firstShown); break;
    }
    prg_Click();
}

void Principal::dispmemAndSelect(uint16_t start, long selected) {
    showListing(listing_.list(sim_.m, start, selected), ListScroll::Top);
}

// A line selected: its address and bytes go to the entry row, its text to INS.
void Principal::prg_Click() {
    const int row = prg_->currentLine();
    if (row < 0 || row >= listing_.size()) return;
    const vandor::EntryRow entry = vandor::entryRow(listing_.line(row));
    txtDIR_->showValue(QString::fromLatin1(entry.address));
    INSCO_->showValue(QString::fromLatin1(entry.opcode));
    INSOP1_->showValue(QString::fromLatin1(entry.operand1));
    INSOP2_->showValue(QString::fromLatin1(entry.operand2));
    // The caption starts with the blank before the mnemonic; the label shows the instruction from its
    // first letter.
    INS_->setText(QString::fromLatin1(entry.caption).trimmed());
}

// The breakpoint mark changes; the list keeps its first line and its place.
void Principal::prg_DblClick(int row) {
    if (row < 0 || row >= listing_.size()) return;
    sim_.toggleBreakpoint(listing_.line(row).address);
    showListing(listing_.relist(sim_.m, row), ListScroll::Keep);
}

bool Principal::prgUpAtFirstLine() {
    if (!listing_.backOneByte(sim_.m)) return false;
    showListing(0, ListScroll::Top);
    return true;
}

bool Principal::prgDownAtLastLine() {
    if (!listing_.forwardOneLine(sim_.m)) return false;
    showListing(listing_.size() - 1, ListScroll::Bottom);
    return true;
}

// The scroll bar used while the first or the last line is selected moves the listing itself.
void Principal::prgScroll() {
    const int row = prg_->currentLine();
    if (listing_.empty() || row < 0) return;
    if (row == 0 && listing_.backToShortInstruction(sim_.m)) {
        showListing(0, ListScroll::Top);
    } else if (row == listing_.size() - 1) {
        prgDownAtLastLine();
    }
}

// The wheel moves the listing as the scroll bar's rules do at its ends, whichever line is selected:
// back to the nearest one-byte instruction, or on by one line. The same address stays selected.
void Principal::prgWheel(bool up) {
    const int row = prg_->currentLine();
    const long selected = row >= 0 && row < listing_.size() ? long(listing_.line(row).address) : -1;
    const bool moved = up ? listing_.backToShortInstruction(sim_.m) : listing_.forwardOneLine(sim_.m);
    if (!moved) return;
    int newRow = -1;
    for (int i = 0; i < listing_.size(); ++i)
        if (long(listing_.line(i).address) == selected) newRow = i;
    showListing(newRow, ListScroll::Top);
}

// INSCO, INSOP1, INSOP2: the byte stored at the line's address (+1, +2), the view listed again in place.
// The entry row's address may be FFFE or FFFF: the operand then lands at 0000 or 0001, where memory wraps.
void Principal::entryByteConfirmed(HexBox* boxEdited, int offset) {
    if (boxEdited->isBlank()) return;
    sim_.setMemory(static_cast<uint16_t>(txtDIR_->value() + offset), boxEdited->byteValue());
    showListing(listing_.relist(sim_.m, prg_->currentLine()), ListScroll::Keep);
}
