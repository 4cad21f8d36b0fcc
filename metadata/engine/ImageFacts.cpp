#include "metadata/engine/ImageFacts.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/TagTable.h"

#include <QList>

namespace {

using Tag::DngVersion, Tag::Photometric, Tag::SubIfds;

// The raw data's photometric interpretations: colour filter array, linear raw.
bool isRawPhotometric(quint32 value) {
    return value == 32803 || value == 34892;
}

struct IfdWalk {
    const QByteArray& bytes;
    bool little;

    quint32 at(qint64 offset, int size) const {
        if (offset < 0 || offset + size > bytes.size())
            return 0;
        return readUnsigned(bytes, qsizetype(offset), size, little);
    }

    // The directory's entries, visited as (tag, type, count, field offset);
    // nothing of a directory that does not lie inside the bytes.
    template <typename Visit> void entries(quint32 ifd, Visit visit) const {
        if (ifd < 8 || qint64(ifd) + 2 > bytes.size())
            return;
        const quint32 count = at(ifd, 2);
        if (qint64(ifd) + 2 + 12 * qint64(count) > bytes.size())
            return;
        for (quint32 i = 0; i < count; ++i) {
            const qint64 entry = qint64(ifd) + 2 + 12 * qint64(i);
            visit(quint16(at(entry, 2)), quint16(at(entry + 2, 2)), at(entry + 4, 4), entry + 8);
        }
    }

    // A SHORT or LONG value of one item in the entry's field.
    quint32 single(quint16 type, qint64 field) const {
        return type == 3 ? at(field, 2) : at(field, 4);
    }
};

} // namespace

TiffRawKind tiffRawKind(const QByteArray& tiff) {
    if (tiff.size() < 16 || (!tiff.startsWith("II") && !tiff.startsWith("MM")))
        return TiffRawKind::None;
    const IfdWalk walk{tiff, tiff.startsWith("II")};
    const quint32 first = walk.at(4, 4);
    bool dng = false;
    bool raw = tiff.mid(8, 2) == "CR";
    QList<quint32> subIfds;
    walk.entries(first, [&](quint16 tag, quint16 type, quint32 count, qint64 field) {
        if (tag == DngVersion)
            dng = true;
        else if (tag == Photometric && count == 1)
            raw = raw || isRawPhotometric(walk.single(type, field));
        else if (tag == SubIfds && (type == 4 || type == 13) && count >= 1 && count <= 16) {
            const qint64 values = count == 1 ? field : walk.at(field, 4);
            for (quint32 i = 0; i < count; ++i)
                subIfds << walk.at(values + 4 * qint64(i), 4);
        }
    });
    if (dng)
        return TiffRawKind::Dng;
    for (quint32 sub : subIfds) {
        walk.entries(sub, [&](quint16 tag, quint16 type, quint32 count, qint64 field) {
            if (tag == Photometric && count == 1)
                raw = raw || isRawPhotometric(walk.single(type, field));
        });
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
    if (tiff.size() < 8 || (!tiff.startsWith("II") && !tiff.startsWith("MM")))
        return false;
    const IfdWalk walk{tiff, tiff.startsWith("II")};
    bool found = false;
    walk.entries(walk.at(4, 4),
                 [&](quint16 tag, quint16, quint32, qint64) { found = found || tag == wanted; });
    return found;
}

bool jpegHasIccProfile(const QByteArray& jpeg) {
    for (const JpegSegment& segment : JpegSegments(jpeg)) {
        if (segment.holds(jpeg, 0xE2, QByteArrayView("ICC_PROFILE\0", 12)))
            return true;
    }
    return false;
}
