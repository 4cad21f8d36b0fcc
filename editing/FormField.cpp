#include "editing/FormField.h"

#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyTree.h"

#include <QCoreApplication>
#include <QRegularExpression>

using namespace PropertyKeys;

bool FormField::isGps() const {
    return rule == FormFieldRule::Latitude || rule == FormFieldRule::Longitude ||
           rule == FormFieldRule::Altitude || rule == FormFieldRule::GpsStamp;
}

const QList<FormField>& formFields() {
    using K = FormFieldKind;
    using R = FormFieldRule;
    using F = EditFormFields;
    // One row a field, in the form's order: outlet, label, hint, control,
    // rule, homes, member, written only when changed, template keys.
    //
    // The make and model fields show the EXIF lens make and model where the
    // photo has them, else the camera's: an empty field would be written
    // back over the TIFF make by Apply. Keywords and places are IPTC's, else
    // XMP's (a photo that never had IPTC). The stars stay as XMP keeps them
    // ("-1" marks a rejected photo), so that an untouched field writes
    // nothing new.
    // clang-format off
    static const QList<FormField> rows = {
        {QStringLiteral("artistlab"), QT_TRANSLATE_NOOP("QObject", "Artist"), "",
         K::Line, R::Text, {{TiffSet, Artist}}, &F::artist, false, {Artist}},
        {QStringLiteral("imageDescrilab"), QT_TRANSLATE_NOOP("QObject", "Description"), "",
         K::Lines, R::Text, {{TiffSet, ImageDescription}}, &F::description, false,
         {ImageDescription}},
        {QStringLiteral("copyrightlab"), QT_TRANSLATE_NOOP("QObject", "Copyright"), "",
         K::Line, R::Text, {{TiffSet, Copyright}}, &F::copyright, false, {Copyright}},
        {QStringLiteral("cameraMakelab"), QT_TRANSLATE_NOOP("QObject", "Make"), "",
         K::Line, R::Text, {{ExifSet, LensMake}, {TiffSet, Make}}, &F::make, false,
         {Make, LensMake}},
        {QStringLiteral("cameraModelab"), QT_TRANSLATE_NOOP("QObject", "Model"), "",
         K::Line, R::Text, {{ExifSet, LensModel}, {TiffSet, Model}}, &F::model, false,
         {Model, LensModel}},
        // Shown from one of the photo's dates: written back unchanged it would
        // replace the other and drop the fractions and XMP dates the photo keeps.
        {QStringLiteral("cameraDatelab"), QT_TRANSLATE_NOOP("QObject", "Date"), "",
         K::DateAndTime, R::CameraDate, {}, &F::date, true, {DateTimeDigitized}},
        {QStringLiteral("commentslab"), QT_TRANSLATE_NOOP("QObject", "Comment"), "",
         K::Line, R::Text, {{ExifSet, UserComment}}, &F::comment, false, {UserComment}},
        {QStringLiteral("keywordslab"), QT_TRANSLATE_NOOP("QObject", "Keywords"),
         QT_TRANSLATE_NOOP("QObject", "one, two, three"),
         K::Line, R::Keywords, {{IptcSet, Keywords}, {XmpSet, QStringLiteral("dc:subject")}},
         &F::keywords, false, {Keywords}},
        {QStringLiteral("gpsLatilab"), QT_TRANSLATE_NOOP("QObject", "Latitude"),
         QT_TRANSLATE_NOOP("QObject", "south negative"),
         K::Line, R::Latitude, {{GpsSet, Latitude}}, &F::latitude, false,
         {Latitude, LatitudeRef}},
        {QStringLiteral("gpsLongtlab"), QT_TRANSLATE_NOOP("QObject", "Longitude"),
         QT_TRANSLATE_NOOP("QObject", "west negative"),
         K::Line, R::Longitude, {{GpsSet, Longitude}}, &F::longitude, false,
         {Longitude, LongitudeRef}},
        {QStringLiteral("gpsAitlab"), QT_TRANSLATE_NOOP("QObject", "Altitude"),
         QT_TRANSLATE_NOOP("QObject", "metres"),
         K::Line, R::Altitude, {{GpsSet, Altitude}}, &F::altitude, false, {Altitude}},
        {QStringLiteral("gpsDatelab"), QT_TRANSLATE_NOOP("QObject", "GPS date"), "",
         K::Date, R::GpsStamp, {{GpsSet, DateStamp}}, &F::gpsDate, false, {DateStamp}},
        {QStringLiteral("gpsTimelab"), QT_TRANSLATE_NOOP("QObject", "GPS time (UTC)"), "",
         K::Time, R::GpsStamp, {{GpsSet, TimeStamp}}, &F::gpsTime, false, {TimeStamp}},
        {QStringLiteral("citylab"), QT_TRANSLATE_NOOP("QObject", "City"), "",
         K::Line, R::Place,
         {{IptcSet, QStringLiteral("City")}, {XmpSet, QStringLiteral("photoshop:City")}},
         &F::city, false, {}},
        {QStringLiteral("statelab"), QT_TRANSLATE_NOOP("QObject", "State"),
         QT_TRANSLATE_NOOP("QObject", "or province"),
         K::Line, R::Place,
         {{IptcSet, QStringLiteral("Province/State")}, {XmpSet, QStringLiteral("photoshop:State")}},
         &F::state, false, {}},
        {QStringLiteral("countrylab"), QT_TRANSLATE_NOOP("QObject", "Country"), "",
         K::Line, R::Place,
         {{IptcSet, QStringLiteral("Country/PrimaryLocationName")},
          {XmpSet, QStringLiteral("photoshop:Country")}},
         &F::country, false, {}},
        {QStringLiteral("countryCodelab"), QT_TRANSLATE_NOOP("QObject", "Country code"),
         QT_TRANSLATE_NOOP("QObject", "ISO, such as DE"),
         K::Line, R::Place,
         {{IptcSet, QStringLiteral("Country/PrimaryLocationCode")},
          {XmpSet, QStringLiteral("Iptc4xmpCore:CountryCode")}},
         &F::countryCode, false, {}},
        // An untouched title or rating has nothing new to write.
        {QStringLiteral("titlelab"), QT_TRANSLATE_NOOP("QObject", "Title"), "",
         K::Line, R::Place,
         {{IptcSet, QStringLiteral("ObjectName")}, {XmpSet, QStringLiteral("dc:title")}},
         &F::title, true, {}},
        {QStringLiteral("ratinglab"), QT_TRANSLATE_NOOP("QObject", "Rating"), "",
         K::Stars, R::Place, {{XmpSet, QStringLiteral("xmp:Rating")}}, &F::rating, true, {}},
    };
    // clang-format on
    return rows;
}

