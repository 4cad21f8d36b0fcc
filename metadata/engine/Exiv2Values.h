#pragma once

// Private to the metadata folder: the mapping between the library's keys and
// values and the property dictionary's.
#include "metadata/Result.h"
#include "metadata/engine/Exiv2Include.h"

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace Exiv2Values {

// Which dictionary set an Exif datum belongs to, with its key inside that set;
// nothing for data the dictionary does not show (thumbnail, maker notes,
// pointers, embedded blobs), which a rewrite still keeps.
struct SetEntry {
    QString set;
    QString key;
};
std::optional<SetEntry> dictionaryEntry(const Exiv2::Exifdatum& datum);

// The Exiv2 key of a dictionary key of the TIFF, EXIF or GPS set.
QString exifKeyName(const QString& set, const QString& key);

// A dictionary key of the TIFF, EXIF or GPS set as the library knows it. The
// library finds a key by name, and a tag's name, by scanning its tables, and
// a batch asks for the same few keys of every photo: each thread looks one up
// once. The answers hold for the life of the process.
struct KeyFacts {
    Exiv2::ExifKey named;          // the key as named
    Exiv2::ExifKey tagged;         // the same tag of the same group, as a decode makes it
    std::optional<SetEntry> shown; // the set and key its datum shows as, if any
};
// Nothing for another set, or a name the library does not know.
const KeyFacts* exifKeyFacts(const QString& set, const QString& key);
// Both writers' rules for a value written to an EXIF key: the key must show
// in the set it is written to, and the value takes the type the photo stores
// it with, else the key's own, else text.
Status checkExifKeyInSet(const KeyFacts* facts, const QString& set, const QString& key);
Exiv2::TypeId exifTypeToWrite(const Exiv2::ExifKey& key, std::optional<Exiv2::TypeId> stored);
// The key a stored tag of the GPS directory shows as, looked up once per
// thread: nothing for a tag the dictionary does not show, an empty key for
// one whose name does not lead back to the tag.
std::optional<QString> gpsKeyOfTag(uint16_t tag);

// IPTC application record: dictionary name <-> dataset number.
QString iptcName(uint16_t dataset);
std::optional<uint16_t> iptcDataset(const QString& name);
bool iptcAlwaysList(uint16_t dataset);
// A value fits the dataset: each text within the bytes IPTC allows it.
Status checkIptcValue(const QString& name, const QVariant& value);
// A dataset's value as stored, from its text.
Result<QByteArray> iptcBytes(uint16_t dataset, const QString& text);

QVariant exifToVariant(const Exiv2::Exifdatum& datum, const QString& set, const QString& key);
// What exifToVariant gives an ASCII entry of the key stored as these bytes,
// without building the library's value; nothing for keys whose text it
// reads otherwise.
std::optional<QVariant> storedAsciiText(const QString& set, const QString& key, uint16_t tag,
                                        QByteArrayView bytes);
QVariant iptcToVariant(const Exiv2::Iptcdatum& datum);
// The IPTC set as the dictionary shows it: record 2, repeated datasets as lists.
QVariantMap iptcSetOf(const Exiv2::IptcData& data);
// The TIFF, EXIF and GPS sets as the dictionary shows them, of the keys
// wanted (every key without a filter): a later duplicate replaces an earlier
// one. The whole read and the lookup of the keys a change compares with both
// take their values from here.
QVariantMap exifSetsOf(const Exiv2::ExifData& exif,
                       const std::function<bool(const SetEntry&)>& wanted = {});

// The library value that stands for a dictionary value, typed for the key.
Result<std::shared_ptr<Exiv2::Value>> exifValue(const Exiv2::ExifKey& key, Exiv2::TypeId type,
                                                const QString& set, const QString& name,
                                                const QVariant& value);

namespace detail {
bool isWindowsXpTag(const std::string& group, uint16_t tag);
bool isCommentTag(const std::string& group, uint16_t tag);
bool isDegreesTag(const QString& set, const QString& key);
std::optional<double> number(const QVariant& value);
bool isNumber(const QVariant& value);
} // namespace detail

// Whether two dictionary values mean the same, with numbers compared as
// numbers (a value read back as a double equals the float it came from).
bool sameValue(const QVariant& a, const QVariant& b);

} // namespace Exiv2Values

namespace Exiv2Values {
// The whole property dictionary of an image whose metadata has been read.
QVariantMap dictionaryOf(Exiv2::Image& image);
} // namespace Exiv2Values
