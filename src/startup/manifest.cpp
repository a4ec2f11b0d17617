#include "startup/manifest.h"

namespace vandor {

Version ownVersion() { return {VANDOR_VERSION_MAJOR, VANDOR_VERSION_MINOR, VANDOR_VERSION_TWEAK}; }

std::int64_t versionNumber(const Version& v) {
    return std::int64_t{v.major} * 1000000 + std::int64_t{v.minor} * 1000 + v.revision;
}

namespace {

std::string dotted(const Version& v) {
    return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
}

bool isBlankOrLineBreak(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string versionText(const Version& v) { return "vers. " + dotted(v); }

std::string updateQuestion(const Version& own, const Version& published) {
    return "Hay actualizaciones disponibles\r\n(Versión actual: " + dotted(own) + " - Versión nueva: " +
           dotted(published) + ")\r\n¿Desea descargarla ahora?";
}

std::optional<int> leadingNumber(std::string_view piece) {
    size_t i = 0;
    while (i < piece.size() && isBlankOrLineBreak(piece[i])) ++i;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
    // Accumulate with a ceiling so that a long run of digits cannot overflow before it is rejected.
    std::int64_t value = 0;
    for (; i < piece.size() && piece[i] >= '0' && piece[i] <= '9'; ++i) {
        value = value * 10 + (piece[i] - '0');
        if (value > 32768) return std::nullopt;
    }
    if (negative) value = -value;
    if (value < -32768 || value > 32767) return std::nullopt;
    return static_cast<int>(value);
}

std::optional<Manifest> parseManifest(std::string_view body) {
    const size_t http = body.find("http://");
    if (http == std::string_view::npos) return std::nullopt;
    const std::string_view version = body.substr(0, http);
    const size_t firstDot = version.find('.');
    if (firstDot == std::string_view::npos) return std::nullopt;
    const size_t secondDot = version.find('.', firstDot + 1);
    if (secondDot == std::string_view::npos) return std::nullopt;

    const auto major = leadingNumber(version.substr(0, firstDot));
    const auto minor = leadingNumber(version.substr(firstDot + 1, secondDot - firstDot - 1));
    const auto revision = leadingNumber(version.substr(secondDot + 1));
    if (!major || !minor || !revision) return std::nullopt;
    return Manifest{{*major, *minor, *revision}, std::string(body.substr(http))};
}

}  // namespace vandor
