#include "metadata/engine/PropertyReader.h"

#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrorTable.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/PropertyWriter.h"
#include "metadata/engine/StoredIptc.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/XmpPacket.h"

#include <QHash>
#include <QSet>

using namespace PropertyKeys;

namespace {

// The keys each set's written values name.
struct Wanted {
    QHash<QString, QSet<QString>> keys;
    QSet<QString> listed; // sets whose every value is wanted
    // IPTC keys are wanted too: a read that falls back to the blocks one by
    // one takes IPTC datasets carried in the EXIF block, which a lookup of
    // the Photoshop segment alone would miss.
    bool iptc = false;
    bool wholeIptc = false; // every dataset of the IPTC set is wanted
    bool whole = false;     // a top-level value, or something only the whole read may answer
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

// One wanted key as the library's decode of the block would give it, built
// from the entry as stored. Nothing when it might decode otherwise.
std::optional<std::optional<QVariant>> storedValue(const TiffEditor& editor, const QString& set,
                                                   const QString& name) {
    const TiffEditor::Directory directory = TagTable::directoryOf(set);
    const Exiv2Values::KeyFacts* facts = Exiv2Values::exifKeyFacts(set, name);
    // The library reads the entries of directories, image data, embedded
    // blocks and maker notes as more than a plain value: its decode is left
    // to answer for them.
    if (!facts || facts->named.groupName() != TagTable::groupName(directory) ||
        TagTable::is(directory, facts->named.tag(),
                     TagTable::Location | TagTable::DataLength | TagTable::Embedded))
        return std::nullopt;
    const quint16 tag = facts->named.tag();
    TiffEditor::Stored entry;
    QByteArrayView bytes;
    const int stored = editor.storedCount(directory, tag, &entry, &bytes);
    if (stored == 0)
        return std::optional<QVariant>(); // the photo has no such value
    if (stored > 1)
        return std::nullopt;
    // The library reads a value said to lie at offset 0 as empty.
    if (bytes.size() > 4 && entry.field == 0)
        return std::nullopt;
    const Exiv2::ExifKey& key = facts->tagged;
    auto type = Exiv2::TypeId(entry.type);
    if (type == Exiv2::undefined && key.defaultTypeId() == Exiv2::comment) {
        // The library reads a user comment as a comment; other comment tags
        // only in some of its versions.
        if (set != ExifSet || tag != Tag::UserComment)
            return std::nullopt;
        type = Exiv2::comment;
    }
    if (!facts->shown)
        return std::optional<QVariant>(); // a tag the dictionary does not show
    if (facts->shown->set != set || facts->shown->key != name)
        return std::nullopt;
    if (type == Exiv2::asciiString) {
        if (auto text = Exiv2Values::storedAsciiText(set, name, tag, bytes))
            return text;
    }
    auto value = Exiv2Owned::createValue(type);
    if (!value)
        return std::nullopt;
    value->read(reinterpret_cast<const Exiv2::byte*>(bytes.data()), long(bytes.size()),
                editor.littleEndian() ? Exiv2::littleEndian : Exiv2::bigEndian);
    const Exiv2::Exifdatum datum(key, value.get());
    const QVariant converted = Exiv2Values::exifToVariant(datum, set, name);
    return converted.isValid() ? std::optional<QVariant>(converted) : std::optional<QVariant>();
}

// The names the dictionary gives the GPS directory's stored tags. Nothing for
// another set, or a name that would not lead back to its tag.
std::optional<QSet<QString>> storedNames(const TiffEditor& editor, const QString& set) {
    if (set != GpsSet)
        return std::nullopt;
    QSet<QString> names;
    for (quint16 tag : editor.tagsOf(TiffEditor::Directory::Gps)) {
        const auto key = Exiv2Values::gpsKeyOfTag(tag);
        if (!key)
            continue; // a tag the dictionary does not show
        if (key->isEmpty())
            return std::nullopt;
        names.insert(*key);
    }
    return names;
}

// The wanted keys looked up in the block's directories as stored, without
// decoding the rest of it. Nothing where the library might read the block
// otherwise: a directory it would skip or read twice, an entry it would cut.
std::optional<QVariantMap> storedValues(const TiffEditor* editor, const Wanted& wanted) {
    if (!editor || !editor->repairs().isEmpty())
        return std::nullopt;
    if (wanted.iptc && (editor->storedCount(TiffEditor::Directory::Ifd0, Tag::Iptc) > 0 ||
                        editor->storedCount(TiffEditor::Directory::Ifd0, Tag::ImageResources) > 0))
        return std::nullopt;
    for (quint16 pointer : {Tag::ExifPointer, Tag::GpsPointer}) {
        if (editor->storedCount(TiffEditor::Directory::Ifd0, pointer) > 1)
            return std::nullopt;
    }
    for (auto directory :
         {TiffEditor::Directory::Ifd0, TiffEditor::Directory::Exif, TiffEditor::Directory::Gps}) {
        if (editor->entryCount(directory) > 256) // the library reads none of such a directory
            return std::nullopt;
    }
    QHash<QString, QSet<QString>> keys = wanted.keys;
    for (const QString& set : wanted.listed) {
        const auto names = storedNames(*editor, set);
        if (!names)
            return std::nullopt;
        keys[set] += *names;
    }
    QVariantMap dictionary;
    for (auto set = keys.cbegin(); set != keys.cend(); ++set) {
        if (set.key() != TiffSet && set.key() != ExifSet && set.key() != GpsSet)
            return std::nullopt;
        QVariantMap values;
        for (const QString& name : set.value()) {
            const auto value = storedValue(*editor, set.key(), name);
            if (!value)
                return std::nullopt;
            if (*value)
                values.insert(name, **value);
        }
        if (!values.isEmpty())
            dictionary.insert(set.key(), values);
    }
    return dictionary;
}

// The wanted keys of the TIFF, EXIF and GPS sets, decoded from the EXIF block
// alone. Nothing when that block is missing or damaged, or the photo has no
// frame header: the whole read then decides, with its own fallbacks and
// failures. The block parsed on the way is kept in parsed.
std::optional<QVariantMap> exifValues(const QByteArray& source, const Wanted& wanted,
                                      std::shared_ptr<const TiffEditor>* parsed = nullptr) {
    const MetadataBlocks blocks = findMetadataBlocks(PhotoFormat::Jpeg, source);
    if (!blocks.pixelSize || blocks.exif.isEmpty())
        return std::nullopt;
    std::shared_ptr<const TiffEditor> editor;
    if (auto opened = TiffEditor::open(blocks.exif, TiffEditor::Origin::ExifBlock))
        editor = std::make_shared<const TiffEditor>(std::move(opened.value()));
    if (parsed)
        *parsed = editor;
    if (auto stored = storedValues(editor.get(), wanted))
        return stored;
    Exiv2::ExifData exif;
    try {
        const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
            exif, reinterpret_cast<const Exiv2::byte*>(blocks.exif.constData()),
            uint32_t(blocks.exif.size()));
        if (order == Exiv2::invalidByteOrder)
            return std::nullopt;
        for (quint16 carrier : {Tag::Iptc, Tag::ImageResources}) {
            if (wanted.iptc &&
                exif.findKey(Exiv2::ExifKey(
                    carrier, TagTable::groupName(TiffEditor::Directory::Ifd0))) != exif.end())
                return std::nullopt;
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return Exiv2Values::exifSetsOf(exif, [&wanted](const Exiv2Values::SetEntry& entry) {
        const auto keys = wanted.keys.constFind(entry.set);
        return wanted.listed.contains(entry.set) ||
               (keys != wanted.keys.cend() && keys->contains(entry.key));
    });
}

} // namespace

namespace {

// The wanted values of a JPEG as the whole read would give them. Nothing
// when only the whole read may answer.
std::optional<QVariantMap> jpegValues(const QByteArray& source, Wanted wanted,
                                      std::shared_ptr<const TiffEditor>* parsed) {
    const QSet<QString> iptcKeys = wanted.keys.take(IptcSet);
    wanted.iptc = !iptcKeys.isEmpty() || wanted.wholeIptc;
    // The EXIF block decides, as before, whether the photo reads at all.
    auto values = exifValues(source, wanted, parsed);
    if (!values)
        return std::nullopt;
    if (wanted.iptc) {
        const auto iptc = storedIptcValues(source, wanted.wholeIptc ? QSet<QString>() : iptcKeys);
        if (!iptc)
            return std::nullopt;
        if (!iptc->isEmpty())
            values->insert(IptcSet, *iptc);
    }
    return values;
}

} // namespace

Result<SelectedValues> readComparedValues(const QByteArray& source, PhotoFormat format,
                                          const QVariantMap& changes,
                                          const QVariantMap& containerProperties) {
    using R = Result<SelectedValues>;
    const auto whole = [&source]() -> R {
        auto dictionary = wholeDictionary(source);
        if (!dictionary)
            return R::fail(dictionary.error());
        return R::ok({std::move(dictionary.value()), nullptr});
    };
    Wanted wanted;
    collect(wanted, containerProperties);
    collect(wanted, changes);
    if (!wanted.whole && wanted.keys.isEmpty())
        return R::ok({});
    if (wanted.whole || format != PhotoFormat::Jpeg)
        return whole();
    std::shared_ptr<const TiffEditor> parsed;
    auto values = jpegValues(source, std::move(wanted), &parsed);
    if (!values)
        return whole();
    return R::ok({std::move(*values), std::move(parsed)});
}

namespace {

// What the mirrors of the changes consult beside the keys they write.
void wantMirrorKeys(Wanted& wanted, const QVariantMap& changes) {
    static const std::pair<QString, QString> dates[] = {
        {DateTimeOriginal, QStringLiteral("OffsetTimeOriginal")},
        {DateTimeDigitized, QStringLiteral("OffsetTimeDigitized")},
        {DateTime, QStringLiteral("OffsetTime")}};
    for (const auto& [date, offset] : dates) {
        for (const QString& set : {ExifSet, TiffSet}) {
            if (changes.value(set).toMap().contains(date))
                wanted.keys[ExifSet].insert(offset);
        }
    }
    for (const XmpMirrorTable::WindowsCopy& copy : XmpMirrorTable::windowsCopies) {
        if (changes.value(copy.set).toMap().contains(QString::fromLatin1(copy.from)) ||
            (copy.xmp && changes.value(XmpSet).toMap().contains(QString::fromLatin1(copy.xmp))))
            wanted.keys[TiffSet].insert(QString::fromLatin1(copy.key));
    }
    if (changes.value(GpsSet).typeId() == QMetaType::QVariantMap)
        wanted.keys[GpsSet] +=
            QSet<QString>{Latitude, LatitudeRef, Longitude, LongitudeRef, DateStamp, TimeStamp};
}

QVariantMap xmpSetOf(const MetadataBlocks& blocks) {
    const auto parsed = xmpValuesOf(blocks);
    if (!parsed)
        return {};
    const QVariantMap& values = parsed.value();
    return values.isEmpty() ? QVariantMap() : QVariantMap{{XmpSet, values}};
}

} // namespace

Result<SelectedValues> readChangeContext(const QByteArray& source, PhotoFormat format,
                                         const QVariantMap& changes,
                                         const QStringList& replacedSets) {
    using R = Result<SelectedValues>;
    Wanted wanted;
    collect(wanted, changes);
    for (const QString& set : replacedSets)
        wanted.listed.insert(set);
    if (!wanted.whole && wanted.keys.isEmpty() && wanted.listed.isEmpty()) {
        const bool removesMirrored = std::any_of(changes.cbegin(), changes.cend(),
                                                 [](const QVariant& v) { return isRemoval(v); });
        if (!removesMirrored)
            return R::ok({});
        return R::ok({xmpSetOf(xmpBlocksOf(format, source)), nullptr});
    }
    wantMirrorKeys(wanted, changes);
    wanted.keys.remove(XmpSet); // the whole packet is read
    wanted.wholeIptc = true;
    if (!wanted.whole && format == PhotoFormat::Jpeg) {
        std::shared_ptr<const TiffEditor> parsed;
        if (auto values = jpegValues(source, wanted, &parsed)) {
            values->insert(xmpSetOf(xmpBlocksOf(format, source)));
            return R::ok({std::move(*values), std::move(parsed)});
        }
    }
    auto dictionary = wholeDictionary(source);
    if (!dictionary)
        return R::fail(dictionary.error());
    return R::ok({std::move(dictionary.value()), nullptr});
}
