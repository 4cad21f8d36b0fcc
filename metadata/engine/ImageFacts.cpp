#include "metadata/engine/ImageFacts.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffLayout.h"

#include <QList>

namespace {

using Tag::DngVersion, Tag::Photometric, Tag::SubIfds;

// The raw data's photometric interpretations: colour filter array, linear raw.
bool isRawPhotometric(quint32 value) {
    return value == 32803 || value == 34892;
}

// A SHORT or LONG value of one item in the entry's field.
quint32 single(const QByteArray& bytes, bool little, const IfdEntry& entry) {
    return readUnsigned(bytes, entry.at + 8, entry.type == 3 ? 2 : 4, little);
}

// A 32-bit value at offset, or 0 where it does not lie inside the bytes.
quint32 longAt(const QByteArray& bytes, bool little, qint64 offset) {
    return offset < 0 || offset + 4 > bytes.size() ? 0 : readUnsigned(bytes, offset, 4, little);
}

} // namespace

TiffRawKind tiffRawKind(const QByteArray& tiff) {
    const auto header = TiffHeader::read(tiff);
    if (tiff.size() < 16 || !header)
        return TiffRawKind::None;
    const bool little = header->little;
    bool dng = false;
    bool raw = tiff.mid(8, 2) == "CR";
    QList<quint32> subIfds;
    for (const IfdEntry& entry : IfdWalk(tiff, little, header->firstDirectory)) {
        if (entry.tag == DngVersion)
            dng = true;
        else if (entry.tag == Photometric && entry.count == 1)
            raw = raw || isRawPhotometric(single(tiff, little, entry));
        else if (entry.tag == SubIfds && (entry.type == 4 || entry.type == 13) &&
                 entry.count >= 1 && entry.count <= 16) {
            const qint64 values = entry.count == 1 ? entry.at + 8 : entry.field;
            for (quint32 i = 0; i < entry.count; ++i)
                subIfds << longAt(tiff, little, values + 4 * qint64(i));
        }
    }
    if (dng)
        return TiffRawKind::Dng;
    for (quint32 sub : subIfds) {
        for (const IfdEntry& entry : IfdWalk(tiff, little, sub)) {
            if (entry.tag == Photometric && entry.count == 1)
                raw = raw || isRawPhotometric(single(tiff, little, entry));
        }
    }
    return raw ? TiffRawKind::CameraRaw : TiffRawKind::None;
}

std::optional<JpegFrameFacts> jpegFrameFacts(const QByteArray& jpeg) {
    JpegFrameFacts facts;
    for (const JpegSegment& segment : JpegSegments(jpeg)) {
        const qsizetype payload = segment.payload;
        if (segment.holds(jpeg, 0xE0, QByteArrayView("JFIF\0", 5)) && segment.payloadSize() >= 12) {
            const int units = quint8(jpeg[payload + 7]);
            const int x = int(readBigEndian(jpeg, payload + 8, 2));
            const int y = int(readBigEndian(jpeg, payload + 10, 2));
            if ((units == 1 || units == 2) && x > 0 && y > 0) {
                facts.densityUnit = units + 1;
                facts.densityX = x;
                facts.densityY = y;
            }
        }
        if (segment.isFrameHeader()) {
            if (segment.payloadSize() < 6)
                return std::nullopt;
            facts.height = int(readBigEndian(jpeg, payload + 1, 2));
            facts.width = int(readBigEndian(jpeg, payload + 3, 2));
            facts.components = quint8(jpeg[payload + 5]);
            return facts;
        }
    }
    return std::nullopt;
}

bool ifd0HasTag(const QByteArray& tiff, quint16 wanted) {
    const auto header = TiffHeader::read(tiff);
    return header && IfdWalk(tiff, header->little, header->firstDirectory).find(wanted);
}

bool jpegHasIccProfile(const QByteArray& jpeg) {
    for (const JpegSegment& segment : JpegSegments(jpeg)) {
        if (segment.holds(jpeg, 0xE2, QByteArrayView("ICC_PROFILE\0", 12)))
            return true;
    }
    return false;
}
