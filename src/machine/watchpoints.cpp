#include "machine/watchpoints.h"

#include <algorithm>

#include "common/hex.h"

namespace vandor {
namespace {

// "HHHH" (1-4 digits) or "PHH" (1-2 digits); the bool tells a port.
std::optional<std::pair<bool, uint16_t>> parseCell(std::string_view text) {
    const bool port = !text.empty() && (text[0] == 'P' || text[0] == 'p');
    if (port) text.remove_prefix(1);
    const auto value = parseHex(text, port ? 2 : 4);
    if (!value) return std::nullopt;
    return std::pair{port, static_cast<uint16_t>(*value)};
}

std::string lower(std::string_view text) {
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

std::string cellText(bool port, uint16_t value) {
    std::string text = port ? "P" : "";
    text += hexa(value, port ? 2 : 4);
    return text;
}

}  // namespace

std::optional<Watchpoint> parseWatchpoint(std::string_view text) {
    Watchpoint w;
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::string access = lower(text.substr(colon + 1));
        if (access == "r") w.access = kWatchRead;
        else if (access == "w") w.access = kWatchWrite;
        else if (access == "rw") w.access = kWatchRead | kWatchWrite;
        else return std::nullopt;
        text = text.substr(0, colon);
    }
    const size_t dash = text.find('-');
    const auto first = parseCell(text.substr(0, dash));
    if (!first) return std::nullopt;
    auto last = first;
    if (dash != std::string_view::npos) {
        last = parseCell(text.substr(dash + 1));
        if (!last || last->first != first->first) return std::nullopt;
    }
    if (last->second < first->second) return std::nullopt;
    w.port = first->first;
    w.first = first->second;
    w.last = last->second;
    return w;
}

std::string watchpointText(const Watchpoint& w) {
    std::string text = cellText(w.port, w.first);
    if (w.last != w.first) {
        text += '-';
        text += cellText(w.port, w.last);
    }
    text += w.access == kWatchRead ? ":r" : w.access == kWatchWrite ? ":w" : ":rw";
    return text;
}

std::string watchDescription(const Watchpoint& w) {
    const int digits = w.port ? 2 : 4;
    std::string text = w.port ? "Puerto " : "Memoria ";
    text += hexa(w.first, digits);
    if (w.last != w.first) {
        text += '-';
        text += hexa(w.last, digits);
    }
    text += w.access == kWatchRead ? ", lectura" : w.access == kWatchWrite ? ", escritura" : ", lectura y escritura";
    return text;
}

std::string watchHitMessage(const WatchHit& hit) {
    std::string text = "Vigilancia: " + instructionText(hit.instruction) + " en " + hexa(hit.instructionAddress, 4);
    text += hit.read && hit.write ? " leyó y escribió " : hit.write ? " escribió " : " leyó ";
    text += hit.port ? "el puerto " : "la dirección ";
    text += hexa(hit.cell, hit.port ? 2 : 4);
    return text;
}

bool WatchList::add(const Watchpoint& w) {
    if (std::find(entries_.begin(), entries_.end(), w) != entries_.end()) return false;
    entries_.push_back(w);
    rebuild();
    return true;
}

void WatchList::remove(size_t index) {
    if (index >= entries_.size()) return;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
    rebuild();
}

void WatchList::clear() {
    entries_.clear();
    rebuild();
}

// Overlapping watchpoints add their access bits; removing one leaves the others' bits.
void WatchList::rebuild() {
    memory_.fill(0);
    ports_.fill(0);
    for (const Watchpoint& w : entries_) {
        for (uint32_t cell = w.first; cell <= w.last; ++cell) {
            if (w.port) {
                ports_[cell & 0xFF] |= w.access;
            } else {
                memory_[cell] |= w.access;
            }
        }
    }
}

std::optional<WatchHit> WatchList::hit(const StepAccesses& accesses) const {
    for (int i = 0; i < accesses.count; ++i) {
        const DataAccess& a = accesses.cells[i];
        const uint8_t watched = a.port ? ports_[a.address & 0xFF] : memory_[a.address];
        if (!(watched & (a.write ? kWatchWrite : kWatchRead))) continue;
        WatchHit found;
        found.cell = a.address;
        found.port = a.port;
        // Every way this step touched that same cell, as far as it is watched.
        for (int j = 0; j < accesses.count; ++j) {
            const DataAccess& b = accesses.cells[j];
            if (b.address != a.address || b.port != a.port) continue;
            if (b.write && (watched & kWatchWrite)) found.write = true;
            if (!b.write && (watched & kWatchRead)) found.read = true;
        }
        return found;
    }
    return std::nullopt;
}

}  // namespace vandor
