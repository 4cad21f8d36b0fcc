#include "metadata/engine/ExifBlockEdit.h"

#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"

#include <limits>

bool showsEntry(TiffEditor::Directory directory, quint16 tag, quint16 type, QByteArrayView value) {
    if (type == TagTable::Undefined && !TagTable::showsUnknownBytes(value))
        return false;
    try {
        return Exiv2Values::dictionaryEntry(
                   Exiv2::Exifdatum(Exiv2::ExifKey(tag, TagTable::groupName(directory))))
            .has_value();
    } catch (const std::exception&) {
        return false;
    }
}

namespace {

// The block made anew of the entries the dictionary shows: the maker note,
// the thumbnail and every entry of other applications stay behind.
Result<TiffEditor> shownEntriesOnly(const TiffEditor& editor) {
    using D = TiffEditor::Directory;
    TiffEditor fresh = TiffEditor::empty(editor.littleEndian());
    for (const D directory : {D::Ifd0, D::Exif, D::Gps}) {
        for (quint16 tag : editor.tagsOf(directory)) {
            const auto type = editor.typeOf(directory, tag);
            const auto value = editor.valueOf(directory, tag);
            if (!type || !value || tiffTypeSize(*type) == 0 ||
                !showsEntry(directory, tag, *type, *value))
                continue;
            const Status copied = fresh.setEntry(
                directory, tag, *type, quint32(value->size() / tiffTypeSize(*type)), *value);
            if (!copied)
                return Result<TiffEditor>::fail(copied.error());
        }
    }
    return Result<TiffEditor>::ok(std::move(fresh));
}

} // namespace

Result<ExifBlockEdit> editExifBlock(const QByteArray* block, const MetadataEdit& edit,
                                    qsizetype maxSize) {
    using R = Result<ExifBlockEdit>;
    ExifBlockEdit result;
    if ((!edit.touchesExifBlock() && !edit.stripHidden) || (!block && !edit.writesExifValues()))
        return R::ok(result);
    const bool parsed = block && edit.parsedExifBlock &&
                        edit.parsedExifBlock->isOpenedFrom(*block, TiffEditor::Origin::ExifBlock);
    auto opened = parsed  ? Result<TiffEditor>::ok(*edit.parsedExifBlock)
                  : block ? TiffEditor::open(*block, TiffEditor::Origin::ExifBlock)
                          : Result<TiffEditor>::ok(TiffEditor::empty(true));
    if (!opened)
        return R::fail(opened.error());
    const Status applied = applyExifSteps(opened.value(), edit);
    if (!applied)
        return R::fail(applied.error());
    if (edit.stripHidden && block) {
        auto shown = shownEntriesOnly(opened.value());
        if (!shown)
            return R::fail(shown.error());
        opened = std::move(shown);
    }
    TiffEditor& editor = opened.value();
    if (!editor.changed())
        return R::ok(result);
    auto finished = editor.finish(maxSize);
    if (!finished) {
        result.tooLarge = true;
        const auto whole = editor.finish(std::numeric_limits<qsizetype>::max());
        result.neededSize = whole ? whole->size() : 0;
        return R::ok(result);
    }
    // Whether it reads back, and holds what it should, is checked on the
    // written photo as a whole.
    result.bytes = std::move(finished.value());
    result.repairs = editor.repairs();
    return R::ok(result);
}
