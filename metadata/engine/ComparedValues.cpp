#include "metadata/engine/ComparedValues.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/PropertyReader.h"

#include <QHash>
#include <QSet>

using namespace PropertyKeys;

namespace {

// The keys each set's written values name.
struct Wanted {
    QHash<QString, QSet<QString>> keys;
    bool whole = false; // a top-level value, or something only the whole read may answer
};

void collect(Wanted& wanted, const QVariantMap& changes) {
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (!isSetKey(it.key())) {
            // Top-level keys compare with facts of the whole image, and a
            // photo that does not read refuses them with the read's reason.
            wanted.whole = true;
            continue;
        }
        if (isRemoval(it.value()))
            continue;
        if (it.value().typeId() != QMetaType::QVariantMap) {
            // Refused, but only once the photo has been read.
            wanted.whole = true;
            continue;
        }
        const QVariantMap values = it.value().toMap();
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            if (!isRemoval(value.value()))
                wanted.keys[it.key()].insert(value.key());
        }
    }
}

Result<QVariantMap> wholeDictionary(const QByteArray& source) {
    const auto properties = readPhotoProperties(source);
    if (!properties)
        return Result<QVariantMap>::fail(properties.error());
    return Result<QVariantMap>::ok(properties->dictionary);
}

// The wanted keys of the TIFF, EXIF and GPS sets, decoded from the EXIF block
// alone. Nothing when that block is missing or damaged, or the photo has no
// frame header: the whole read then decides, with its own fallbacks and
// failures.
std::optional<QVariantMap> exifValues(const QByteArray& source, const Wanted& wanted) {
    const MetadataBlocks blocks = findMetadataBlocks(PhotoFormat::Jpeg, source);
    if (!blocks.pixelSize || blocks.exif.isEmpty())
        return std::nullopt;
    Exiv2::ExifData exif;
    try {
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
            exif, reinterpret_cast<const Exiv2::byte*>(blocks.exif.constData()),
            uint32_t(blocks.exif.size()));
        if (order == Exiv2::invalidByteOrder)
            return std::nullopt;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    // As the whole dictionary holds them: a later duplicate replaces an earlier one.
    QHash<QString, QVariantMap> sets;
    for (const Exiv2::Exifdatum& datum : exif) {
        const auto entry = Exiv2Values::dictionaryEntry(datum);
        if (!entry)
            continue;
        const auto keys = wanted.keys.constFind(entry->set);
        if (keys == wanted.keys.cend() || !keys->contains(entry->key))
            continue;
        const QVariant value = Exiv2Values::exifToVariant(datum, entry->set, entry->key);
        if (value.isValid())
            sets[entry->set].insert(entry->key, value);
    }
    QVariantMap dictionary;
    for (auto it = sets.cbegin(); it != sets.cend(); ++it)
        dictionary.insert(it.key(), it.value());
    return dictionary;
}

} // namespace

Result<QVariantMap> readComparedValues(const QByteArray& source, PhotoFormat format,
                                       const QVariantMap& changes,
                                       const QVariantMap& containerProperties) {
    Wanted wanted;
    collect(wanted, containerProperties);
    collect(wanted, changes);
    if (!wanted.whole && wanted.keys.isEmpty())
        return Result<QVariantMap>::ok({});
    // The IPTC set is still read whole: the library gathers its datasets
    // from the image resources in its own way.
    if (wanted.whole || format != PhotoFormat::Jpeg || wanted.keys.contains(IptcSet))
        return wholeDictionary(source);
    if (auto values = exifValues(source, wanted))
        return Result<QVariantMap>::ok(std::move(*values));
    return wholeDictionary(source);
}
