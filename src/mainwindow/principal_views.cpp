// Principal's views: the window side of regen, and the deferred refresh of a continuous run.
#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QListView>
#include <QPushButton>

#include "devices/dispositivos.h"
#include "mainwindow/grid_models.h"
#include "mainwindow/principal.h"
#include "mainwindow/program_view.h"
#include "widgets/highlight.h"
#include "widgets/hexbox.h"

using vandor::CheckBox;
using vandor::HaltOption;
using vandor::hexText;
using vandor::ShownValue;

void Principal::regen() { sim_.regen(); }

void Principal::regenerated() {
    if (deferViews_) {
        viewsDirty_ = true;
        return;
    }
    refreshViews();
}

void Principal::memoryWritten(uint16_t address, uint8_t) { memModel_->cellWritten(address); }
void Principal::portWritten(uint8_t port, uint8_t) {
    portModel_->cellWritten(port);
    if (devices_) devices_->portWritten(port);
}

void Principal::flushViews() {
    const bool behind = viewsBehind();
    stageTimer_.stop();
    catchUpStage_ = -1;
    memModel_->flush();
    portModel_->flush();
    if (devices_) devices_->refresh();
    if (!behind) return;
    viewsDirty_ = false;
    refreshViews();
}

// A run's catch-up, one group of views at a time: the window paints what one group changed before the
// next group is drawn, so each look at the events between two batches of steps pays for a part of the
// window only. Each group shows the machine as it is when the group is drawn; the groups follow each
// other within a few milliseconds, well inside the catch-up's pace.
void Principal::catchUpStage() {
    if (catchUpStage_ < 0) {
        if (!viewsDirty_ && !memModel_->behind() && !portModel_->behind()) return;
        catchUpRefresh_ = viewsDirty_;
        viewsDirty_ = false;
        catchUpStage_ = 0;
    }
    switch (catchUpStage_++) {
    case 0:
        if (catchUpRefresh_) {
            showRegisters();
            showTStates();
            mirrorCheckBoxes();
            updateInterruptButtons();
        }
        break;
    case 1:
        if (catchUpRefresh_) {
            const uint16_t pc = sim_.m.pc;
            dispmemAndSelect(vandor::inidisp(sim_.m, pc), pc);
        }
        break;
    case 2:
        if (catchUpRefresh_) regenpila();
        portModel_->flush();
        if (devices_) devices_->refresh();
        break;
    default:
        memModel_->flush();
        catchUpStage_ = -1;
        return;
    }
    stageTimer_.start();
}

void Principal::setDeferredViews(bool deferred) {
    if (deferred == deferViews_) return;
    deferViews_ = deferred;
    memModel_->setDeferred(deferred);
    portModel_->setDeferred(deferred);
    if (devices_) devices_->setDeferred(deferred);
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
    showTStates();
    const uint16_t pc = sim_.m.pc;
    dispmemAndSelect(vandor::inidisp(sim_.m, pc), pc);
    mirrorCheckBoxes();
    regenpila();
    updateInterruptButtons();
    if (devices_) devices_->refresh();
}

void Principal::showRegisters() {
    const vandor::Machine& m = sim_.m;
    txtA_->showValue(hexText(m.a, 2));
    txtB_->showValue(hexText(m.b, 2));
    txtC_->showValue(hexText(m.c, 2));
    txtD_->showValue(hexText(m.d, 2));
    txtE_->showValue(hexText(m.e, 2));
    txtF_->showValue(hexText(m.f, 2));
    setFlagBoxes(m.f);
    txtH_->showValue(hexText(m.h, 2));
    txtL_->showValue(hexText(m.l, 2));
    txtM_->showValue(hexText(m.byteAtHL(), 2));
    txtBC_->showValue(hexText(m.bc, 4));
    txtDE_->showValue(hexText(m.de, 4));
    txtHL_->showValue(hexText(m.hl, 4));
    txtPC_->showValue(hexText(m.pc, 4));
    txtSP_->showValue(hexText(m.sp, 4));
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
    sim_.m.synmem();
    const std::vector<uint16_t> words = vandor::stackWords(sim_.m, stackWordsInView());
    std::vector<std::string> lines;
    lines.reserve(words.size());
    for (uint16_t w : words) lines.push_back(vandor::hexa(w, 4));
    pilaLines_->setLines(std::move(lines));
    showStackChanges();
}

// An action begins: what the last one changed is no longer shown; the state is kept to compare with.
bool Principal::beginAction() {
    if (actionOpen_) return false;
    actionOpen_ = true;
    changes_.begin(sim_.m);
    showChanges();
    return true;
}

void Principal::endAction() {
    if (!actionOpen_) return;
    actionOpen_ = false;
    changes_.end(sim_.m);
    showChanges();
}

// Every register box, flag, memory and port cell and stack word whose value the last action changed is
// drawn bold on the highlight colours; the rest plain. `again` redraws the marks after the fonts or the
// palette changed.
void Principal::showChanges(bool again) {
    const std::pair<vandor::HexBox*, ShownValue> boxes[] = {
        {txtA_, ShownValue::A},   {txtF_, ShownValue::F},   {txtB_, ShownValue::B},   {txtC_, ShownValue::C},
        {txtD_, ShownValue::D},   {txtE_, ShownValue::E},   {txtH_, ShownValue::H},   {txtL_, ShownValue::L},
        {txtM_, ShownValue::M},   {txtBC_, ShownValue::BC}, {txtDE_, ShownValue::DE}, {txtHL_, ShownValue::HL},
        {txtPC_, ShownValue::PC}, {txtSP_, ShownValue::SP}};
    for (auto [box, value] : boxes) vandor::setHighlighted(box, changes_.changed(value), again);
    for (int bit = 7; bit >= 0; --bit) {
        const bool changed = (changes_.flagBits() >> bit) & 1;
        vandor::setHighlighted(chkF_[static_cast<size_t>(bit)], changed, again);
        vandor::setHighlighted(flagLabels_[static_cast<size_t>(7 - bit)], changed, again);
    }
    memModel_->setChanged({changes_.changedAddresses().begin(), changes_.changedAddresses().end()});
    portModel_->setChanged({changes_.changedPorts().begin(), changes_.changedPorts().end()});
    showStackChanges();
}

void Principal::showStackChanges() {
    pilaLines_->setHighlightColors(vandor::highlightColors(pila_->palette()));
    std::vector<bool> rows(static_cast<size_t>(pilaLines_->size()));
    for (int i = 0; i < pilaLines_->size(); ++i) rows[static_cast<size_t>(i)] = changes_.wordChanged(vandor::stackAddress(sim_.m, i));
    pilaLines_->setHighlightedRows(std::move(rows));
}

// A new desktop palette: the marks take their colours from it.
void Principal::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) showChanges(true);
}
