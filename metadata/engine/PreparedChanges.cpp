#include "metadata/engine/PreparedChanges.h"

#include "metadata/PhotoFormat.h"
#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrors.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"

namespace {

QVariantMap removeAllChanges(const QVariantMap& dictionary, PhotoFormat format) {
    using namespace PropertyKeys;
    // Besides what the pixels need, the entries EXIF requires of its block
    // (its version, the pixel size, how the components are arranged) stay,
    // so that the block that remains is a sound one.
    const QStringList keptTiff = {Orientation, QStringLiteral("XResolution"),
                                  QStringLiteral("YResolution"), QStringLiteral("ResolutionUnit"),
                                  QStringLiteral("YCbCrPositioning")};
    const QStringList keptExif = {
        QStringLiteral("ColorSpace"),      QStringLiteral("ExifVersion"),
        QStringLiteral("FlashpixVersion"), QStringLiteral("ComponentsConfiguration"),
        QStringLiteral("PixelXDimension"), QStringLiteral("PixelYDimension")};
    QVariantMap changes{{GpsSet, removal()}, {IptcSet, removal()}, {XmpSet, removal()}};
    for (const QString& set : {TiffSet, ExifSet}) {
        QVariantMap removed;
        const QVariantMap values = dictionary.value(set).toMap();
        for (auto it = values.cbegin(); it != values.cend(); ++it) {
            const Exiv2Values::KeyFacts* facts = Exiv2Values::exifKeyFacts(set, it.key());
            const bool kept = set == TiffSet
                                  ? keptTiff.contains(it.key()) ||
                                        (format == PhotoFormat::Tiff && facts &&
                                         isImageStructureTag(quint16(facts->named.tag())))
                                  : keptExif.contains(it.key());
            if (!kept)
                removed.insert(it.key(), removal());
        }
        if (!removed.isEmpty())
            changes.insert(set, removed);
    }
    return changes;
}

// A packet that does not read cannot take the copies of the values that
// change: written anyway, it would stand stale beside them, and an IPTC
// digest would claim the two agree. Such a photo is refused, unless the
// change has no copy in XMP or removes the packet.
Status packetKeepsUp(const QVariantMap& dictionary, const RewriteJob& job, PhotoFormat format,
                     const QByteArray& source) {
    using namespace PropertyKeys;
    if (dictionary.contains(XmpSet) || job.removeAll ||
        (job.changes.contains(XmpSet) && isRemoval(job.changes.value(XmpSet))))
        return Status::ok();
    const MetadataBlocks blocks = xmpBlocksOf(format, source);
    if (blocks.xmp.isEmpty())
        return Status::ok();
    const auto values = xmpValuesOf(blocks);
    if (values)
        return Status::ok();
    // The mirrors the change would have were the packet read, of a packet
    // that holds nothing they compare with.
    QVariantMap unread = dictionary;
    unread.insert(XmpSet, QVariantMap{{QStringLiteral("x:unread"), QString()}});
    if (!changesOf(unread, job, format).value(XmpSet).toMap().isEmpty())
        return Status::fail(QStringLiteral("%1, so its copies of the changed values cannot be kept "
                                           "in step")
                                .arg(values.error()));
    return Status::ok();
}

} // namespace

QVariantMap changesOf(const QVariantMap& dictionary, const RewriteJob& job, PhotoFormat format) {
    // Neither a WebP nor a HEIF has a place for IPTC.
    const bool keepsIptc = format != PhotoFormat::WebP && format != PhotoFormat::Heif;
    if (!job.removeAll)
        return XmpMirrors::jobChanges(dictionary, job, keepsIptc);
    RewriteJob whole = job;
    whole.changes = XmpMirrors::folded(removeAllChanges(dictionary, format), job.changes);
    return XmpMirrors::jobChanges(dictionary, whole, keepsIptc);
}

Result<PreparedChanges> prepareChanges(const QByteArray& source, const RewriteJob& job) {
    using R = Result<PreparedChanges>;
    initialiseMetadataLibrary();
    PreparedChanges prepared;
    // Of a photo only the library reads, the whole dictionary is read: the
    // sidecar's changes are worked out from all it holds.
    if (job.overlaySourceProperties || job.removeAll ||
        isSidecarOnlyFormat(sniffPhotoFormat(source))) {
        const auto properties = readPhotoProperties(source);
        if (!properties)
            return R::fail(properties.error());
        prepared.dictionary = properties->dictionary;
    } else {
        auto context = readChangeContext(source, sniffPhotoFormat(source),
                                         XmpMirrors::folded(job.containerProperties, job.changes),
                                         job.replacedSets);
        if (!context)
            return R::fail(context.error());
        prepared.dictionary = std::move(context.value().values);
        prepared.exifBlock = std::move(context.value().exifBlock);
    }
    const PhotoFormat format = sniffPhotoFormat(source);
    prepared.changes = changesOf(prepared.dictionary, job, format);
    const Status inStep = packetKeepsUp(prepared.dictionary, job, format, source);
    if (!inStep)
        return R::fail(inStep.error());
    return R::ok(std::move(prepared));
}
