#include "assembler/listing.h"

#include "common/hex.h"

namespace vandor {
namespace {

constexpr std::string_view kDashes = "----------------------------------------";

// Addresses and values are shown with their last four digits.
void appendAddress(std::string& out, int64_t value) { appendHex4(out, static_cast<uint16_t>(value & 0xFFFF)); }

}  // namespace

void appendRawLine(std::string& out, std::string_view raw, bool indented) {
    if (indented) out.append(kListingIndent);
    out.append(raw);
    out.append(kCrLf);
}

void appendThirdPassStatement(std::string& out, int64_t address, std::string_view object, std::string_view raw) {
    appendAddress(out, address);
    out.push_back(' ');
    for (char byte : object) appendHex2(out, static_cast<uint8_t>(byte));
    if (object.size() <= 3) {
        out.append(6 - 2 * object.size(), ' ');
        out.append("     ");
        out.append(raw);
        out.append(kCrLf);
    } else {
        out.append(kCrLf);
        appendRawLine(out, raw, true);
    }
}

void appendSymbolHeading(std::string& out) {
    out.append(kDashes);
    out.append(kCrLf);
    out.append("TABLA DE SIMBOLOS");
    out.append(kCrLf);
    out.append(kDashes);
    out.append(kCrLf);
}

void appendSymbolLine(std::string& out, const SymbolTable::Entry& entry) {
    out.append(entry.name);
    out.push_back('\t');
    appendAddress(out, entry.value);
    out.append(kCrLf);
}

}  // namespace vandor
