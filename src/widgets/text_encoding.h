// Source-file text encodings: a file is read as UTF-8 when its bytes are valid UTF-8, otherwise as
// Windows-1252, and written back in the encoding it was read in. Windows-1252 decoding never fails:
// the five bytes the code page leaves undefined map to the C1 control characters of the same value, so
// any byte sequence survives a read and a write unchanged.
//
//   DecodedText d = decodeSourceText(bytes);          // d.encoding tells how it was read
//   QByteArray out = encodeSourceText(d.text, d.encoding);
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace vandor {

enum class TextEncoding { Utf8, Utf8WithBom, Windows1252 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(const QByteArray& bytes);

QString fromWindows1252(const QByteArray& bytes);
// The bytes of the text in Windows-1252, or nothing when a character has no place in that code page.
std::optional<QByteArray> toWindows1252(const QString& text);

DecodedText decodeSourceText(const QByteArray& bytes);
// Encodes in the given encoding; a Windows-1252 text holding a character outside that code page is
// written as UTF-8 instead, so no character is ever lost (encoding is then updated to Utf8).
QByteArray encodeSourceText(const QString& text, TextEncoding& encoding);

}  // namespace vandor
