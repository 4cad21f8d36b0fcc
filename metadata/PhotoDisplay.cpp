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

    const QVariantMap gps = dictionary.value(GpsSet).toMap();
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
