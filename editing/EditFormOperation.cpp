#include "editing/EditFormOperation.h"

#include "metadata/DateText.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"

using namespace PropertyKeys;

namespace {

bool isEmpty(const std::optional<QString>& field) {
    return !field || field->trimmed().isEmpty();
}

void insertIfGiven(QVariantMap& set, const QString& key, const std::optional<QString>& field) {
    if (field)
        set.insert(key, *field);
}

} // namespace

QStringList keywordsOf(const QString& text) {
    QStringList words;
    for (const QString& item : text.split(QLatin1Char(','))) {
        if (!item.trimmed().isEmpty())
            words << item.trimmed();
    }
    return words;
}

Result<PlannedRewrite> editFormPlan(const EditFormFields& f) {
    using R = Result<PlannedRewrite>;
    PlannedRewrite plan;
    plan.form = OutputForm::PlainName;

    QVariantMap tiff, exif, iptc;
    insertIfGiven(tiff, Artist, f.artist);
    insertIfGiven(tiff, ImageDescription, f.description);
    insertIfGiven(tiff, Copyright, f.copyright);
    insertIfGiven(tiff, Make, f.make);
    insertIfGiven(tiff, Model, f.model);
    insertIfGiven(exif, LensMake, f.make);
    insertIfGiven(exif, LensModel, f.model);
    insertIfGiven(exif, UserComment, f.comment);
    if (!isEmpty(f.date)) {
        if (!DateText::isValid(f.date->trimmed()))
            return R::fail(QStringLiteral("date: \"%1\" is not a date of the form YYYY:MM:DD "
                                          "HH:MM:SS or YYYY-MM-DD HH:MM:SS")
                               .arg(f.date->trimmed()));
        const QString date = DateText::normalise(f.date->trimmed());
        exif.insert(DateTimeOriginal, date);
        exif.insert(DateTimeDigitized, date);
    }
    if (f.keywords) {
        const QStringList words = keywordsOf(*f.keywords);
        iptc.insert(Keywords, words.isEmpty() ? removal() : QVariant(QVariant(words).toList()));
    }
    if (!tiff.isEmpty())
        plan.changes.insert(TiffSet, tiff);
    if (!exif.isEmpty())
        plan.changes.insert(ExifSet, exif);
    if (!iptc.isEmpty())
        plan.changes.insert(IptcSet, iptc);

    const GpsTexts texts{f.latitude.value_or(QString()), f.longitude.value_or(QString()),
                         f.altitude.value_or(QString()), f.gpsDate.value_or(QString()),
                         f.gpsTime.value_or(QString())};
    // The file dates follow the GPS date and time even where the position is
    // left alone; both must then be sound.
    if (!isEmpty(f.gpsDate) || !isEmpty(f.gpsTime)) {
        const auto date = readGpsDate(texts.date);
        if (!date)
            return R::fail(date.error());
        const auto time = readGpsTime(texts.time);
        if (!time)
            return R::fail(time.error());
        plan.fileDates = gpsInstant(date.value(), time.value());
    }
    if (isEmpty(f.latitude) && isEmpty(f.longitude))
        return R::ok(plan);
    const auto values = readGpsTexts(texts, GpsDateRule::Optional);
    if (!values)
        return R::fail(values.error());
    plan.changesFor = [changes = plan.changes,
                       gps = values.value()](const QVariantMap& dictionary) {
        PhotoChanges out{changes, {}, {}};
        out.changes.insert(GpsSet, gpsChangesFor(gps, dictionary));
        return out;
    };
    return R::ok(plan);
}

namespace {

// The GPS keys of one photo that the given fields change: the whole set for a
// photo without a position, else only the keys of the fields given.
std::optional<QVariantMap> typedGpsChanges(const EditFormFields& f, const QVariantMap& dictionary) {
    const PhotoDisplay own = photoDisplayFor(dictionary);
    if (!own.hasPosition && !(f.latitude && f.longitude))
        return std::nullopt;
    const GpsTexts texts{f.latitude.value_or(own.gpsLatilab.value_or(QString())),
                         f.longitude.value_or(own.gpsLongtlab.value_or(QString())),
                         f.altitude.value_or(own.gpsAitlab.value_or(QString())),
                         f.gpsDate.value_or(own.gpsDatelab.value_or(QString())),
                         f.gpsTime.value_or(own.gpsTimelab.value_or(QString()))};
    const auto values = readGpsTexts(texts, GpsDateRule::Optional);
    if (!values) // the photo's own GPS texts do not read: its set stays as it is
        return std::nullopt;
    const QVariantMap whole = gpsChangesFor(values.value(), dictionary);
    if (!own.hasPosition)
        return whole;
    QVariantMap changes;
    const auto take = [&](bool given, std::initializer_list<QString> keys) {
        if (!given)
            return;
        for (const QString& key : keys)
            changes.insert(key, whole.contains(key) ? whole.value(key) : removal());
    };
    take(f.latitude.has_value(), {Latitude, LatitudeRef});
    take(f.longitude.has_value(), {Longitude, LongitudeRef});
    take(f.altitude.has_value(), {Altitude, AltitudeRef});
    take(f.gpsDate.has_value(), {DateStamp});
    take(f.gpsTime.has_value(), {TimeStamp});
    return changes;
}

} // namespace

Result<PlannedRewrite> editFormPlanForSeveral(const EditFormFields& f) {
    using R = Result<PlannedRewrite>;
    EditFormFields common;
    common.artist = f.artist;
    common.description = f.description;
    common.copyright = f.copyright;
    common.make = f.make;
    common.model = f.model;
    common.date = f.date;
    common.comment = f.comment;
    common.keywords = f.keywords;
    auto planned = editFormPlan(common);
    if (!planned || !(f.latitude || f.longitude || f.altitude || f.gpsDate || f.gpsTime))
        return planned;
    // The given texts are checked as the form checks them, the others
    // standing in with a sound value.
    const GpsTexts given{f.latitude.value_or(QStringLiteral("0")),
                         f.longitude.value_or(QStringLiteral("0")), f.altitude.value_or(QString()),
                         f.gpsDate.value_or(QString()), f.gpsTime.value_or(QString())};
    const auto checked = readGpsTexts(given, GpsDateRule::Optional);
    if (!checked)
        return R::fail(checked.error());
    PlannedRewrite plan = planned.value();
    if (f.gpsDate && f.gpsTime)
        plan.fileDates = checked->instant;
    plan.changesFor = [changes = plan.changes, f](const QVariantMap& dictionary) {
        PhotoChanges out{changes, {}, {}};
        if (const auto gps = typedGpsChanges(f, dictionary))
            out.changes.insert(GpsSet, *gps);
        return out;
    };
    return R::ok(plan);
}

OperationReport runEditForm(const PlannedRewrite& plan, const std::vector<SelectedPhoto>& photos,
                            const QString& storage, MetadataService& service,
                            const BatchOptions& options) {
    return runPlanned(plan, photos, storage, service, options);
}

std::vector<PhotoChangePreview> previewEditForm(const PlannedRewrite& plan,
                                                const std::vector<SelectedPhoto>& photos,
                                                const QString& storage, MetadataService& service) {
    return previewPlanned(plan, photos, storage, service);
}
