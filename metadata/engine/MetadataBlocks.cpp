#include "metadata/engine/MetadataBlocks.h"

#include "metadata/engine/BlockSignatures.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/PngText.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/XmpExtension.h"

#include <QMap>

namespace {

using namespace BlockSignatures;

// Cuts off the "Exif\0\0" some writers put before the TIFF header.
QByteArray withoutExifHeader(const QByteArray& block) {
    return block.startsWith(Exif) ? block.mid(Exif.size()) : block;
}

void readJpeg(const QByteArray& bytes, MetadataBlocks& blocks) {
    QByteArray resources;
    QList<QByteArrayView> extension;
    // What the headers hold up to any damage: a reader keeps what it found.
    JpegSegments walk(bytes);
    for (const JpegSegment& segment : walk) {
        // The blocks refer into the photo's bytes rather than copy them.
        const QByteArrayView payload = segment.payloadIn(bytes);
        const auto view = [&](qsizetype skip) {
            return QByteArray::fromRawData(payload.data() + skip, payload.size() - skip);
        };
        const quint8 marker = segment.marker;
        if (marker == 0xE1 && blocks.exif.isEmpty() && payload.startsWith(Exif))
            blocks.exif = view(Exif.size());
        else if (marker == 0xE1 && blocks.xmp.isEmpty() && payload.startsWith(Xmp))
            blocks.xmp = view(Xmp.size());
        else if (marker == 0xE1 && payload.startsWith(XmpExtension::SegmentHeader))
            extension << payload;
        else if (marker == 0xED && payload.startsWith(Photoshop))
            resources += payload.sliced(Photoshop.size());
        if (segment.isFrameHeader() && !blocks.pixelSize && payload.size() >= 5)
            blocks.pixelSize = QSize(int(readBigEndian(bytes, segment.payload + 3, 2)),
                                     int(readBigEndian(bytes, segment.payload + 1, 2)));
    }
    blocks.iptc = iptcFromImageResources(resources);
    if (extension.isEmpty() || blocks.xmp.isEmpty())
        return;
    const QString guid = XmpExtension::guidOf(blocks.xmp);
    if (guid.isEmpty())
        return;
    auto assembled = XmpExtension::assemble(extension, guid);
    if (assembled)
        blocks.xmpExtension = std::move(assembled.value());
    else
        blocks.xmpExtensionProblem = assembled.error();
}

// An unsigned field of 0, 4 or 8 bytes, as the item location box sizes them.
quint64 readField(const QByteArray& bytes, qsizetype& at, int size, qsizetype end) {
    if (size == 0 || at + size > end) {
        at += size;
        return 0;
    }
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    at += size;
    return value;
}

void readHeif(const QByteArray& bytes, MetadataBlocks& blocks) {
    QMap<quint32, QByteArray> itemTypes; // item -> "Exif", or the content type of "mime"
    QMap<quint32, std::pair<quint64, quint64>> locations; // item -> first extent
    forEachBox(bytes, 0, bytes.size(), [&](const QByteArray& type, qsizetype begin, qsizetype end) {
        if (type != "meta")
            return;
        forEachBox(bytes, begin + 4, end, [&](const QByteArray& inner, qsizetype b, qsizetype e) {
            if (inner == "iinf" && e - b >= 6) {
                const int version = quint8(bytes[b]);
                const qsizetype first = b + (version == 0 ? 6 : 8);
                forEachBox(bytes, first, e,
                           [&](const QByteArray& entry, qsizetype ib, qsizetype ie) {
                               if (entry != "infe" || ie - ib < 12 || quint8(bytes[ib]) < 2)
                                   return;
                               const bool wide = quint8(bytes[ib]) >= 3;
                               qsizetype at = ib + 4;
                               const quint32 item = readBigEndian(bytes, at, wide ? 4 : 2);
                               at += (wide ? 4 : 2) + 2;
                               if (at + 4 > ie)
                                   return;
                               const QByteArray itemType = bytes.mid(at, 4);
                               at += 4;
                               if (itemType == "mime") {
                                   const qsizetype nameEnd = bytes.indexOf('\0', at);
                                   const qsizetype typeEnd =
                                       nameEnd < 0 ? -1 : bytes.indexOf('\0', nameEnd + 1);
                                   if (typeEnd > 0 && typeEnd < ie)
                                       itemTypes.insert(
                                           item, bytes.mid(nameEnd + 1, typeEnd - nameEnd - 1));
                               } else {
                                   itemTypes.insert(item, itemType);
                               }
                           });
            } else if (inner == "iloc" && e - b >= 8) {
                const int version = quint8(bytes[b]);
                const int offsetSize = quint8(bytes[b + 4]) >> 4;
                const int lengthSize = quint8(bytes[b + 4]) & 15;
                const int baseSize = quint8(bytes[b + 5]) >> 4;
                const int indexSize = version >= 1 ? quint8(bytes[b + 5]) & 15 : 0;
                qsizetype at = b + 6;
                const quint64 count = readField(bytes, at, version < 2 ? 2 : 4, e);
                for (quint64 i = 0; i < count && at < e; ++i) {
                    const quint32 item = quint32(readField(bytes, at, version < 2 ? 2 : 4, e));
                    const quint64 method = version >= 1 ? readField(bytes, at, 2, e) & 15 : 0;
                    at += 2; // data reference index
                    const quint64 base = readField(bytes, at, baseSize, e);
                    const quint64 extents = readField(bytes, at, 2, e);
                    for (quint64 x = 0; x < extents && at < e; ++x) {
                        readField(bytes, at, indexSize, e);
                        const quint64 offset = readField(bytes, at, offsetSize, e);
                        const quint64 length = readField(bytes, at, lengthSize, e);
                        if (x == 0 && method == 0)
                            locations.insert(item, {base + offset, length});
                    }
                }
            }
        });
    });
    for (auto it = itemTypes.cbegin(); it != itemTypes.cend(); ++it) {
        if (!locations.contains(it.key()))
            continue;
        const bool exif = it.value() == "Exif";
        if (!exif && it.value() != "application/rdf+xml")
            continue; // image data: megabytes that are no metadata
        const auto [offset, length] = locations.value(it.key());
        if (offset + length > quint64(bytes.size()))
            continue;
        const QByteArray payload = bytes.mid(qsizetype(offset), qsizetype(length));
        if (exif && payload.size() >= 4) {
            const quint32 skip = readBigEndian(payload, 0, 4);
            if (qsizetype(skip) + 4 < payload.size())
                blocks.exif = payload.mid(4 + skip);
        } else if (!exif) {
            blocks.xmp = payload;
        }
    }
}

void readWebP(const QByteArray& bytes, MetadataBlocks& blocks) {
    for (const Chunk& chunk : ChunkWalk(bytes, ChunkWalk::Form::WebP)) {
        if (chunk.type == "EXIF")
            blocks.exif = withoutExifHeader(chunk.dataOf(bytes));
        else if (chunk.isWebPXmp() && blocks.xmp.isNull())
            blocks.xmp = chunk.dataOf(bytes);
    }
}

void readPng(const QByteArray& bytes, MetadataBlocks& blocks) {
    static const QByteArray xmpKeyword("XML:com.adobe.xmp\0", 18);
    static const QByteArray iptcKeyword("Raw profile type iptc\0", 22);
    static const QByteArray xmpProfileKeyword("Raw profile type xmp\0", 21);
    static const QByteArray exifProfileKeywords[] = {QByteArray("Raw profile type exif\0", 22),
                                                     QByteArray("Raw profile type APP1\0", 22)};
    bool exifChunk = false;
    for (const Chunk& chunk : ChunkWalk(bytes, ChunkWalk::Form::Png)) {
        const QByteArray& type = chunk.type;
        const QByteArray data = chunk.dataOf(bytes);
        if (type == "eXIf") {
            blocks.exif = withoutExifHeader(data);
            exifChunk = true;
        }
        // The hex raw profile older writers keep the EXIF block in, where
        // the photo has no chunk of its own for it.
        else if ((type == "zTXt" || type == "tEXt") && !exifChunk && blocks.exif.isEmpty() &&
                 (data.startsWith(exifProfileKeywords[0]) ||
                  data.startsWith(exifProfileKeywords[1]))) {
            if (const auto text = PngText::text(type, data))
                blocks.exif = withoutExifHeader(PngText::profileBytes(text->second));
        }
        // An uncompressed iTXt: keyword, flag, method, language and
        // translated keyword (both empty here), then the text.
        else if (type == "iTXt" && data.startsWith(xmpKeyword) && data.size() > 22 &&
                 data[18] == 0 && blocks.xmp.isEmpty())
            blocks.xmp = data.mid(22); // readers take the first packet, as the writer edits it
        // ImageMagick's hex raw profile of the packet, which its writers edit too.
        else if ((type == "zTXt" || type == "tEXt") && data.startsWith(xmpProfileKeyword) &&
                 blocks.xmp.isEmpty()) {
            if (const auto text = PngText::text(type, data))
                blocks.xmp = PngText::profileBytes(text->second);
        } else if (type == "zTXt" && data.startsWith(iptcKeyword) && blocks.iptc.isEmpty()) {
            if (const auto text = PngText::text(type, data)) {
                const QByteArray profile = PngText::profileBytes(text->second);
                blocks.iptc =
                    profile.startsWith("8BIM") ? iptcFromImageResources(profile) : profile;
            }
        }
    }
}

} // namespace

