#include "metadata/Exiv2Values.h"

#include "metadata/PropertyKeys.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

#include <cmath>
#include <numeric>

namespace Exiv2Values {
namespace {

// Directory plumbing and embedded blobs: the file keeps them, the dictionary
// does not show them, and they are never written from a dictionary.
bool isHiddenTag(const std::string& group, uint16_t tag) {
    if (group == "Image") {
        switch (tag) {
        case 0x8769: // ExifTag
        case 0x8825: // GPSTag
        case 0x0111: // StripOffsets
        case 0x0117: // StripByteCounts
        case 0x0144: // TileOffsets
        case 0x0145: // TileByteCounts
        case 0x0120: // FreeOffsets
        case 0x0121: // FreeByteCounts
        case 0x014a: // SubIFDs
        case 0x0201: // JPEGInterchangeFormat
        case 0x0202: // JPEGInterchangeFormatLength
        case 0x02bc: // XMLPacket
        case 0x83bb: // IPTCNAA
        case 0x8649: // ImageResources
        case 0x8773: // InterColorProfile
        case 0xc4a5: // PrintImageMatching
        case 0xc634: // DNGPrivateData
            return true;
        default:
            return false;
        }
    }
    if (group == "Photo")
        return tag == 0x927c /* MakerNote */ || tag == 0xa005 /* InteroperabilityTag */;
    return false;
}

bool isWindowsXpTag(const std::string& group, uint16_t tag) {
    return group == "Image" && tag >= 0x9c9b && tag <= 0x9c9f;
}

bool isCommentTag(const std::string& group, uint16_t tag) {
    return (group == "Photo" && tag == 0x9286) || // UserComment
           (group == "GPSInfo" &&
            (tag == 0x001b || tag == 0x001c)); // ProcessingMethod, AreaInformation
}

bool isDegreesTag(const QString& set, const QString& key) {
    return set == PropertyKeys::GpsSet &&
           (key == QLatin1String("Latitude") || key == QLatin1String("Longitude") ||
            key == QLatin1String("DestLatitude") || key == QLatin1String("DestLongitude"));
}

double rationalToDouble(const Exiv2::Rational& r) {
    return r.second == 0 ? 0.0 : double(r.first) / double(r.second);
}

QString textFromBytes(const std::string& bytes) {
    const std::string trimmed = bytes.substr(0, bytes.find('\0'));
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    QString text = decoder(QByteArray::fromStdString(trimmed));
    if (decoder.hasError())
        text = QString::fromLatin1(trimmed.data(), qsizetype(trimmed.size()));
    return text;
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

std::string rationalText(double x) {
    if (!std::isfinite(x))
        x = 0;
    const bool negative = x < 0;
    const double magnitude = std::fabs(x);
    if (magnitude == std::floor(magnitude) && magnitude < 2147483647.0)
        return (negative ? "-" : "") + std::to_string(static_cast<long long>(magnitude)) + "/1";
    double denominator = 1000000;
    while (denominator > 1 && magnitude * denominator > 2147483647.0)
        denominator /= 10;
    long long num = std::llround(magnitude * denominator);
    long long den = static_cast<long long>(denominator);
    const long long divisor = std::gcd(num, den);
    if (divisor > 1) {
        num /= divisor;
        den /= divisor;
    }
    return (negative ? "-" : "") + std::to_string(num) + "/" + std::to_string(den);
}

std::string degreesText(double degrees) {
    double magnitude = std::fabs(degrees);
    double whole = std::floor(magnitude);
    double minutes = std::floor((magnitude - whole) * 60.0);
    double seconds = std::round(((magnitude - whole) * 60.0 - minutes) * 60.0 * 10000.0) / 10000.0;
    if (seconds >= 60.0) {
        seconds -= 60.0;
        minutes += 1;
    }
    if (minutes >= 60.0) {
        minutes -= 60.0;
        whole += 1;
    }
    return rationalText(whole) + " " + rationalText(minutes) + " " +
           std::to_string(std::llround(seconds * 10000.0)) + "/10000";
}

std::optional<double> number(const QVariant& value) {
    bool ok = false;
    const double x = value.toDouble(&ok);
    if (!ok || !std::isfinite(x))
        return std::nullopt;
    return x;
}

bool isNumber(const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

// The components of a value: a list as it is, a text split at blanks, dots or
// colons ("2.2.0.0", "12:30:05"), anything else as one component.
QVariantList components(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantList)
        return value.toList();
    if (value.typeId() == QMetaType::QStringList) {
        QVariantList items;
        for (const QString& s : value.toStringList())
            items << s;
        return items;
    }
    if (value.typeId() == QMetaType::QString) {
        QVariantList items;
        static const QRegularExpression separators(QStringLiteral("[\\s:,]+"));
        for (const QString& s : value.toString().split(separators, Qt::SkipEmptyParts))
            items << s;
        return items;
    }
    return {value};
}

using ValuePtr = std::shared_ptr<Exiv2::Value>;

Result<ValuePtr> readValue(Exiv2::TypeId type, const std::string& text, const QString& name) {
    ValuePtr value(Exiv2Owned::createValue(type).release());
    if (value->read(text) != 0)
        return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: bad value").arg(name));
    return Result<ValuePtr>::ok(value);
}

Result<ValuePtr> numbersValue(Exiv2::TypeId type, const QVariantList& items, const QString& name,
                              bool rational) {
    std::string text;
    for (const QVariant& item : items) {
        const auto x = number(item);
        if (!x)
            return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: \"%2\" is not a number")
                                              .arg(name, item.toString()));
        if (!text.empty())
            text += ' ';
        text += rational ? rationalText(*x) : std::to_string(std::llround(*x));
    }
    if (text.empty())
        return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: no value").arg(name));
    return readValue(type, text, name);
}

} // namespace

