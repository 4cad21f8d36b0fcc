#include "metadata/engine/TiffGuard.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffLayout.h"

namespace {

class TiffBytes {
public:
    explicit TiffBytes(const QByteArray& bytes) : m_bytes(bytes) {}

    bool has(qint64 at, qint64 length) const {
        return at >= 0 && length >= 0 && at + length <= m_bytes.size();
    }
    quint32 readBigEndian(qint64 at, int size) const { return ::readBigEndian(m_bytes, at, size); }
    const QByteArray& bytes() const { return m_bytes; }

private:
    const QByteArray& m_bytes;
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
    const auto header = TiffHeader::read(bytes);
    if (!header)
        return Status::fail(QStringLiteral("damaged TIFF: no byte order mark"));
    // Without a first directory the library has nothing to trust; the
    // TIFF editor refuses the photo for that, by name.
    if (header->firstDirectory == 0)
        return Status::ok();
    IfdWalk first(bytes, header->little, header->firstDirectory);
    if (first.damage() == IfdWalk::Damage::Outside)
        return Status::fail(QStringLiteral("damaged TIFF: first directory out of the file"));
    if (first.damage() == IfdWalk::Damage::CutShort)
        return Status::fail(QStringLiteral("damaged TIFF: first directory truncated"));
    for (const IfdEntry& entry : first) {
        if (entry.tag != Tag::ImageResources)
            continue;
        if (entry.type != 1 && entry.type != 7)
            return Status::fail(QStringLiteral("damaged Photoshop block"));
        const qint64 at = entry.valueAt();
        if (!tiff.has(at, entry.count) || !resourcesAreWellFormed(tiff, at, entry.count))
            return Status::fail(QStringLiteral("damaged Photoshop block"));
    }
    return Status::ok();
}
