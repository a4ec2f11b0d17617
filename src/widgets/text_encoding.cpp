#include "widgets/text_encoding.h"

#include <array>

namespace vandor {

namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of the code page equals Latin-1. The undefined
// bytes 81, 8D, 8F, 90 and 9D keep their own value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98-9F
};

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);

int windows1252Byte(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return unit;
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == unit) return static_cast<int>(0x80 + i);
    }
    return -1;
}

}  // namespace

bool isValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char lead = p[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned char low = 0x80, high = 0xBF;  // allowed range of the first continuation byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            if (lead == 0xE0) low = 0xA0;   // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            if (lead == 0xF0) low = 0x90;   // overlong
            if (lead == 0xF4) high = 0x8F;  // past U+10FFFF
        } else {
            return false;
        }
        if (i + extra >= n) return false;  // cut short at the end
        if (p[i + 1] < low || p[i + 1] > high) return false;
        for (int k = 2; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        out[i] = (b >= 0x80 && b < 0xA0) ? QChar(kHighControls[b - 0x80]) : QChar(b);
    }
    return text;
}

std::optional<QByteArray> toWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = windows1252Byte(text[i].unicode());
        if (b < 0) return std::nullopt;
        bytes[i] = static_cast<char>(b);
    }
    return bytes;
}

DecodedText decodeSourceText(const QByteArray& bytes) {
    if (bytes.startsWith(kUtf8Bom) && isValidUtf8(bytes)) {
        return {QString::fromUtf8(bytes.mid(kUtf8Bom.size())), TextEncoding::Utf8WithBom};
    }
    if (isValidUtf8(bytes)) return {QString::fromUtf8(bytes), TextEncoding::Utf8};
    return {fromWindows1252(bytes), TextEncoding::Windows1252};
}

QByteArray encodeSourceText(const QString& text, TextEncoding& encoding) {
    switch (encoding) {
    case TextEncoding::Windows1252:
        if (auto bytes = toWindows1252(text)) return *bytes;
        encoding = TextEncoding::Utf8;
        return text.toUtf8();
    case TextEncoding::Utf8WithBom: return kUtf8Bom + text.toUtf8();
    case TextEncoding::Utf8: break;
    }
    return text.toUtf8();
}

}  // namespace vandor
