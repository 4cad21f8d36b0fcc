#include "metadata/engine/XmpExtension.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/XmpPacket.h"

#include <QCryptographicHash>
#include <QMap>

namespace XmpExtension {

namespace {

constexpr qsizetype GuidSize = 32;
constexpr qsizetype PartHeader = GuidSize + 8; // the GUID, the whole length and the offset
constexpr qsizetype MaxPayload = 65533;        // a segment's length field counts itself

} // namespace

Result<QByteArray> assemble(const QList<QByteArrayView>& payloads, const QString& guid) {
    using R = Result<QByteArray>;
    const QByteArray wanted = guid.toLatin1().toUpper();
    QMap<quint32, QByteArrayView> parts; // by offset
    qint64 whole = -1;
    for (const QByteArrayView payload : payloads) {
        if (!payload.startsWith(SegmentHeader) ||
            payload.size() < SegmentHeader.size() + PartHeader)
            continue;
        const QByteArrayView rest = payload.sliced(SegmentHeader.size());
        if (rest.first(GuidSize).toByteArray().toUpper() != wanted)
            continue; // a part of another extension, which the packet does not name
        const QByteArray numbers = rest.sliced(GuidSize, 8).toByteArray();
        const quint32 length = readBigEndian(numbers, 0, 4);
        if (whole >= 0 && whole != length)
            return R::fail(QStringLiteral("the parts of the extended XMP disagree on its length"));
        whole = length;
        parts.insert(readBigEndian(numbers, 4, 4), rest.sliced(PartHeader));
    }
    if (whole < 0)
        return R::ok(QByteArray()); // a name left behind by a writer that dropped the extension
    QByteArray text;
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        if (it.key() != quint32(text.size()) || text.size() + it.value().size() > whole)
            return R::fail(QStringLiteral("the extended XMP is missing a part"));
        text += it.value();
    }
    if (text.size() != whole)
        return R::fail(QStringLiteral("the extended XMP is missing a part"));
    if (guidOfText(text) != wanted)
        return R::fail(QStringLiteral("the extended XMP does not match the digest its packet "
                                      "names"));
    return R::ok(std::move(text));
}

QString guidOf(const QByteArray& packet) {
    // Only a packet that names an extension is read for it.
    if (!packet.contains("HasExtendedXMP"))
        return QString();
    const auto parsed = XmpPacket::parse(packet);
    return parsed ? parsed->values().value(GuidKey).toString() : QString();
}

QByteArray guidOfText(const QByteArray& extension) {
    return QCryptographicHash::hash(extension, QCryptographicHash::Md5).toHex().toUpper();
}

QList<QByteArray> payloads(const QByteArray& extension) {
    const QByteArray guid = guidOfText(extension);
    const qsizetype room = MaxPayload - SegmentHeader.size() - PartHeader;
    QList<QByteArray> out;
    for (qsizetype at = 0; at < extension.size(); at += room) {
        QByteArray payload = SegmentHeader + guid;
        for (const quint32 number : {quint32(extension.size()), quint32(at)}) {
            for (int shift = 24; shift >= 0; shift -= 8)
                payload.append(char((number >> shift) & 0xff));
        }
        out << payload + extension.mid(at, room);
    }
    return out;
}

Result<QVariantMap> values(const QByteArray& packet, const QByteArray& extension) {
    using R = Result<QVariantMap>;
    const auto main = XmpPacket::parse(packet);
    if (!main)
        return R::fail(main.error());
    QVariantMap all = main->values();
    if (extension.isEmpty())
        return R::ok(std::move(all));
    const auto extended = XmpPacket::parse(extension);
    if (!extended)
        return R::fail(
            QStringLiteral("the extended XMP could not be read (%1)").arg(extended.error()));
    all.remove(GuidKey);
    const QVariantMap more = extended->values();
    for (auto it = more.cbegin(); it != more.cend(); ++it)
        all.insert(it.key(), it.value());
    return R::ok(std::move(all));
}

} // namespace XmpExtension
