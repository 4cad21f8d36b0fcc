#include "metadata/engine/MetadataBlocks.h"

#include "metadata/engine/BlockSignatures.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/HeifItems.h"
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

void readHeif(const QByteArray& bytes, MetadataBlocks& blocks) {
    // What the item table holds up to any damage: a reader keeps the items
    // it could place. Of two entries for one item the later counts, and of
    // two Exif or XMP items the one of the larger id.
    const HeifItems heif = HeifItems::read(bytes);
    QMap<quint32, const HeifItems::Item*> items;
    for (const HeifItems::Item& item : heif.items) {
        if (item.inFile && !item.extents.isEmpty())
            items.insert(item.id, &item);
    }
    for (const HeifItems::Item* item : std::as_const(items)) {
        if (item->isExif()) {
            const QByteArray data = heif.dataOf(*item, bytes);
            const auto start = HeifItems::tiffStartOf(data);
            if (start && *start < data.size())
                blocks.exif = data.mid(*start);
        } else if (item->isXmp()) {
            blocks.xmp = heif.dataOf(*item, bytes);
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
        // The packet's own iTXt, compressed or not, as the writer edits it;
        // readers take the first packet.
        else if (type == "iTXt" && data.startsWith(xmpKeyword) && blocks.xmp.isEmpty()) {
            if (const auto text = PngText::text(type, data))
                blocks.xmp = text->second;
        }
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