QByteArray iptcFromImageResources(const QByteArray& resources) {
    QByteArray iptc;
    qsizetype at = 0;
    while (at + 12 <= resources.size() && resources.mid(at, 4) == "8BIM") {
        const quint32 id = readBigEndian(resources, at + 4, 2);
        const int nameLength = quint8(resources[at + 6]);
        qsizetype data = at + 6 + ((nameLength + 2) & ~1);
        if (data + 4 > resources.size())
            break;
        const qsizetype size = readBigEndian(resources, data, 4);
        data += 4;
        if (data + size > resources.size())
            break;
        if (id == PhotoshopResources::IptcId)
            iptc += resources.mid(data, size);
        at = data + size + (size & 1);
    }
    return iptc;
}

MetadataBlocks findMetadataBlocks(PhotoFormat format, const QByteArray& bytes) {
    MetadataBlocks blocks;
    switch (format) {
    case PhotoFormat::Jpeg:
        readJpeg(bytes, blocks);
        break;
    case PhotoFormat::Tiff:
        blocks.exif = bytes; // its embedded IPTC and XMP come out of the EXIF decoding
        break;
    case PhotoFormat::Heif:
        readHeif(bytes, blocks);
        break;
    case PhotoFormat::WebP:
        readWebP(bytes, blocks);
        break;
    case PhotoFormat::Png:
        readPng(bytes, blocks);
        break;
    default: // read by the library alone
        break;
    }
    return blocks;
}

