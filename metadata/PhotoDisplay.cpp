#include "metadata/PhotoDisplay.h"

#include "metadata/PropertyKeys.h"
#include "metadata/PropertyTree.h"

#include <QRegularExpression>

using namespace PropertyKeys;

double signedLatitude(const QVariantMap& gps) {
    const double value = gps.value(Latitude).toDouble();
    return gps.value(LatitudeRef).toString() == QLatin1String("N") ? value : -value;
}

double signedLongitude(const QVariantMap& gps) {
    const double value = gps.value(Longitude).toDouble();
    return gps.value(LongitudeRef).toString() == QLatin1String("E") ? value : -value;
}

double signedAltitude(const QVariantMap& gps) {
    const double value = gps.value(Altitude).toDouble();
    const QVariant ref = gps.value(AltitudeRef);
    const bool below = ref.toInt() == 1 || ref.toString() == QLatin1String("1");
    return below ? -value : value;
}

namespace {
const QRegularExpression zoneOffset(QStringLiteral("^[+-]\\d{2}:\\d{2}$"));

QString numberText(double value) {
    return QString::number(value, 'g', 10);
}

// An XMP or IPTC date in the EXIF layout, its wall time as it reads.
QString exifLayout(const QString& date, const QString& time = QString()) {
    static const QRegularExpression day(QStringLiteral("^(\\d{4})-?(\\d{2})-?(\\d{2})"));
    static const QRegularExpression clock(QStringLiteral("(\\d{2}):?(\\d{2})(?::?(\\d{2}))?"));
    const auto d = day.match(date.trimmed());
    if (!d.hasMatch())
        return QString();
    const QString rest = time.isEmpty() ? date.trimmed().mid(d.capturedLength()) : time.trimmed();
    const auto t = clock.match(rest);
    const bool timed =
        t.hasMatch() && (t.capturedStart() == 0 || rest.startsWith(QLatin1Char('T')));
    return QStringLiteral("%1:%2:%3 %4:%5:%6")
        .arg(d.captured(1), d.captured(2), d.captured(3),
             timed ? t.captured(1) : QStringLiteral("00"),
             timed ? t.captured(2) : QStringLiteral("00"),
             timed && t.capturedLength(3) ? t.captured(3) : QStringLiteral("00"));
}

enum class DateKind { Original, Digitized };

// The photo's date of that kind, then of the other, then its modification
// date, each from EXIF, then XMP, then IPTC, as the Metadata Working Group
// orders them.
std::optional<QString> datedBy(const QVariantMap& dictionary, DateKind first) {
    const QVariantMap exif = dictionary.value(ExifSet).toMap();
    const QVariantMap tiff = dictionary.value(TiffSet).toMap();
    const QVariantMap xmp = dictionary.value(XmpSet).toMap();
    const QVariantMap iptc = dictionary.value(IptcSet).toMap();
    // Cameras without a clock write blanks and colons: that is no date.
    static const QRegularExpression dated(QStringLiteral("^\\d{4}[:-]\\d{2}[:-]\\d{2}"));
    const auto exifDate = [&](const QVariantMap& set, const QString& key) {
        const QString text = set.value(key).toString().trimmed();
        return dated.match(text).hasMatch() ? text : QString();
    };
    const auto original = [&] {
        for (const QString& key :
             {QStringLiteral("exif:DateTimeOriginal"), QStringLiteral("photoshop:DateCreated")}) {
            if (const QString text = exifLayout(xmp.value(key).toString()); !text.isEmpty())
                return text;
        }
        return exifLayout(iptc.value(QStringLiteral("DateCreated")).toString(),
                          iptc.value(QStringLiteral("TimeCreated")).toString());
    };
    const auto digitized = [&] {
        for (const QString& key :
             {QStringLiteral("exif:DateTimeDigitized"), QStringLiteral("xmp:CreateDate")}) {
            if (const QString text = exifLayout(xmp.value(key).toString()); !text.isEmpty())
                return text;
        }
        return exifLayout(iptc.value(QStringLiteral("DigitalCreationDate")).toString(),
                          iptc.value(QStringLiteral("DigitalCreationTime")).toString());
    };
    const bool originalFirst = first == DateKind::Original;
    const QString candidates[] = {
        exifDate(exif, originalFirst ? DateTimeOriginal : DateTimeDigitized),
        exifDate(exif, originalFirst ? DateTimeDigitized : DateTimeOriginal),
        exifDate(tiff, DateTime),
        originalFirst ? original() : digitized(),
        originalFirst ? digitized() : original(),
        exifLayout(xmp.value(QStringLiteral("xmp:ModifyDate")).toString()),
    };
    for (const QString& candidate : candidates) {
        if (!candidate.isEmpty())
            return candidate;
    }
    return std::nullopt;
}
} // namespace

std::optional<QString> photoDate(const QVariantMap& dictionary) {
    return datedBy(dictionary, DateKind::Digitized);
}

std::optional<QString> photoOriginalDate(const QVariantMap& dictionary) {
    return datedBy(dictionary, DateKind::Original);
}

