#include "metadata/engine/ContainerFacts.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/TagTable.h"

#include <QMap>

#include <span>

std::optional<QSize> heifPrimaryImageSize(const QByteArray& bytes) {
    std::optional<quint32> primary;
    QMap<int, QSize> sizes; // property index (1-based) -> size
    QMap<quint32, QList<int>> associations;
    forEachBox(bytes, 0, bytes.size(), [&](const QByteArray& type, qsizetype begin, qsizetype end) {
        if (type != "meta")
            return;
        forEachBox(bytes, begin + 4, end, [&](const QByteArray& inner, qsizetype b, qsizetype e) {
            if (inner == "pitm" && e - b >= 6)
                primary = bytes[b] == 0 ? readBigEndian(bytes, b + 4, 2)
                                        : (e - b >= 8 ? readBigEndian(bytes, b + 4, 4) : 0);
            if (inner != "iprp")
                return;
            forEachBox(bytes, b, e, [&](const QByteArray& part, qsizetype pb, qsizetype pe) {
                if (part == "ipco") {
                    int index = 0;
                    forEachBox(
                        bytes, pb, pe, [&](const QByteArray& property, qsizetype qb, qsizetype qe) {
                            ++index;
                            if (property == "ispe" && qe - qb >= 12)
                                sizes.insert(index, QSize(int(readBigEndian(bytes, qb + 4, 4)),
                                                          int(readBigEndian(bytes, qb + 8, 4))));
                        });
                } else if (part == "ipma" && pe - pb >= 8) {
                    const int version = quint8(bytes[pb]);
                    const bool wide = bytes[pb + 3] & 1;
                    const quint32 entries = readBigEndian(bytes, pb + 4, 4);
                    qsizetype at = pb + 8;
                    for (quint32 i = 0; i < entries; ++i) {
                        const int idSize = version < 1 ? 2 : 4;
                        if (at + idSize + 1 > pe)
                            return;
                        const quint32 item = readBigEndian(bytes, at, idSize);
                        const int count = quint8(bytes[at + idSize]);
                        at += idSize + 1;
                        for (int j = 0; j < count; ++j) {
                            if (at + (wide ? 2 : 1) > pe)
                                return;
                            associations[item] << int(wide ? readBigEndian(bytes, at, 2) & 0x7fff
                                                           : quint8(bytes[at]) & 0x7f);
                            at += wide ? 2 : 1;
                        }
                    }
                }
            });
        });
    });
    if (!primary)
        return std::nullopt;
    for (int index : associations.value(*primary)) {
        if (sizes.contains(index))
            return sizes.value(index);
    }
    return std::nullopt;
}

namespace {

Status incomplete() {
    return Status::fail(QStringLiteral("truncated or damaged image data"));
}

Status checkJpeg(const QByteArray& bytes) {
    // Entropy-coded data never holds 0xFF 0xD9, so a file that ends in an end
    // marker was not cut short: walking megabytes of scan data to find it
    // again would only cost time. Anything else is walked.
    if (bytes.size() >= 4 && bytes.endsWith("\xFF\xD9"))
        return Status::ok();
    JpegSegments walk(bytes);
    for (;;) {
        while (walk.next()) {
        }
        if (walk.reachedImageEnd())
            return Status::ok();
        if (!walk.skipScan())
            return incomplete();
    }
}

Status checkTiff(const QByteArray& bytes) {
    if (bytes.size() < 8)
        return incomplete();
    const bool little = bytes.startsWith("II");
    quint32 ifd = readUnsigned(bytes, 4, 4, little);
    for (int page = 0; ifd != 0 && page < 10000; ++page) {
        if (qsizetype(ifd) + 2 > bytes.size())
            return incomplete();
        const quint32 entries = readUnsigned(bytes, ifd, 2, little);
        if (qsizetype(ifd) + 2 + qsizetype(entries) * 12 + 4 > bytes.size())
            return incomplete();
        QMap<quint32, QList<quint64>> fields;
        for (quint32 i = 0; i < entries; ++i) {
            const qsizetype entry = ifd + 2 + qsizetype(i) * 12;
            const quint32 tag = readUnsigned(bytes, entry, 2, little);
            if (tag != Tag::StripOffsets && tag != Tag::StripByteCounts &&
                tag != Tag::TileOffsets && tag != Tag::TileByteCounts)
                continue;
            const quint32 type = readUnsigned(bytes, entry + 2, 2, little);
            const quint32 count = readUnsigned(bytes, entry + 4, 4, little);
            const int width = type == 3 ? 2 : 4;
            const qsizetype at = qint64(count) * width <= 4
                                     ? entry + 8
                                     : qsizetype(readUnsigned(bytes, entry + 8, 4, little));
            if (count > 1000000 || at + qsizetype(count) * width > bytes.size())
                return incomplete();
            for (quint32 j = 0; j < count; ++j)
                fields[tag] << readUnsigned(bytes, at + qsizetype(j) * width, width, little);
        }
        for (const auto& [offsets, counts] : std::span(Tag::DataPairs).first(Tag::ImageDataPairs)) {
            const QList<quint64> starts = fields.value(offsets);
            const QList<quint64> lengths = fields.value(counts);
            for (qsizetype i = 0; i < std::min(starts.size(), lengths.size()); ++i) {
                if (starts[i] + lengths[i] > quint64(bytes.size()))
                    return incomplete();
            }
        }
        ifd = readUnsigned(bytes, ifd + 2 + qsizetype(entries) * 12, 4, little);
    }
    return Status::ok();
}

Status checkPng(const QByteArray& bytes) {
    ChunkWalk walk(bytes, ChunkWalk::Form::Png);
    while (walk.next()) {
    }
    return walk.reachedEnd() ? Status::ok() : incomplete();
}

Status checkWebP(const QByteArray& bytes) {
    if (bytes.size() < 12)
        return incomplete();
    const quint32 riffSize = quint8(bytes[4]) | (quint8(bytes[5]) << 8) | (quint8(bytes[6]) << 16) |
                             (quint32(quint8(bytes[7])) << 24);
    return qint64(riffSize) + 8 <= bytes.size() ? Status::ok() : incomplete();
}

} // namespace

Status checkImageDataComplete(PhotoFormat format, const QByteArray& bytes) {
    switch (format) {
    case PhotoFormat::Jpeg:
        return checkJpeg(bytes);
    case PhotoFormat::Tiff:
        return checkTiff(bytes);
    case PhotoFormat::Png:
        return checkPng(bytes);
    case PhotoFormat::WebP:
        return checkWebP(bytes);
    default: // checked by their readers, and never rewritten
        break;
    }
    return Status::ok();
}
