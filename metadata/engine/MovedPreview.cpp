#include "metadata/engine/MovedPreview.h"

#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffLayout.h"

#include <optional>

namespace {

struct Pointer {
    qsizetype valueAt = 0; // of the 32-bit value, in the file
    qsizetype base = 0;    // where the value counts from
    quint32 value = 0;
    bool little = false;
};

// The preview pointer of an Olympus maker note at note ("OLYMPUS\0", its
// own byte order, its directory at 12, offsets from its start), all of it
// before limit.
std::optional<Pointer> olympusPreviewIn(const QByteArray& file, qsizetype note, qsizetype limit) {
    if (note < 0 || note + 12 > limit || limit > file.size() ||
        file.mid(note, 8) != QByteArray("OLYMPUS\0", 8))
        return std::nullopt;
    const auto little = littleEndianMark(file, note + 8);
    if (!little)
        return std::nullopt;
    const auto settings = IfdWalk(file, *little, 12, note, limit).find(Tag::OlympusCameraSettings);
    if (!settings || settings->count != 1)
        return std::nullopt;
    const auto start =
        IfdWalk(file, *little, settings->field, note, limit).find(Tag::OlympusPreviewStart);
    if (!start || start->type != 4 || start->count != 1)
        return std::nullopt;
    return Pointer{qsizetype(start->at + 8), note, start->field, *little};
}

// The same in the EXIF block whose TIFF header is at tiff and which ends at
// limit.
std::optional<Pointer> olympusPreview(const QByteArray& file, qsizetype tiff, qsizetype limit) {
    if (limit > file.size())
        return std::nullopt;
    const auto header = TiffHeader::read(file, tiff, limit);
    if (!header)
        return std::nullopt;
    const auto exifEntry =
        IfdWalk(file, header->little, header->firstDirectory, tiff, limit).find(Tag::ExifPointer);
    if (!exifEntry)
        return std::nullopt;
    const auto noteEntry =
        IfdWalk(file, header->little, exifEntry->field, tiff, limit).find(Tag::MakerNote);
    if (!noteEntry || noteEntry->count <= 4)
        return std::nullopt;
    return olympusPreviewIn(file, tiff + noteEntry->field, limit);
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