std::optional<SetEntry> dictionaryEntry(const Exiv2::Exifdatum& datum) {
    const std::string group = datum.groupName();
    if (isHiddenTag(group, datum.tag()))
        return std::nullopt;
    const QString name = QString::fromStdString(datum.tagName());
    if (group == "Image")
        return SetEntry{PropertyKeys::TiffSet, name};
    if (group == "Photo")
        return SetEntry{PropertyKeys::ExifSet, name};
    if (group == "GPSInfo") {
        if (datum.tag() == 0x0000)
            return SetEntry{PropertyKeys::GpsSet, PropertyKeys::GPSVersion};
        return SetEntry{PropertyKeys::GpsSet,
                        name.startsWith(QLatin1String("GPS")) ? name.mid(3) : name};
    }
    return std::nullopt;
}

QString exifKeyName(const QString& set, const QString& key) {
    if (set == PropertyKeys::TiffSet)
        return QStringLiteral("Exif.Image.") + key;
    if (set == PropertyKeys::ExifSet)
        return QStringLiteral("Exif.Photo.") + key;
    if (key == PropertyKeys::GPSVersion)
        return QStringLiteral("Exif.GPSInfo.GPSVersionID");
    if (key.startsWith(QLatin1String("0x")))
        return QStringLiteral("Exif.GPSInfo.") + key;
    return QStringLiteral("Exif.GPSInfo.GPS") + key;
}

namespace {
struct IptcName {
    uint16_t dataset;
    const char* name;
};
// The standard IIM names of the application record.
constexpr IptcName iptcNames[] = {
    {0, "RecordVersion"},
    {3, "ObjectTypeReference"},
    {4, "ObjectAttributeReference"},
    {5, "ObjectName"},
    {7, "EditStatus"},
    {8, "EditorialUpdate"},
    {10, "Urgency"},
    {12, "SubjectReference"},
    {15, "Category"},
    {20, "SupplementalCategory"},
    {22, "FixtureIdentifier"},
    {25, "Keywords"},
    {26, "ContentLocationCode"},
    {27, "ContentLocationName"},
    {30, "ReleaseDate"},
    {35, "ReleaseTime"},
    {37, "ExpirationDate"},
    {38, "ExpirationTime"},
    {40, "SpecialInstructions"},
    {42, "ActionAdvised"},
    {45, "ReferenceService"},
    {47, "ReferenceDate"},
    {50, "ReferenceNumber"},
    {55, "DateCreated"},
    {60, "TimeCreated"},
    {62, "DigitalCreationDate"},
    {63, "DigitalCreationTime"},
    {65, "OriginatingProgram"},
    {70, "ProgramVersion"},
    {75, "ObjectCycle"},
    {80, "By-line"},
    {85, "By-lineTitle"},
    {90, "City"},
    {92, "Sub-location"},
    {95, "Province/State"},
    {100, "Country/PrimaryLocationCode"},
    {101, "Country/PrimaryLocationName"},
    {103, "OriginalTransmissionReference"},
    {105, "Headline"},
    {110, "Credit"},
    {115, "Source"},
    {116, "CopyrightNotice"},
    {118, "Contact"},
    {120, "Caption/Abstract"},
    {122, "Writer/Editor"},
    {130, "ImageType"},
    {131, "ImageOrientation"},
    {135, "LanguageIdentifier"},
};
} // namespace

