#include "metadata/engine/XmpPacket.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

// How a packet's bytes become its text and back: UTF-8 read leniently, as
// other readers read it, UTF-16 and UTF-32 in either byte order.

namespace {

// The length of the well-formed UTF-8 sequence at the start of text, or 0.
int utf8SequenceAt(QByteArrayView text) {
    const auto byte = [&](qsizetype i) { return quint8(text[i]); };
    const quint8 lead = byte(0);
    if (lead < 0x80)
        return 1;
    const int length = lead >= 0xc2 && lead <= 0xdf   ? 2
                       : lead >= 0xe0 && lead <= 0xef ? 3
                       : lead >= 0xf0 && lead <= 0xf4 ? 4
                                                      : 0;
    if (length == 0 || text.size() < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((byte(i) & 0xc0) != 0x80)
            return 0;
    }
    // Overlong forms, surrogates and what lies beyond U+10FFFF.
    if ((lead == 0xe0 && byte(1) < 0xa0) || (lead == 0xed && byte(1) > 0x9f) ||
        (lead == 0xf0 && byte(1) < 0x90) || (lead == 0xf4 && byte(1) > 0x8f))
        return 0;
    return length;
}

QString utf8Leniently(QByteArrayView bytes, int& stray) {
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        qsizetype run = at;
        int length = 0;
        while (run < bytes.size() && (length = utf8SequenceAt(bytes.sliced(run))) > 0)
            run += length;
        text += QString::fromUtf8(bytes.sliced(at, run - at));
        if (run < bytes.size()) {
            text += QChar(quint8(bytes[run]));
            ++stray;
            ++run;
        }
        at = run;
    }
    return text;
}

bool isXmlCharacter(char16_t c) {
    return c >= 0x20 ? c != 0xfffe && c != 0xffff : c == u'\t' || c == u'\n' || c == u'\r';
}

} // namespace

XmpPacket::Encoding XmpPacket::encodingOf(QByteArrayView bytes) {
    if (bytes.startsWith(QByteArrayView("\0\0\0<", 4)) ||
        bytes.startsWith(QByteArrayView("\0\0\xfe\xff", 4)))
        return Encoding::Utf32BE;
    if (bytes.startsWith(QByteArrayView("<\0\0\0", 4)) ||
        bytes.startsWith(QByteArrayView("\xff\xfe\0\0", 4)))
        return Encoding::Utf32LE;
    if (bytes.startsWith(QByteArrayView("\0<", 2)) || bytes.startsWith("\xfe\xff"))
        return Encoding::Utf16BE;
    if (bytes.startsWith(QByteArrayView("<\0", 2)) || bytes.startsWith("\xff\xfe"))
        return Encoding::Utf16LE;
    return Encoding::Utf8;
}

// Bytes per character unit.
int XmpPacket::unitOf(Encoding encoding) {
    return encoding == Encoding::Utf8                                       ? 1
           : encoding == Encoding::Utf16BE || encoding == Encoding::Utf16LE ? 2
                                                                            : 4;
}

QByteArrayView XmpPacket::unpadded(QByteArrayView bytes, Encoding encoding) {
    const int unit = unitOf(encoding);
    qsizetype size = bytes.size() - bytes.size() % unit;
    for (qsizetype at = 0; at + unit <= size; at += unit) {
        if (std::all_of(bytes.cbegin() + at, bytes.cbegin() + at + unit,
                        [](char c) { return c == 0; })) {
            size = at;
            break;
        }
    }
    return bytes.first(size);
}

Result<QString> XmpPacket::decoded(QByteArrayView text, Encoding encoding, QStringList* repairs) {
    using R = Result<QString>;
    QString out;
    int stray = 0; // bytes that are no UTF-8, read as Latin-1
    if (encoding == Encoding::Utf8) {
        out = utf8Leniently(text, stray);
    } else {
        const QStringConverter::Encoding wide =
            encoding == Encoding::Utf16BE   ? QStringConverter::Utf16BE
            : encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE
            : encoding == Encoding::Utf32BE ? QStringConverter::Utf32BE
                                            : QStringConverter::Utf32LE;
        QStringDecoder decoder(wide, QStringConverter::Flag::ConvertInitialBom);
        out = decoder(text);
        if (decoder.hasError())
            return R::fail(
                QStringLiteral("the XMP packet is not UTF-%1 text").arg(unitOf(encoding) * 8));
    }
    const qsizetype decodedSize = out.size();
    out.removeIf([](QChar c) { return !isXmlCharacter(c.unicode()); });
    const int dropped = int(decodedSize - out.size()); // control characters
    if (dropped > 0)
        *repairs
            << QStringLiteral("dropped %1 control character(s) from the XMP packet").arg(dropped);
    if (stray > 0)
        *repairs << QStringLiteral("read %1 byte(s) of the XMP packet that are not UTF-8 as "
                                   "Latin-1")
                        .arg(stray);
    return R::ok(std::move(out));
}

QByteArray XmpPacket::encoded(const QString& text) const {
    switch (m_encoding) {
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf16BE:
        return QStringEncoder(QStringConverter::Utf16BE)(text);
    case Encoding::Utf16LE:
        return QStringEncoder(QStringConverter::Utf16LE)(text);
    case Encoding::Utf32BE:
        return QStringEncoder(QStringConverter::Utf32BE)(text);
    case Encoding::Utf32LE:
        return QStringEncoder(QStringConverter::Utf32LE)(text);
    }
    return text.toUtf8();
}
