#include "metadata/engine/MovedPreview.h"

#include "metadata/engine/ByteReading.h"
#include "metadata/engine/TagTable.h"

#include <optional>

namespace {

struct Pointer {
    qsizetype valueAt = 0; // of the 32-bit value, in the file
    qsizetype base = 0;    // where the value counts from
    quint32 value = 0;
    bool little = false;
};

// The entry of the tag in the directory at ifd, all of it before limit.
std::optional<qsizetype> entryOf(const QByteArray& file, qsizetype ifd, qsizetype limit,
                                 quint16 tag, bool little) {
    if (ifd < 0 || ifd + 2 > limit)
        return std::nullopt;
    const qsizetype count = readUnsigned(file, ifd, 2, little);
    if (ifd + 2 + 12 * count > limit)
        return std::nullopt;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype at = ifd + 2 + 12 * i;
        if (readUnsigned(file, at, 2, little) == tag)
            return at;
    }
    return std::nullopt;
}

bool byteOrder(const QByteArray& file, qsizetype at, bool* little) {
    if (at + 2 > file.size())
        return false;
    if (file[at] == 'I' && file[at + 1] == 'I')
        *little = true;
    else if (file[at] == 'M' && file[at + 1] == 'M')
        *little = false;
    else
        return false;
    return true;
}

// The preview pointer of an Olympus maker note at note ("OLYMPUS\0", its
// own byte order, its directory at 12, offsets from its start), all of it
// before limit.
std::optional<Pointer> olympusPreviewIn(const QByteArray& file, qsizetype note, qsizetype limit) {
    bool little = false;
    if (note < 0 || note + 12 > limit || limit > file.size() ||
        file.mid(note, 8) != QByteArray("OLYMPUS\0", 8) || !byteOrder(file, note + 8, &little))
        return std::nullopt;
    const auto settings = entryOf(file, note + 12, limit, Tag::OlympusCameraSettings, little);
    if (!settings || readUnsigned(file, *settings + 4, 4, little) != 1)
        return std::nullopt;
    const auto start = entryOf(file, note + readUnsigned(file, *settings + 8, 4, little), limit,
                               Tag::OlympusPreviewStart, little);
    if (!start || readUnsigned(file, *start + 2, 2, little) != 4 ||
        readUnsigned(file, *start + 4, 4, little) != 1)
        return std::nullopt;
    return Pointer{*start + 8, note, readUnsigned(file, *start + 8, 4, little), little};
}

// The same in the EXIF block whose TIFF header is at tiff and which ends at
// limit.
std::optional<Pointer> olympusPreview(const QByteArray& file, qsizetype tiff, qsizetype limit) {
    bool little = false;
    if (limit > file.size() || !byteOrder(file, tiff, &little) || tiff + 8 > limit)
        return std::nullopt;
    const auto exifEntry = entryOf(file, tiff + readUnsigned(file, tiff + 4, 4, little), limit,
                                   Tag::ExifPointer, little);
    if (!exifEntry)
        return std::nullopt;
    const auto noteEntry = entryOf(file, tiff + readUnsigned(file, *exifEntry + 8, 4, little),
                                   limit, Tag::MakerNote, little);
    if (!noteEntry || readUnsigned(file, *noteEntry + 4, 4, little) <= 4)
        return std::nullopt;
    return olympusPreviewIn(file, tiff + readUnsigned(file, *noteEntry + 8, 4, little), limit);
}

} // namespace

void followMovedPreview(const QByteArray& source, qsizetype oldExif, qsizetype oldExifEnd,
                        qsizetype scan, QByteArray& head, qsizetype newExif, qsizetype newExifEnd) {
    // The TIFF header follows the marker, the length and "Exif\0\0".
    const auto before = olympusPreview(source, oldExif + 10, oldExifEnd);
    if (!before)
        return;
    const qint64 target = qint64(before->base) + before->value;
    if (target < scan || target >= source.size())
        return;
    const auto after = olympusPreview(head, newExif + 10, newExifEnd);
    if (!after)
        return;
    const qint64 value = target + (head.size() - scan) - after->base;
    if (value < 0 || value > qint64(0xffffffffu))
        return;
    for (int i = 0; i < 4; ++i)
        head[after->valueAt + i] =
            char((quint64(value) >> (8 * (after->little ? i : 3 - i))) & 0xff);
}

namespace {

QByteArray withoutPreviewPointer(const QByteArray& makerNote) {
    const auto pointer = olympusPreviewIn(makerNote, 0, makerNote.size());
    if (!pointer)
        return makerNote;
    QByteArray cleared = makerNote;
    for (int i = 0; i < 4; ++i)
        cleared[pointer->valueAt + i] = 0;
    return cleared;
}

} // namespace

bool samePreviewAside(const QByteArray& before, const QByteArray& after) {
    return withoutPreviewPointer(before) == withoutPreviewPointer(after);
}
