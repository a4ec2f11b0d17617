// Source-file text for the windows, through the program's one codec (common/text_encoding.h): a file
// is read as UTF-8 when its bytes are valid UTF-8, otherwise as Windows-1252, and written back in the
// encoding it was read in.
//
//   DecodedText d = decodeSourceText(bytes);          // d.encoding tells how it was read
//   QByteArray out = encodeSourceText(d.text, d.encoding);
//   box->insertPlainText(decodeLines(listingPiece, report.encoding));
#pragma once

#include <QByteArray>
#include <QString>
#include <string_view>

#include "common/text_encoding.h"

namespace vandor {

struct DecodedText {
    QString text;  // without the byte order mark
    TextEncoding encoding = TextEncoding::Utf8;
};

DecodedText decodeSourceText(const QByteArray& bytes);

// Encodes in the given encoding; a Windows-1252 text holding a character outside that code page is
// written as UTF-8 instead, so no character is ever lost (encoding is then updated to Utf8).
QByteArray encodeSourceText(const QString& text, TextEncoding& encoding);

// Whole lines of a text in a known encoding (the assembler's listing and error log). Each CR LF or LF
// ends a line and nothing else does: a CR on its own and the characters a text box would also take for
// a paragraph end are shown as U+FFFD, so that line n of the text is line n of the box.
QString decodeLines(std::string_view bytes, TextEncoding encoding);

}  // namespace vandor
