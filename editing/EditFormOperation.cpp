#include "editing/EditFormOperation.h"

#include "editing/FormField.h"
#include "editing/PlacesOperation.h"
#include "metadata/DateText.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

using namespace PropertyKeys;

namespace {

bool isEmpty(const std::optional<QString>& field) {
    return !field || field->trimmed().isEmpty();
}

void insertIfGiven(QVariantMap& set, const QString& key, const std::optional<QString>& field) {
    if (field)
        set.insert(key, *field);
}

LocationTexts locationOf(const EditFormFields& f) {
    return {f.city, f.state, f.country, f.countryCode};
}

// The title and the rating, beside the location in IPTC and XMP.
QList<MirroredText> describingOf(const EditFormFields& f) {
    return {{QStringLiteral("ObjectName"), QStringLiteral("dc:title"), f.title},
            {QString(), QStringLiteral("xmp:Rating"), f.rating}};
}

bool anyGiven(const LocationTexts& t, const QList<MirroredText>& described) {
    return t.city || t.state || t.country || t.countryCode ||
           std::any_of(described.cbegin(), described.cend(),
                       [](const MirroredText& m) { return m.text.has_value(); });
}

void mergeInto(PhotoChanges& out, const QVariantMap& changes) {
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        QVariantMap set = out.changes.value(it.key()).toMap();
        const QVariantMap values = it.value().toMap();
        for (auto v = values.cbegin(); v != values.cend(); ++v)
            set.insert(v.key(), v.value());
        out.changes.insert(it.key(), set);
    }
}

// The changes of one photo: those shared by all, its GPS keys, and its
// location, title and rating, whose homes depend on the blocks the photo
// keeps.
void addPhotoParts(PlannedRewrite& plan,
                   std::function<std::optional<QVariantMap>(const QVariantMap&)> gps,
                   const EditFormFields& f) {
    const LocationTexts location = locationOf(f);
    const QList<MirroredText> described = describingOf(f);
    if (!gps && !anyGiven(location, described))
        return;
    plan.changesFor = [changes = plan.changes, gps = std::move(gps), location,
                       described](const QVariantMap& dictionary) {
        PhotoChanges out{changes, {}, {}};
        if (gps) {
            if (const auto set = gps(dictionary))
                out.changes.insert(GpsSet, *set);
        }
        mergeInto(out, locationChanges(location, dictionary));
        mergeInto(out, mirroredTextChanges(described, dictionary));
        return out;
    };
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

    std::map<QString, QVariantMap> sets;
    for (const FormField& field : formFields()) {
        if (field.rule != FormFieldRule::Text)
            continue;
        for (const FormFieldHome& home : field.homes)
            insertIfGiven(sets[home.set], home.key, f.*field.edit);
    }
    QVariantMap& exif = sets[ExifSet];
    QVariantMap& iptc = sets[IptcSet];
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
    if (f.countryCode && !f.countryCode->trimmed().isEmpty()) {
        static const QRegularExpression code(QStringLiteral("^[A-Za-z]{2,3}$"));
        if (!code.match(f.countryCode->trimmed()).hasMatch())
            return R::fail(QStringLiteral("country code: \"%1\" is not a two- or three-letter "
                                          "ISO country code")
                               .arg(f.countryCode->trimmed()));
    }
    if (f.rating && !f.rating->trimmed().isEmpty()) {
        bool number = false;
        const int stars = f.rating->trimmed().toInt(&number);
        if (!number || stars < 0 || stars > 5)
            return R::fail(QStringLiteral("rating: \"%1\" is not a number of stars from 0 to 5")
                               .arg(f.rating->trimmed()));
    }
    for (const auto& [set, values] : sets) {
        if (!values.isEmpty())
            plan.changes.insert(set, values);
    }

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
    std::function<std::optional<QVariantMap>(const QVariantMap&)> gps;
    if (!isEmpty(f.latitude) || !isEmpty(f.longitude)) {
        const auto values = readGpsTexts(texts, GpsDateRule::Optional);
        if (!values)
            return R::fail(values.error());
        gps = [values = values.value()](const QVariantMap& dictionary) {
            return std::optional<QVariantMap>(gpsChangesFor(values, dictionary));
        };
    }
    addPhotoParts(plan, std::move(gps), f);
    return R::ok(plan);
}

namespace {

// The GPS keys of one photo that the given fields change: the whole set for a
// photo without a position, else only the keys of the fields given.
std::optional<QVariantMap> typedGpsChanges(const EditFormFields& f, const QVariantMap& dictionary) {
    const bool hasPosition = photoDisplayFor(dictionary).hasPosition;
    if (!hasPosition && !(f.latitude && f.longitude))
        return std::nullopt;
    const EditFormFields own = shownFields(dictionary);
    const GpsTexts texts{f.latitude.value_or(*own.latitude), f.longitude.value_or(*own.longitude),
                         f.altitude.value_or(*own.altitude), f.gpsDate.value_or(*own.gpsDate),
                         f.gpsTime.value_or(*own.gpsTime)};
    const auto values = readGpsTexts(texts, GpsDateRule::Optional);
    if (!values) // the photo's own GPS texts do not read: its set stays as it is
        return std::nullopt;
    const QVariantMap whole = gpsChangesFor(values.value(), dictionary);
    if (!hasPosition)
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
    // The GPS texts are each photo's own business below; the rest is shared.
    EditFormFields common = f;
    for (const FormField& field : formFields()) {
        if (field.isGps())
            common.*field.edit = std::nullopt;
    }
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
    addPhotoParts(
        plan, [f](const QVariantMap& dictionary) { return typedGpsChanges(f, dictionary); }, f);
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