namespace {

QString numberText(double value) {
    return QString::number(value, 'g', 10);
}

// The form shows the zone the camera kept for that date: an edited date
// keeps it unless the user picks another.
QString cameraDateText(const QVariantMap& dictionary) {
    const auto date = photoDate(dictionary);
    if (!date)
        return QString();
    static const QRegularExpression zoneOffset(QStringLiteral("^[+-]\\d{2}:\\d{2}$"));
    const QVariantMap exif = dictionary.value(ExifSet).toMap();
    const std::pair<QString, QString> zoned[] = {
        {DateTimeDigitized, QStringLiteral("OffsetTimeDigitized")},
        {DateTimeOriginal, QStringLiteral("OffsetTimeOriginal")},
    };
    for (const auto& [key, offset] : zoned) {
        const QString zone = exif.value(offset).toString().trimmed();
        if (exif.value(key).toString().trimmed() == *date)
            return zoneOffset.match(zone).hasMatch() ? *date + zone : *date;
    }
    return *date;
}

QString shownText(const FormField& field, const QVariantMap& dictionary) {
    const QVariantMap gps = dictionary.value(GpsSet).toMap();
    // Below sea level shows as negative, so that applying the form unchanged
    // keeps the photo below sea level.
    const auto signedNumber = [&](double (*value)(const QVariantMap&)) {
        return gps.contains(field.homes.value(0).key) ? numberText(value(gps)) : QString();
    };
    switch (field.rule) {
    case FormFieldRule::CameraDate:
        return cameraDateText(dictionary);
    case FormFieldRule::Latitude:
        return signedNumber(signedLatitude);
    case FormFieldRule::Longitude:
        return signedNumber(signedLongitude);
    case FormFieldRule::Altitude:
        return signedNumber(signedAltitude);
    case FormFieldRule::Text:
    case FormFieldRule::Keywords:
    case FormFieldRule::Place:
    case FormFieldRule::GpsStamp:
        break;
    }
    for (const FormFieldHome& home : field.homes) {
        const QVariantMap set = dictionary.value(home.set).toMap();
        if (set.contains(home.key))
            return displayText(set.value(home.key));
    }
    return QString();
}

} // namespace

EditFormFields shownFields(const QVariantMap& dictionary) {
    EditFormFields shown;
    for (const FormField& field : formFields())
        shown.*field.edit = shownText(field, dictionary);
    return shown;
}
