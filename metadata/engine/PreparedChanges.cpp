#include "metadata/engine/PreparedChanges.h"

#include "metadata/PhotoFormat.h"
#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrors.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/ImageFacts.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/TagTable.h"

namespace {

using namespace PropertyKeys;

// What a EXIF requires of a block or a directory the write makes anew, from
// the image's own facts: of IFD0 the resolution (a JPEG's JFIF density, else
// 72 dots per inch) and, in a JPEG, how its chroma is sited; of the EXIF
// directory the versions and the colour space (sRGB unless an ICC profile
// says otherwise) and, of a JPEG, how the components are arranged and the
// pixel size. Only where the changes write a value into the block, and only
// what they do not give themselves. Being part of the changes, these are
// planned, checked and listed by a dry run as the rest is.
void addRequiredEntries(QVariantMap& changes, const QByteArray& source, PhotoFormat format) {
    if (format != PhotoFormat::Jpeg && format != PhotoFormat::Tiff)
        return;
    const auto writes = [&](const QString& set) {
        const QVariantMap values = changes.value(set).toMap();
        return std::any_of(values.cbegin(), values.cend(),
                           [](const QVariant& value) { return !isRemoval(value); });
    };
    const bool writesExif = writes(ExifSet);
    if (!writesExif && !writes(TiffSet) && !writes(GpsSet))
        return;
    const QByteArray block =
        format == PhotoFormat::Tiff ? source : findMetadataBlocks(format, source).exif;
    const bool newBlock = block.isEmpty();
    const bool newExif = writesExif && !ifd0HasTag(block, Tag::ExifPointer);
    if (!newBlock && !newExif)
        return;
    const auto frame = format == PhotoFormat::Jpeg ? jpegFrameFacts(source) : std::nullopt;
    if (format == PhotoFormat::Jpeg && !frame)
        return;
    const auto require = [&](const QString& set, const char* key, const QVariant& value) {
        QVariantMap values = changes.value(set).toMap();
        if (!values.contains(QLatin1String(key)))
            values.insert(QLatin1String(key), value);
        changes.insert(set, values);
    };
    if (newBlock && frame) {
        require(TiffSet, "XResolution", frame->densityX);
        require(TiffSet, "YResolution", frame->densityY);
        require(TiffSet, "ResolutionUnit", frame->densityUnit);
        require(TiffSet, "YCbCrPositioning", 1); // centred, as JFIF sites it
    }
    if (!newExif)
        return;
    const bool icc = format == PhotoFormat::Jpeg ? jpegHasIccProfile(source)
                                                 : ifd0HasTag(block, Tag::IccProfile);
    require(ExifSet, "ExifVersion", QStringLiteral("0232"));
    require(ExifSet, "FlashpixVersion", QStringLiteral("0100"));
    require(ExifSet, "ColorSpace", icc ? 0xffff : 1);
    if (!frame)
        return;
    require(ExifSet, "ComponentsConfiguration",
            frame->components == 1 ? QVariantList{1, 0, 0, 0} : QVariantList{1, 2, 3, 0});
    require(ExifSet, "PixelXDimension", frame->width);
    require(ExifSet, "PixelYDimension", frame->height);
}

// A RAW file keeps what a raw converter develops it with: a DNG every entry
// of its own (the colour matrices, the calibration, the neutral of the
// shot, its private data), and any RAW the make and model that name the
// camera (the maker note, which holds white balance and lens data, stays
// beside them).
bool keptForRaw(TiffRawKind raw, quint16 tag) {
    if (raw == TiffRawKind::None)
        return false;
    return TagTable::is(TagTable::Group::Image, tag, TagTable::NamesCamera) ||
           (raw == TiffRawKind::Dng && TagTable::isDngTag(tag));
}

QVariantMap removeAllChanges(const QVariantMap& dictionary, PhotoFormat format, TiffRawKind raw) {
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
            const quint16 tag = facts ? quint16(facts->named.tag()) : 0;
            const bool kept =
                set == TiffSet ? keptTiff.contains(it.key()) ||
                                     (format == PhotoFormat::Tiff && facts &&
                                      (TagTable::isImageStructureTag(tag) || keptForRaw(raw, tag)))
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
    if (!changesOf(unread, job, format, source).value(XmpSet).toMap().isEmpty())
        return Status::fail(QStringLiteral("%1, so its copies of the changed values cannot be kept "
                                           "in step")
                                .arg(values.error()));
    return Status::ok();
}

} // namespace

QVariantMap changesOf(const QVariantMap& dictionary, const RewriteJob& job, PhotoFormat format,
                      const QByteArray& source) {
    // Neither a WebP nor a HEIF has a place for IPTC.
    const bool keepsIptc = format != PhotoFormat::WebP && format != PhotoFormat::Heif;
    QVariantMap changes;
    if (!job.removeAll) {
        changes = XmpMirrors::jobChanges(dictionary, job, keepsIptc);
    } else {
        RewriteJob whole = job;
        const TiffRawKind raw =
            format == PhotoFormat::Tiff ? tiffRawKind(source) : TiffRawKind::None;
        whole.changes = XmpMirrors::folded(removeAllChanges(dictionary, format, raw), job.changes);
        changes = XmpMirrors::jobChanges(dictionary, whole, keepsIptc);
    }
    addRequiredEntries(changes, source, format);
    return changes;
}

QVariantMap withShownDensity(const QVariantMap& dictionary, QVariantMap changes) {
    using namespace PropertyKeys;
    const QVariantMap tiff = changes.value(TiffSet).toMap();
    const int unit = tiff.value(QStringLiteral("ResolutionUnit")).toInt();
    if (dictionary.contains(DPIWidth) || (unit != 2 && unit != 3))
        return changes;
    const double perInch = unit == 3 ? 2.54 : 1.0;
    for (const auto& [shown, key] :
         {std::pair{DPIWidth, "XResolution"}, std::pair{DPIHeight, "YResolution"}}) {
        const QVariant value = tiff.value(QLatin1String(key));
        if (value.isValid() && !isRemoval(value))
            changes.insert(shown, value.toDouble() * perInch);
    }
    return changes;
}

QString rawRemark(const QByteArray& source, const RewriteJob& job) {
    if (!job.removeAll || sniffPhotoFormat(source) != PhotoFormat::Tiff)
        return QString();
    switch (tiffRawKind(source)) {
    case TiffRawKind::Dng:
        return QStringLiteral("a RAW photo: its DNG entries, make and model stay for raw "
                              "converters");
    case TiffRawKind::CameraRaw:
        return QStringLiteral("a RAW photo: its make, model and maker note stay for raw "
                              "converters");
    case TiffRawKind::None:
        break;
    }
    return QString();
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
    prepared.changes = changesOf(prepared.dictionary, job, format, source);
    const Status inStep = packetKeepsUp(prepared.dictionary, job, format, source);
    if (!inStep)
        return R::fail(inStep.error());
    return R::ok(std::move(prepared));
}