QByteArray xmpPacketOf(PhotoFormat format, const QByteArray& bytes) {
    if (format != PhotoFormat::Tiff)
        return findMetadataBlocks(format, bytes).xmp;
    const auto editor = TiffEditor::open(bytes, TiffEditor::Origin::TiffFile);
    return editor ? editor->valueOf(TiffEditor::Directory::Ifd0, Tag::Xmp).value_or(QByteArray())
                  : QByteArray();
}

MetadataBlocks xmpBlocksOf(PhotoFormat format, const QByteArray& bytes) {
    if (format != PhotoFormat::Tiff)
        return findMetadataBlocks(format, bytes);
    MetadataBlocks blocks;
    blocks.xmp = xmpPacketOf(format, bytes);
    return blocks;
}

Result<QVariantMap> xmpValuesOf(const MetadataBlocks& blocks) {
    if (blocks.xmp.isEmpty())
        return Result<QVariantMap>::ok({});
    // An extension that does not match its digest is left unread: the
    // problem says so.
    return XmpExtension::values(blocks.xmp, blocks.xmpExtension);
}

std::optional<QByteArray> jpegHeadersWithoutXmp(const QByteArray& bytes) {
    JpegSegments walk(bytes);
    QByteArray headers = bytes.left(2);
    for (const JpegSegment& segment : walk) {
        if (!segment.holds(bytes, 0xE1, Xmp))
            headers.append(bytes.constData() + segment.start, segment.size());
    }
    if (!walk.scan())
        return std::nullopt;
    return headers + QByteArray("\xFF\xD9", 2);
}
