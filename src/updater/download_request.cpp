#include "updater/download_request.h"

#include <cstdint>

namespace kepplet {

bool isPlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || c == ':' || code < 32) return false;
    }
    return true;
}

namespace {

// The part after the last "/", trimmed, cut after its last character above code 32 (so a line end that
// came with the address is dropped).
std::string_view nameFromAddress(std::string_view address) {
    const size_t slash = address.rfind('/');
    std::string_view name = trimBlanks(slash == std::string_view::npos ? address : address.substr(slash + 1));
    size_t end = name.size();
    while (end > 0 && static_cast<unsigned char>(name[end - 1]) <= 32) --end;
    return name.substr(0, end);
}

}  // namespace

std::optional<DownloadRequest> parseCommandLine(std::string_view commandLine) {
    DownloadRequest request;
    std::string_view t = trimBlanks(commandLine);
    if (!t.empty() && t.back() == '&') {
        request.runAfterwards = true;
        t = trimBlanks(t.substr(0, t.size() - 1));
    }
    if (t.empty()) return std::nullopt;

    std::string_view target;
    const size_t blank = t.find(' ');
    if (blank != std::string_view::npos) {
        request.address = t.substr(0, blank);
        target = trimBlanks(t.substr(blank));
    } else {
        request.address = t;
        target = nameFromAddress(t);
    }
    if (request.address.empty() || !isPlainFileName(target)) return std::nullopt;
    request.target = target;
    return request;
}

int progressPercent(std::int64_t total, std::int64_t next) {
    const std::int64_t missing = total - next + 1;
    if (total <= 0 || missing <= 0) return 100;
    // Floor division; missing and total are positive here, so plain division truncates the same way.
    // Announced sizes too large for 100 × size to fit are divided down first.
    if (total > INT64_MAX / 100) return static_cast<int>(100 - missing / (total / 100));
    return static_cast<int>(100 - (100 * missing) / total);
}

}  // namespace kepplet
