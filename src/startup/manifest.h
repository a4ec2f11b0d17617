// The update manifest and the program's own version, without Qt.
//
// The update server publishes a short text: a version "major.minor.revision" followed by the address of
// the new program file, which starts with "http://". parseManifest reads it the way the splash window
// needs; versionNumber puts a version on one scale so that 1.10.0 (1010000) is newer than 1.5.7 (1005007).
//
//   std::optional<vandor::Manifest> m = vandor::parseManifest(body);
//   if (m && vandor::versionNumber(m->version) > vandor::versionNumber(vandor::ownVersion()))
//       ask(vandor::updateQuestion(vandor::ownVersion(), m->version));
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vandor {

struct Version {
    int major = 0;
    int minor = 0;
    int revision = 0;
};

struct Manifest {
    Version version;
    std::string address;  // from the first "http://" to the end of the body, unchanged
};

// The version this program was built as (the revision is the third number of the build version).
Version ownVersion();

// major × 1000000 + minor × 1000 + revision.
std::int64_t versionNumber(const Version& v);

// "vers. 1.5.7".
std::string versionText(const Version& v);

// The question the splash window asks when a newer version is published (lines joined by CR LF).
std::string updateQuestion(const Version& own, const Version& published);

// The leading decimal number of a piece of text: leading blanks and line breaks are skipped, an optional
// sign is read, digits are read up to the first character that is not one; no digits give 0. Empty when
// the value does not fit a signed 16-bit integer.
std::optional<int> leadingNumber(std::string_view piece);

// The manifest in body, or nothing when it has no "http://", its version text has fewer than two ".", or
// one of its numbers does not fit a signed 16-bit integer.
std::optional<Manifest> parseManifest(std::string_view body);

}  // namespace vandor