PhotoDisplay photoDisplayFor(const QVariantMap& dictionary) {
    PhotoDisplay d;
    if (dictionary.contains(PixelWidth) && dictionary.contains(PixelHeight))
        d.photoImageSizelab = QStringLiteral("%1 x %2")
                                  .arg(dictionary.value(PixelWidth).toLongLong())
                                  .arg(dictionary.value(PixelHeight).toLongLong());

    // Cleared first; the TIFF set, then the EXIF set, fill them.
    const QString empty;
    d.photoDPIlab = d.artistlab = d.imageDescrilab = d.copyrightlab = empty;
    d.cameraMakelab = d.cameraModelab = d.cameraDatelab = d.commentslab = empty;
    if (dictionary.contains(TiffSet)) {
        const QVariantMap tiff = dictionary.value(TiffSet).toMap();
        d.artistlab = displayText(tiff.value(Artist));
        d.imageDescrilab = displayText(tiff.value(ImageDescription));
        d.copyrightlab = displayText(tiff.value(Copyright));
        d.cameraMakelab = displayText(tiff.value(Make));
        d.cameraModelab = displayText(tiff.value(Model));
        d.photoDPIlab = displayText(tiff.value(Model));
    }
    d.photoModDatelab = empty;
    if (dictionary.contains(ExifSet)) {
        // The make and model fields show the EXIF lens make and model where
        // the photo has them, else the camera's: an empty field would be
        // written back over the TIFF make by Apply.
        const QVariantMap exif = dictionary.value(ExifSet).toMap();
        if (exif.contains(LensMake))
            d.cameraMakelab = displayText(exif.value(LensMake));
        if (exif.contains(LensModel))
            d.cameraModelab = displayText(exif.value(LensModel));
        d.photoDPIlab = displayText(exif.value(LensModel));
        d.commentslab = displayText(exif.value(UserComment));
    }
    if (const auto date = photoDate(dictionary)) {
        d.cameraDatelab = d.photoModDatelab = *date;
        // The form shows the zone the camera kept for that date: an edited
        // date keeps it unless the user picks another.
        const QVariantMap exif = dictionary.value(ExifSet).toMap();
        const std::pair<QString, QString> zoned[] = {
            {DateTimeDigitized, QStringLiteral("OffsetTimeDigitized")},
            {DateTimeOriginal, QStringLiteral("OffsetTimeOriginal")},
        };
        for (const auto& [key, offset] : zoned) {
            const QString zone = exif.value(offset).toString().trimmed();
            if (exif.value(key).toString().trimmed() == *date) {
                if (zoneOffset.match(zone).hasMatch())
                    d.cameraDatelab = *date + zone;
                break;
            }
        }
    }
    const QVariantMap gps = dictionary.value(GpsSet).toMap();
    d.gpsDatelab = displayText(gps.value(DateStamp));
    d.gpsTimelab = displayText(gps.value(TimeStamp));
    // Below sea level shows as negative, so that applying the form unchanged
    // keeps the photo below sea level.
    d.gpsAitlab = gps.contains(Altitude) ? numberText(signedAltitude(gps)) : empty;
    d.gpsLatilab = gps.contains(Latitude) ? numberText(signedLatitude(gps)) : empty;
    d.gpsLongtlab = gps.contains(Longitude) ? numberText(signedLongitude(gps)) : empty;
    // A photo that keeps XMP and no IPTC has its keywords in XMP alone.
    const QVariant keywords = dictionary.value(IptcSet).toMap().value(Keywords);
    d.keywordslab = displayText(
        keywords.isValid() ? keywords
                           : dictionary.value(XmpSet).toMap().value(QStringLiteral("dc:subject")));
    // The location as IPTC has it, else as XMP has it (a photo that never
    // had IPTC).
    const QVariantMap iptc = dictionary.value(IptcSet).toMap();
    const QVariantMap xmp = dictionary.value(XmpSet).toMap();
    const struct {
        std::optional<QString> PhotoDisplay::*field;
        const char *iptc, *xmp;
    } location[] = {
        {&PhotoDisplay::citylab, "City", "photoshop:City"},
        {&PhotoDisplay::statelab, "Province/State", "photoshop:State"},
        {&PhotoDisplay::countrylab, "Country/PrimaryLocationName", "photoshop:Country"},
        {&PhotoDisplay::countryCodelab, "Country/PrimaryLocationCode", "Iptc4xmpCore:CountryCode"},
        {&PhotoDisplay::titlelab, "ObjectName", "dc:title"},
    };
    for (const auto& place : location) {
        const QString key = QLatin1String(place.iptc);
        d.*place.field =
            displayText(iptc.contains(key) ? iptc.value(key) : xmp.value(QLatin1String(place.xmp)));
    }
    // The stars as XMP keeps them; the text stays as it is ("-1" marks a
    // rejected photo), so that an untouched field writes nothing new.
    d.ratinglab = displayText(xmp.value(QStringLiteral("xmp:Rating")));
    // A GPS set with no position (some cameras write only its version) is
    // not a position at 0, 0.
    if (gps.contains(Latitude) && gps.contains(Longitude)) {
        d.hasPosition = true;
        d.latitude = signedLatitude(gps);
        d.longitude = signedLongitude(gps);
    }
    return d;
}

QString cameraName(const QVariantMap& dictionary) {
    const QVariantMap tiff = dictionary.value(TiffSet).toMap();
    const QString make = displayText(tiff.value(Make)).simplified();
    const QString model = displayText(tiff.value(Model)).simplified();
    if (make.isEmpty() || model.startsWith(make, Qt::CaseInsensitive))
        return model;
    return model.isEmpty() ? make : make + QLatin1Char(' ') + model;
}
