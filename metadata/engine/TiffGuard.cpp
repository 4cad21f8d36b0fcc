#include "metadata/engine/TiffGuard.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/TagTable.h"

namespace {

class TiffBytes {
public:
    explicit TiffBytes(const QByteArray& bytes)
        : m_bytes(bytes), m_little(bytes.startsWith("II")) {}

    bool has(qint64 at, qint64 length) const {
        return at >= 0 && length >= 0 && at + length <= m_bytes.size();
    }
    quint32 read(qint64 at, int size) const { return readUnsigned(m_bytes, at, size, m_little); }
    quint32 readBigEndian(qint64 at, int size) const { return ::readBigEndian(m_bytes, at, size); }
    const QByteArray& bytes() const { return m_bytes; }

private:
    const QByteArray& m_bytes;
    bool m_little;
};

// Photoshop image resources: a run of blocks "8BIM", id, padded Pascal name,
// size, padded data, which must end exactly at the end of the field.
bool resourcesAreWellFormed(const TiffBytes& tiff, qint64 at, qint64 length) {
    const qint64 end = at + length;
    while (at < end) {
        if (end - at < 12 || tiff.bytes().mid(at, 4) != "8BIM")
            return false;
        const qint64 nameLength = quint8(tiff.bytes()[at + 6]);
        qint64 cursor = at + 6 + ((nameLength + 2) & ~qint64(1));
        if (cursor + 4 > end)
            return false;
        const qint64 size = tiff.readBigEndian(cursor, 4);
        cursor += 4;
        if (size > end - cursor)
            return false;
        at = cursor + ((size + 1) & ~qint64(1));
    }
    return at <= end + 1;
}

} // namespace

Status checkTiffIsSafeToWrite(const QByteArray& bytes) {
    const TiffBytes tiff(bytes);
    if (!tiff.has(0, 8))
        return Status::fail(QStringLiteral("truncated TIFF"));
    const qint64 ifd = tiff.read(4, 4);
    if (!tiff.has(ifd, 2))
        return Status::fail(QStringLiteral("damaged TIFF: first directory out of the file"));
    const qint64 entries = tiff.read(ifd, 2);
    if (!tiff.has(ifd + 2, entries * 12))
        return Status::fail(QStringLiteral("damaged TIFF: first directory truncated"));
    for (qint64 i = 0; i < entries; ++i) {
        const qint64 entry = ifd + 2 + i * 12;
        if (tiff.read(entry, 2) != Tag::ImageResources)
            continue;
        const quint32 type = tiff.read(entry + 2, 2);
        const qint64 count = tiff.read(entry + 4, 4);
        if (type != 1 && type != 7)
            return Status::fail(QStringLiteral("damaged Photoshop block"));
        const qint64 at = count <= 4 ? entry + 8 : qint64(tiff.read(entry + 8, 4));
        if (!tiff.has(at, count) || !resourcesAreWellFormed(tiff, at, count))
            return Status::fail(QStringLiteral("damaged Photoshop block"));
    }
    return Status::ok();
}
