// The text encodings of source files, the one codec of the program. A file whose bytes are valid UTF-8
// (plain ASCII included) is UTF-8, with or without a byte order mark; any other file is Windows-1252.
// Windows-1252 decoding never fails: the five bytes the code page leaves undefined (81, 8D, 8F, 90, 9D)
// map to the C1 control characters of the same value, so any bytes survive a read and a write unchanged.
// Texts the program writes next to a source's own lines (the listing's messages) are written in the
// source's encoding, so that a file never mixes two.
//
//   TextEncoding enc = detectEncoding(bytes);
//   std::string shown = toUtf8(bytes, enc);                    // what a window or a terminal shows
//   std::string back = fromUtf8(shown, enc).value_or(shown);   // the same bytes again
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vandor {

enum class TextEncoding { Utf8, Utf8WithBom, Windows1252 };

inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// True when the bytes are well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF,
// no sequence cut short.
bool isValidUtf8(std::string_view bytes);

// The encoding of a file's bytes.
TextEncoding detectEncoding(std::string_view bytes);

// Bytes in the given encoding as UTF-8. UTF-8 is returned as it is (a byte order mark included, which
// only the file's reader drops); Windows-1252 is decoded byte by byte.
std::string toUtf8(std::string_view bytes, TextEncoding encoding);
// Bytes of unknown encoding (a file name, a line of a log) as UTF-8: valid UTF-8 as it is, anything else
// decoded from Windows-1252.
std::string toUtf8(std::string_view bytes);

// UTF-8 text in the given encoding; nothing when the encoding is Windows-1252 and a character has no
// place in it, or when the text is not valid UTF-8. No byte order mark is added.
std::optional<std::string> fromUtf8(std::string_view utf8, TextEncoding encoding);

// Appends one Windows-1252 byte as UTF-8.
void appendWindows1252AsUtf8(std::string& out, unsigned char byte);

}  // namespace vandor
