#include "widgets/source_codec.h"

namespace vandor {

DecodedText decodeSourceText(const QByteArray& bytes) {
    const std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
    const TextEncoding encoding = detectEncoding(view);
    switch (encoding) {
    case TextEncoding::Utf8WithBom: return {QString::fromUtf8(view.substr(kUtf8Bom.size())), encoding};
    case TextEncoding::Utf8: return {QString::fromUtf8(view), encoding};
    case TextEncoding::Windows1252: break;
    }
    return {QString::fromStdString(toUtf8(view, encoding)), encoding};
}

QByteArray encodeSourceText(const QString& text, TextEncoding& encoding) {
    const QByteArray utf8 = text.toUtf8();
    switch (encoding) {
    case TextEncoding::Windows1252:
        if (auto bytes = fromUtf8(std::string_view(utf8.constData(), static_cast<size_t>(utf8.size())), encoding))
            return QByteArray::fromStdString(*bytes);
        encoding = TextEncoding::Utf8;
        return utf8;
    case TextEncoding::Utf8WithBom: return QByteArray(kUtf8Bom.data(), static_cast<qsizetype>(kUtf8Bom.size())) + utf8;
    case TextEncoding::Utf8: break;
    }
    return utf8;
}

QString decodeLines(std::string_view bytes, TextEncoding encoding) {
    QString text = encoding == TextEncoding::Windows1252 ? QString::fromStdString(toUtf8(bytes, encoding))
                                                         : QString::fromUtf8(bytes);
    const qsizetype n = text.size();
    QChar* p = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c == u'\r') {
            if (i + 1 < n && p[i + 1] == u'\n') ++i;
            else p[i] = QChar(0xFFFD);
        } else if (c == QChar::ParagraphSeparator || c == 0xFDD0 || c == 0xFDD1) {
            p[i] = QChar(0xFFFD);
        }
    }
    return text;
}

}  // namespace vandor
