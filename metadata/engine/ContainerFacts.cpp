#include "metadata/engine/ContainerFacts.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/HeifItems.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffLayout.h"

#include <QMap>

#include <span>

namespace {

// The properties each item is associated with (1-based indexes into ipco),
// as far as the ipma box can be read.
void readAssociations(const QByteArray& bytes, const IsoBox& ipma,
                      QMap<quint32, QList<int>>& associations) {
    BoxFields fields(bytes, ipma);
    const BoxFields::FullBox full = fields.fullBox();
    const bool wide = full.flags & 1;
    const quint64 entries = fields.read(4);
    for (quint64 i = 0; i < entries && !fields.cutShort(); ++i) {
        const quint32 item = quint32(fields.read(full.version < 1 ? 2 : 4));
        const int count = int(fields.read(1));
        for (int j = 0; j < count && !fields.cutShort(); ++j) {
            const quint64 association = fields.read(wide ? 2 : 1);
            if (!fields.cutShort())
                associations[item] << int(association & (wide ? 0x7fff : 0x7f));
        }
    }
}

} // namespace

std::optional<QSize> heifPrimaryImageSize(const QByteArray& bytes) {
    const HeifItems heif = HeifItems::read(bytes);
    if (heif.primary == 0)
        return std::nullopt;
    QMap<int, QSize> sizes; // property index (1-based) -> size
    QMap<quint32, QList<int>> associations;
    for (const IsoBox& box : heif.inMeta) {
        if (box.type != "iprp")
            continue;
        for (const IsoBox& part : BoxWalk(bytes, box)) {
            if (part.type == "ipco") {
                int index = 0;
                for (const IsoBox& property : BoxWalk(bytes, part)) {
                    ++index;
                    if (property.type != "ispe")
                        continue;
                    BoxFields extent(bytes, property);
                    extent.fullBox();
                    const quint64 width = extent.read(4), height = extent.read(4);
                    if (!extent.cutShort())
                        sizes.insert(index, QSize(int(width), int(height)));
                }
            } else if (part.type == "ipma") {
                readAssociations(bytes, part, associations);
            }
        }
    }
    for (int index : associations.value(heif.primary)) {
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
    const auto header = TiffHeader::read(bytes);
    if (!header)
        return incomplete();
    TiffPages pages(bytes, *header);
    for (IfdWalk page : pages) {
        QMap<quint32, QList<quint64>> fields;
        for (const IfdEntry& entry : page) {
            if (entry.tag != Tag::StripOffsets && entry.tag != Tag::StripByteCounts &&
                entry.tag != Tag::TileOffsets && entry.tag != Tag::TileByteCounts)
                continue;
            const int width = entry.type == 3 ? 2 : 4;
            const qsizetype at = qint64(entry.count) * width <= 4 ? entry.at + 8 : entry.field;
            if (entry.count > 1000000 || at + qsizetype(entry.count) * width > bytes.size())
                return incomplete();
            for (quint32 j = 0; j < entry.count; ++j)
                fields[entry.tag] << readUnsigned(bytes, at + qsizetype(j) * width, width,
                                                  header->little);
        }
        for (const auto& [offsets, counts] : std::span(Tag::DataPairs).first(Tag::ImageDataPairs)) {
            const QList<quint64> starts = fields.value(offsets);
            const QList<quint64> lengths = fields.value(counts);
            for (qsizetype i = 0; i < std::min(starts.size(), lengths.size()); ++i) {
                if (starts[i] + lengths[i] > quint64(bytes.size()))
                    return incomplete();
            }
        }
    }
    return pages.damage() == IfdWalk::Damage::None ? Status::ok() : incomplete();
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
