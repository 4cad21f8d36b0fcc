#include "metadata/engine/WritePlan.h"

#include "metadata/PropertyKeys.h"
#include "metadata/ValueChecks.h"
#include "metadata/engine/ContainerFacts.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/TiffGuard.h"

#include <algorithm>

namespace {

using namespace PropertyKeys;

// The writer of each format's container; none for a format we cannot write.
ContainerWriter containerWriterFor(PhotoFormat format) {
    switch (format) {
    case PhotoFormat::Jpeg:
        return rewriteJpegInPlace;
    case PhotoFormat::Tiff:
        return rewriteTiffInPlace;
    case PhotoFormat::Png:
        return rewritePngInPlace;
    case PhotoFormat::WebP:
        return rewriteWebpInPlace;
    case PhotoFormat::Heif:
        return rewriteHeifInPlace;
    case PhotoFormat::Psd:
    case PhotoFormat::Cr3:
    case PhotoFormat::Crw:
    case PhotoFormat::Raf:
    case PhotoFormat::Rw2:
    case PhotoFormat::Orf:
    case PhotoFormat::Mrw:
    case PhotoFormat::Unknown:
        break;
    }
    return nullptr;
}

} // namespace

Result<WritePlan> planWrite(const QByteArray& source, const QVariantMap& changes,
                            const QVariantMap& containerProperties,
                            const QVariantMap* sourceDictionary,
                            std::shared_ptr<const TiffEditor> parsedExifBlock, bool stripHidden) {
    using R = Result<WritePlan>;
    if (source.isEmpty())
        return R::fail(QStringLiteral("empty file"));
    WritePlan plan;
    plan.format = sniffPhotoFormat(source);
    const PhotoFormat format = plan.format;
    if (format == PhotoFormat::Unknown)
        return R::fail(QStringLiteral("not a supported photo format"));
    if (!isWritableFormat(format) && !isSidecarOnlyFormat(format))
        return R::fail(QStringLiteral("format not writable"));
    const Status complete = checkImageDataComplete(format, source);
    if (!complete)
        return R::fail(complete.error());
    if (format == PhotoFormat::Tiff) {
        // A damaged Photoshop block is refused whichever writer would take
        // the photo: the library's reads past its end.
        const Status safe = checkTiffIsSafeToWrite(source);
        if (!safe)
            return R::fail(safe.error());
    }
    initialiseMetadataLibrary();

    if (sourceDictionary) {
        plan.dictionary = *sourceDictionary;
    } else {
        // Only what the changes write is compared, so that values equal to
        // the photo's own are left exactly as the photo has them.
        auto compared = readComparedValues(source, format, changes, containerProperties);
        if (!compared)
            return R::fail(compared.error());
        plan.dictionary = std::move(compared.value().values);
        parsedExifBlock = std::move(compared.value().exifBlock);
    }
    auto resolved = resolveEdit(plan.dictionary, containerProperties, changes);
    if (!resolved)
        return R::fail(resolved.error());
    plan.edit = std::move(resolved.value());
    MetadataEdit& edit = plan.edit;
    edit.stripHidden = stripHidden;
    const bool heldInBlock =
        std::any_of(edit.held.cbegin(), edit.held.cend(), [](const MetadataEdit::Step& step) {
            return step.set != IptcSet && step.set != XmpSet;
        });
    if (!parsedExifBlock && (edit.touchesExifBlock() || heldInBlock) &&
        format != PhotoFormat::Tiff) {
        // One parse of the EXIF block serves the edit and the check of what
        // it wrote.
        const QByteArray block = findMetadataBlocks(format, source).exif;
        if (auto opened = block.isEmpty() ? Result<TiffEditor>::fail(QString())
                                          : TiffEditor::open(block, TiffEditor::Origin::ExifBlock))
            parsedExifBlock = std::make_shared<const TiffEditor>(std::move(opened.value()));
    }
    if (heldInBlock) {
        std::shared_ptr<const TiffEditor> block = parsedExifBlock;
        if (!block && format == PhotoFormat::Tiff) {
            if (auto opened = TiffEditor::open(source, TiffEditor::Origin::TiffFile))
                block = std::make_shared<const TiffEditor>(std::move(opened.value()));
        }
        if (block)
            writeHeldValuesMissingFrom(edit, *block);
    }
    // Only what changes is checked: a photo's own odd value, handed back,
    // stays as it is.
    for (const MetadataEdit::Step& step : edit.steps) {
        const Status valid = step.set == IptcSet
                                 ? Exiv2Values::checkIptcValue(step.key, step.value)
                                 : ValueChecks::check(step.set, step.key, step.value);
        if (!valid)
            return R::fail(valid.error());
    }
    if (isSidecarOnlyFormat(format))
        return R::ok(std::move(plan));
    edit.parsedExifBlock = std::move(parsedExifBlock);
    plan.inPlace = containerWriterFor(format);
    if (!plan.inPlace)
        return R::fail(QStringLiteral("format not writable"));
    plan.writer = format == PhotoFormat::Heif ? WritePlan::Writer::InPlace
                                              : WritePlan::Writer::InPlaceOrLibrary;
    return R::ok(std::move(plan));
}
