#pragma once

#include "metadata/Result.h"
#include "metadata/engine/TiffEditor.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

struct MetadataEdit;

// The EXIF block (a TIFF structure) of a photo after the edit's steps of the
// TIFF, EXIF and GPS sets. block is null for a photo without one; a block is
// then made only when a step writes a value.
struct ExifBlockEdit {
    std::optional<QByteArray> bytes; // nothing: the block stays as it is
    QStringList repairs;
    bool tooLarge = false;    // it would outgrow maxSize: a failure the library's writer may mend
    qsizetype neededSize = 0; // when too large: the size it would take
};
Result<ExifBlockEdit> editExifBlock(const QByteArray* block, const MetadataEdit& edit,
                                    qsizetype maxSize);

// Whether the dictionary shows an entry of the directory stored with this
// type and value: a block stripped of what the dictionary does not show
// keeps such entries alone.
bool showsEntry(TiffEditor::Directory directory, quint16 tag, quint16 type, QByteArrayView value);