QString iptcName(uint16_t dataset) {
    for (const IptcName& entry : iptcNames) {
        if (entry.dataset == dataset)
            return QString::fromLatin1(entry.name);
    }
    return QStringLiteral("0x%1").arg(dataset, 4, 16, QLatin1Char('0'));
}

std::optional<uint16_t> iptcDataset(const QString& name) {
    for (const IptcName& entry : iptcNames) {
        if (name == QLatin1String(entry.name))
            return entry.dataset;
    }
    if (name.startsWith(QLatin1String("0x"))) {
        bool ok = false;
        const uint value = name.mid(2).toUInt(&ok, 16);
        if (ok && value <= 0xff)
            return uint16_t(value);
    }
    return std::nullopt;
}

bool iptcAlwaysList(uint16_t dataset) {
    return dataset == 25 || dataset == 20 || dataset == 12;
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
            bytes.append(char(value.toLong(i)));
        QString text = QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData()),
                                          bytes.size() / 2);
        return text.left(text.indexOf(QChar(0)) < 0 ? text.size() : text.indexOf(QChar(0)));
    }
    if (set == PropertyKeys::GpsSet && key == PropertyKeys::GPSVersion) {
        QStringList parts;
        for (long i = 0; i < count; ++i)
            parts << QString::number(value.toLong(i));
        return parts.join(QLatin1Char('.'));
    }
    if (isDegreesTag(set, key) && count == 3) {
        return rationalToDouble(value.toRational(0)) +
               rationalToDouble(value.toRational(1)) / 60.0 +
               rationalToDouble(value.toRational(2)) / 3600.0;
    }
    if (set == PropertyKeys::GpsSet && key == PropertyKeys::TimeStamp && count == 3) {
        return QStringLiteral("%1:%2:%3")
            .arg(int(rationalToDouble(value.toRational(0))), 2, 10, QLatin1Char('0'))
            .arg(int(rationalToDouble(value.toRational(1))), 2, 10, QLatin1Char('0'))
            .arg(secondsText(rationalToDouble(value.toRational(2))));
    }
    switch (value.typeId()) {
    case Exiv2::asciiString:
    case Exiv2::string:
        return textFromBytes(value.toString());
    case Exiv2::unsignedRational:
    case Exiv2::signedRational: {
        QVariantList items;
        for (long i = 0; i < count; ++i)
            items << rationalToDouble(value.toRational(i));
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
        bool printable = count > 0;
        for (long i = 0; i < count; ++i) {
            const long byte = value.toLong(i);
            printable = printable && byte >= 0x20 && byte < 0x7f;
            bytes.append(char(byte));
        }
        if (printable)
            return QString::fromLatin1(bytes);
        if (count > 256)
            return {};
        QVariantList items;
        for (long i = 0; i < count; ++i)
            items << qlonglong(value.toLong(i));
        return listOrSingle(items);
    }
    default: {
        QVariantList items;
        for (long i = 0; i < count; ++i)
            items << qlonglong(value.toLong(i));
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
        return qlonglong(value.toLong(0));
    default:
        return textFromBytes(value.toString());
    }
}

