#include "metadata/engine/ExifBlockEdit.h"

#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/TiffEditor.h"

#include <limits>

Result<ExifBlockEdit> editExifBlock(const QByteArray* block, const MetadataEdit& edit,
                                    qsizetype maxSize) {
    using R = Result<ExifBlockEdit>;
    ExifBlockEdit result;
    if (!edit.touchesExifBlock() || (!block && !edit.writesExifValues()))
        return R::ok(result);
    const bool parsed = block && edit.parsedExifBlock &&
                        edit.parsedExifBlock->isOpenedFrom(*block, TiffEditor::Origin::ExifBlock);
    auto opened = parsed  ? Result<TiffEditor>::ok(*edit.parsedExifBlock)
                  : block ? TiffEditor::open(*block, TiffEditor::Origin::ExifBlock)
                          : Result<TiffEditor>::ok(TiffEditor::empty(true));
    if (!opened)
        return R::fail(opened.error());
    TiffEditor& editor = opened.value();
    const Status applied = applyExifSteps(editor, edit);
    if (!applied)
        return R::fail(applied.error());
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
