#include "metadata/engine/Exiv2Values.h"

#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"
#include "metadata/engine/TagTable.h"

#include <QHash>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <cmath>
#include <memory>
#include <numeric>

namespace Exiv2Values {
namespace {

bool hasRole(const std::string& group, uint16_t tag, quint16 roles) {
    const auto named = TagTable::groupNamed(group);
    return named && TagTable::is(*named, tag, roles);
}

} // namespace

namespace detail {

bool isWindowsXpTag(const std::string& group, uint16_t tag) {
    return hasRole(group, tag, TagTable::WindowsText);
}

bool isCommentTag(const std::string& group, uint16_t tag) {
    return hasRole(group, tag, TagTable::Comment);
}

bool isDegreesTag(const QString& set, const QString& key) {
    const TagTable::Row* row = TagTable::findKey(set, key);
    return row && (row->roles & TagTable::Degrees) != 0;
}

std::optional<double> number(const QVariant& value) {
    bool ok = false;
    const double x = value.toDouble(&ok);
    if (!ok || !std::isfinite(x))
        return std::nullopt;
    return x;
}

bool isNumber(const QVariant& value) {
    return PropertyValues::isNumber(value);
}

// The components of a value: a list as it is, a text split at blanks, dots or
// colons ("2.2.0.0", "12:30:05"), anything else as one component.

} // namespace detail

namespace {

using namespace detail;

double rationalToDouble(const Exiv2::Rational& r) {
    return r.second == 0 ? 0.0 : double(r.first) / double(r.second);
}

// The library hands every rational out as a signed pair, which turns an
// unsigned numerator or denominator of 2^31 or more negative: read the
// unsigned ones from their own storage.
double rationalAt(const Exiv2::Value& value, long i) {
    if (const auto* unsignedValue = dynamic_cast<const Exiv2::URationalValue*>(&value)) {
        if (i < 0 || size_t(i) >= unsignedValue->value_.size())
            return 0.0;
        const Exiv2::URational& r = unsignedValue->value_[size_t(i)];
        return r.second == 0 ? 0.0 : double(r.first) / double(r.second);
    }
    return rationalToDouble(value.toRational(i));
}

// Integers whole: an unsigned long above 2^31 stays positive.
qlonglong integerAt(const Exiv2::Value& value, long i) {
    if (const auto* unsignedValue = dynamic_cast<const Exiv2::ULongValue*>(&value)) {
        if (i < 0 || size_t(i) >= unsignedValue->value_.size())
            return 0;
        return qlonglong(unsignedValue->value_[size_t(i)]);
    }
    return Exiv2Owned::integer(value, i);
}

QString textFromBytes(QByteArrayView bytes) {
    const qsizetype end = bytes.indexOf('\0');
    const QByteArrayView trimmed = end < 0 ? bytes : bytes.first(end);
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    QString text = decoder(trimmed);
    if (decoder.hasError())
        text = QString::fromLatin1(trimmed);
    return text;
}

QString textFromBytes(const std::string& bytes) {
    return textFromBytes(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

QString secondsText(double seconds) {
    QString text = QString::number(seconds, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text.length() == 1 || text.indexOf(QLatin1Char('.')) == 1 ? QLatin1Char('0') + text
                                                                     : text;
}

QVariant listOrSingle(const QVariantList& items) {
    if (items.size() == 1)
        return items.first();
    return items;
}

} // namespace

std::optional<SetEntry> dictionaryEntry(const Exiv2::Exifdatum& datum) {
    const auto group = TagTable::groupNamed(datum.groupName());
    const auto set = group ? TagTable::shownSetOf(*group) : std::nullopt;
    if (!set || TagTable::is(*group, datum.tag(), TagTable::Hidden))
        return std::nullopt;
    return SetEntry{*set,
                    TagTable::keyOf(*group, datum.tag(), QString::fromStdString(datum.tagName()))};
}

QString exifKeyName(const QString& set, const QString& key) {
    if (const TagTable::Row* row = TagTable::findKey(set, key))
        return QStringLiteral("Exif.%1.%2")
            .arg(TagTable::latin1(TagTable::groupName(row->group)), TagTable::latin1(row->name));
    if (set == PropertyKeys::TiffSet)
        return QStringLiteral("Exif.Image.") + key;
    if (set == PropertyKeys::ExifSet)
        return QStringLiteral("Exif.Photo.") + key;
    if (key.startsWith(QLatin1String("0x")))
        return QStringLiteral("Exif.GPSInfo.") + key;
    return QStringLiteral("Exif.GPSInfo.GPS") + key;
}

Status checkExifKeyInSet(const KeyFacts* facts, const QString& set, const QString& key) {
    if (!facts || !facts->shown || facts->shown->set != set)
        return Status::fail(QStringLiteral("cannot write %1: not a property of %2").arg(key, set));
    return Status::ok();
}

Exiv2::TypeId exifTypeToWrite(const Exiv2::ExifKey& key, std::optional<Exiv2::TypeId> stored) {
    const Exiv2::TypeId type = stored ? *stored : key.defaultTypeId();
    if (type == Exiv2::invalidTypeId || Exiv2::TypeInfo::typeSize(type) == 0)
        return Exiv2::asciiString;
    return type;
}

const KeyFacts* exifKeyFacts(const QString& set, const QString& key) {
    // A table per set: a batch asks for the same few keys of each photo, and
    // hashing the key alone costs half of hashing it with its set.
    thread_local QHash<QString, std::shared_ptr<const KeyFacts>> known[3];
    const int table = set == PropertyKeys::TiffSet   ? 0
                      : set == PropertyKeys::ExifSet ? 1
                      : set == PropertyKeys::GpsSet  ? 2
                                                     : -1;
    if (table < 0)
        return nullptr;
    const auto found = known[table].constFind(key);
    if (found != known[table].cend())
        return found->get();
    std::shared_ptr<const KeyFacts> facts;
    try {
        const Exiv2::ExifKey named(exifKeyName(set, key).toStdString());
        const Exiv2::ExifKey tagged(named.tag(), named.groupName());
        facts = std::make_shared<const KeyFacts>(
            KeyFacts{named, tagged, dictionaryEntry(Exiv2::Exifdatum(tagged))});
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        // Not a key the library knows: remembered as such.
    }
    known[table].insert(key, facts);
    return facts.get();
}

std::optional<QString> gpsKeyOfTag(uint16_t tag) {
    thread_local QHash<uint16_t, std::optional<QString>> known;
    const auto found = known.constFind(tag);
    if (found != known.cend())
        return *found;
    std::optional<QString> key;
    try {
        const auto entry = dictionaryEntry(
            Exiv2::Exifdatum(Exiv2::ExifKey(tag, TagTable::groupName(TiffEditor::Directory::Gps))));
        if (entry) {
            const Exiv2::ExifKey named(exifKeyName(entry->set, entry->key).toStdString());
            const bool leadsBack =
                entry->set == PropertyKeys::GpsSet && named.tag() == tag &&
                named.groupName() == TagTable::groupName(TiffEditor::Directory::Gps);
            key = leadsBack ? entry->key : QString();
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        key = QString();
    }
    known.insert(tag, key);
    return key;
}

std::optional<QVariant> storedAsciiText(const QString& set, const QString& key, uint16_t tag,
                                        QByteArrayView bytes) {
    // The cases exifToVariant takes before a value's type.
    if ((set == PropertyKeys::TiffSet &&
         TagTable::is(TagTable::Group::Image, tag, TagTable::WindowsText)) ||
        isDegreesTag(set, key) ||
        (set == PropertyKeys::GpsSet &&
         (key == PropertyKeys::GPSVersion || key == PropertyKeys::TimeStamp)))
        return std::nullopt;
    return QVariant(textFromBytes(bytes));
}

QVariant exifToVariant(const Exiv2::Exifdatum& datum, const QString& set, const QString& key) {
    const Exiv2::Value& value = datum.value();
    const std::string group = datum.groupName();
    const long count = value.count();
    if (isCommentTag(group, datum.tag())) {
        if (const auto* comment = dynamic_cast<const Exiv2::CommentValue*>(&value))
            return textFromBytes(comment->comment());
    }
    if (isWindowsXpTag(group, datum.tag())) {
        QByteArray bytes;
        for (long i = 0; i < count; ++i)
            bytes.append(char(integerAt(value, i)));
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                                          bytes.size() / 2);
        return text.left(text.indexOf(QChar(0)) < 0 ? text.size() : text.indexOf(QChar(0)));
    }
    if (set == PropertyKeys::GpsSet && key == PropertyKeys::GPSVersion) {
        QStringList parts;
        for (long i = 0; i < count; ++i)
            parts << QString::number(integerAt(value, i));
        return parts.join(QLatin1Char('.'));
    }
    if (isDegreesTag(set, key) && count == 3) {
        return rationalAt(value, 0) + rationalAt(value, 1) / 60.0 + rationalAt(value, 2) / 3600.0;
    }
    if (set == PropertyKeys::GpsSet && key == PropertyKeys::TimeStamp && count == 3) {
        // Whole hours and minutes as stored, however far out of range: a
        // rational holds up to 2^32.
        return QStringLiteral("%1:%2:%3")
            .arg(qlonglong(rationalAt(value, 0)), 2, 10, QLatin1Char('0'))
            .arg(qlonglong(rationalAt(value, 1)), 2, 10, QLatin1Char('0'))
            .arg(secondsText(rationalAt(value, 2)));
    }
    switch (value.typeId()) {
    case Exiv2::asciiString:
    case Exiv2::string: {
        // The stored bytes themselves: the library's text of a text value
        // is the same bytes, passed through a stream.
        std::string bytes(size_t(std::max(long(value.size()), 0L)), '\0');
        if (!bytes.empty())
            value.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::invalidByteOrder);
        return textFromBytes(bytes);
    }
    case Exiv2::unsignedRational:
    case Exiv2::signedRational: {
        QVariantList items;
        for (long i = 0; i < count; ++i)
            items << rationalAt(value, i);
        return listOrSingle(items);
    }
    case Exiv2::tiffFloat:
    case Exiv2::tiffDouble: {
        QVariantList items;
        for (long i = 0; i < count; ++i)
            items << double(value.toFloat(i));
        return listOrSingle(items);
    }
    case Exiv2::undefined: {
        // Version fields and other short printable codes read best as text.
        QByteArray bytes;
        for (long i = 0; i < count; ++i)
            bytes.append(char(integerAt(value, i)));
        if (TagTable::isPrintable(bytes))
            return QString::fromLatin1(bytes);
        if (!TagTable::showsUnknownBytes(bytes))
            return {};
        QVariantList items;
        for (long i = 0; i < count; ++i)
            items << integerAt(value, i);
        return listOrSingle(items);
    }
    default: {
        QVariantList items;
        for (long i = 0; i < count; ++i)
            items << integerAt(value, i);
        if (items.isEmpty())
            return {};
        return listOrSingle(items);
    }
    }
}

QVariant iptcToVariant(const Exiv2::Iptcdatum& datum) {
    const Exiv2::Value& value = datum.value();
    switch (value.typeId()) {
    case Exiv2::unsignedShort:
    case Exiv2::unsignedLong:
        return integerAt(value, 0);
    default:
        return textFromBytes(value.toString());
    }
}

bool sameValue(const QVariant& a, const QVariant& b) {
    return PropertyValues::same(a, b);
}

QVariantMap iptcSetOf(const Exiv2::IptcData& data) {
    QVariantMap iptc;
    for (const Exiv2::Iptcdatum& datum : data) {
        if (datum.record() != Exiv2::IptcDataSets::application2)
            continue;
        const QString name = iptcName(datum.tag());
        const QVariant value = iptcToVariant(datum);
        if (iptc.contains(name) || iptcAlwaysList(datum.tag())) {
            QVariant& slot = iptc[name];
            QVariantList items = slot.isValid() && slot.typeId() == QMetaType::QVariantList
                                     ? slot.toList()
                                     : (slot.isValid() ? QVariantList{slot} : QVariantList{});
            items << value;
            slot = items;
        } else {
            iptc.insert(name, value);
        }
    }
    return iptc;
}

QVariantMap exifSetsOf(const Exiv2::ExifData& exif,
                       const std::function<bool(const SetEntry&)>& wanted) {
    QVariantMap sets[3];
    const QString setNames[3] = {PropertyKeys::TiffSet, PropertyKeys::ExifSet,
                                 PropertyKeys::GpsSet};
    for (const Exiv2::Exifdatum& datum : exif) {
        const auto entry = dictionaryEntry(datum);
        if (!entry || (wanted && !wanted(*entry)))
            continue;
        const QVariant value = exifToVariant(datum, entry->set, entry->key);
        if (!value.isValid())
            continue;
        for (int i = 0; i < 3; ++i) {
            if (setNames[i] == entry->set)
                sets[i].insert(entry->key, value);
        }
    }
    QVariantMap top;
    for (int i = 0; i < 3; ++i) {
        if (!sets[i].isEmpty())
            top.insert(setNames[i], sets[i]);
    }
    return top;
}

QVariantMap dictionaryOf(Exiv2::Image& image) {
    QVariantMap top = exifSetsOf(image.exifData());
    const QVariantMap tiff = top.value(PropertyKeys::TiffSet).toMap();
    const QVariantMap exif = top.value(PropertyKeys::ExifSet).toMap();

    const QVariantMap iptc = iptcSetOf(image.iptcData());
    if (!iptc.isEmpty())
        top.insert(PropertyKeys::IptcSet, iptc);

    qlonglong width = image.pixelWidth();
    qlonglong height = image.pixelHeight();
    if (width <= 0 || height <= 0) {
        width = exif.value(QStringLiteral("PixelXDimension")).toLongLong();
        height = exif.value(QStringLiteral("PixelYDimension")).toLongLong();
    }
    if (width > 0 && height > 0) {
        top.insert(PropertyKeys::PixelWidth, width);
        top.insert(PropertyKeys::PixelHeight, height);
    }
    if (tiff.contains(PropertyKeys::Orientation))
        top.insert(PropertyKeys::Orientation, tiff.value(PropertyKeys::Orientation));
    const QVariant xres = tiff.value(QStringLiteral("XResolution"));
    const QVariant yres = tiff.value(QStringLiteral("YResolution"));
    const int unit = tiff.value(QStringLiteral("ResolutionUnit"), 2).toInt();
    if (xres.isValid() && yres.isValid() && (unit == 2 || unit == 3)) {
        const double scale = unit == 3 ? 2.54 : 1.0;
        top.insert(PropertyKeys::DPIWidth, xres.toDouble() * scale);
        top.insert(PropertyKeys::DPIHeight, yres.toDouble() * scale);
    }
    return top;
}

} // namespace Exiv2Values