Result<ValuePtr> exifValue(const Exiv2::ExifKey& key, Exiv2::TypeId type, const QString& set,
                           const QString& name, const QVariant& value) {
    const std::string group = key.groupName();
    const uint16_t tag = key.tag();
    if (isCommentTag(group, tag)) {
        const QString text = value.toString();
        bool ascii = true;
        for (QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        return readValue(Exiv2::comment,
                         (ascii ? "charset=Ascii " : "charset=Unicode ") + text.toStdString(),
                         name);
    }
    if (isWindowsXpTag(group, tag)) {
        const QString text = value.toString();
        std::string bytes;
        for (QChar c : text)
            bytes +=
                std::to_string(c.unicode() & 0xff) + ' ' + std::to_string(c.unicode() >> 8) + ' ';
        return readValue(Exiv2::unsignedByte, bytes + "0 0", name);
    }
    if (set == PropertyKeys::GpsSet && name == PropertyKeys::GPSVersion) {
        QVariantList parts = value.typeId() == QMetaType::QString
                                 ? components(value.toString().replace(QLatin1Char('.'), ' '))
                                 : components(value);
        if (parts.size() != 4)
            return Result<ValuePtr>::fail(
                QStringLiteral("cannot write GPSVersion: \"%1\" is not four numbers")
                    .arg(value.toString()));
        return numbersValue(Exiv2::unsignedByte, parts, name, false);
    }
    if (isDegreesTag(set, name)) {
        const auto degrees = number(value);
        if (!degrees)
            return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: \"%2\" is not a number")
                                              .arg(name, value.toString()));
        return readValue(Exiv2::unsignedRational, degreesText(*degrees), name);
    }
    if (set == PropertyKeys::GpsSet && name == PropertyKeys::TimeStamp) {
        const QVariantList parts = components(value);
        if (parts.size() != 3)
            return Result<ValuePtr>::fail(
                QStringLiteral("cannot write TimeStamp: \"%1\" is not HH:MM:SS")
                    .arg(value.toString()));
        return numbersValue(Exiv2::unsignedRational, parts, name, true);
    }
    switch (type) {
    case Exiv2::asciiString:
    case Exiv2::string:
        if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QVariantMap)
            return Result<ValuePtr>::fail(QStringLiteral("cannot write %1: not a text").arg(name));
        return readValue(Exiv2::asciiString, value.toString().toStdString(), name);
    case Exiv2::unsignedRational:
    case Exiv2::signedRational:
        return numbersValue(type, components(value), name, true);
    case Exiv2::undefined:
        if (value.typeId() == QMetaType::QString) {
            std::string bytes;
            for (char c : value.toString().toLatin1())
                bytes += std::to_string(quint8(c)) + ' ';
            return readValue(type, bytes, name);
        }
        return numbersValue(type, components(value), name, false);
    case Exiv2::unsignedByte:
    case Exiv2::signedByte:
    case Exiv2::unsignedShort:
    case Exiv2::signedShort:
    case Exiv2::unsignedLong:
    case Exiv2::signedLong:
        return numbersValue(type, components(value), name, false);
    case Exiv2::tiffFloat:
    case Exiv2::tiffDouble: {
        std::string text;
        for (const QVariant& item : components(value)) {
            const auto x = number(item);
            if (!x)
                return Result<ValuePtr>::fail(
                    QStringLiteral("cannot write %1: not a number").arg(name));
            text += std::to_string(*x) + ' ';
        }
        return readValue(type, text, name);
    }
    default:
        return Result<ValuePtr>::fail(
            QStringLiteral("cannot write %1: unsupported type").arg(name));
    }
}

bool sameValue(const QVariant& a, const QVariant& b) {
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x == y || std::fabs(x - y) <= 1e-6 * std::max(std::fabs(x), std::fabs(y));
    }
    const bool aList =
        a.typeId() == QMetaType::QVariantList || a.typeId() == QMetaType::QStringList;
    const bool bList =
        b.typeId() == QMetaType::QVariantList || b.typeId() == QMetaType::QStringList;
    if (aList && bList) {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i) {
            if (!sameValue(x[i], y[i]))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QVariantMap && b.typeId() == QMetaType::QVariantMap) {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (x.keys() != y.keys())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it) {
            if (!sameValue(it.value(), y.value(it.key())))
                return false;
        }
        return true;
    }
    if (a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString() == b.toString();
    return a == b;
}

} // namespace Exiv2Values

namespace Exiv2Values {

QVariantMap dictionaryOf(Exiv2::Image& image) {
    QVariantMap top;
    QVariantMap sets[3];
    const QString setNames[3] = {PropertyKeys::TiffSet, PropertyKeys::ExifSet,
                                 PropertyKeys::GpsSet};
    for (const Exiv2::Exifdatum& datum : image.exifData()) {
        const auto entry = dictionaryEntry(datum);
        if (!entry)
            continue;
        const QVariant value = exifToVariant(datum, entry->set, entry->key);
        if (!value.isValid())
            continue;
        for (int i = 0; i < 3; ++i) {
            if (setNames[i] == entry->set)
                sets[i].insert(entry->key, value);
        }
    }
    for (int i = 0; i < 3; ++i) {
        if (!sets[i].isEmpty())
            top.insert(setNames[i], sets[i]);
    }

    QVariantMap iptc;
    for (const Exiv2::Iptcdatum& datum : image.iptcData()) {
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
    if (!iptc.isEmpty())
        top.insert(PropertyKeys::IptcSet, iptc);

    const QVariantMap tiff = sets[0];
    const QVariantMap exif = sets[1];
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
