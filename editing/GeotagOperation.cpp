#include "editing/GeotagOperation.h"

#include "metadata/PropertyKeys.h"

#include <QDateTime>

using namespace PropertyKeys;

GeotagMatch matchInstant(const Result<PhotoInstant>& instant, bool hasPosition,
                         const GpsTrack& track, const GeotagSettings& settings) {
    GeotagMatch match;
    if (!instant) {
        match.skipReason = instant.error();
        return match;
    }
    match.photo = instant.value();
    match.gpsMsecs = instant->msecs + settings.clock.offsetAt(instant->msecs);
    if (hasPosition && !settings.overwrite) {
        match.skipReason = QStringLiteral("already has a position (overwriting it was not asked)");
        return match;
    }
    match.fix = track.locate(match.gpsMsecs, settings.limits);
    if (!match.fix.found())
        match.skipReason = match.fix.reason;
    return match;
}

GeotagMatch matchPhoto(const PhotoClock& clock, const GpsTrack& track,
                       const GeotagSettings& settings) {
    return matchInstant(photoInstant(clock, settings.zone), clock.hasPosition, track, settings);
}

QString utcText(qint64 msecs) {
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc());
    return utc.toString(msecs % 1000 ? QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")
                                     : QStringLiteral("yyyy-MM-ddTHH:mm:ssZ"));
}

QVariantMap geotagGpsSet(const GeotagMatch& match, bool speedAndHeading) {
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(match.gpsMsecs, QTimeZone::utc());
    QString time = utc.toString(QStringLiteral("HH:mm:ss"));
    if (const int ms = utc.time().msec()) {
        time += QStringLiteral(".%1").arg(ms, 3, 10, QLatin1Char('0'));
        while (time.endsWith(QLatin1Char('0')))
            time.chop(1);
    }
    // Full precision: a track's position is finer than a 32-bit float holds.
    QVariantMap gps = {
        {GPSVersion, QStringLiteral("2.2.0.0")},
        {Latitude, std::fabs(match.fix.latitude)},
        {LatitudeRef, match.fix.latitude < 0 ? QStringLiteral("S") : QStringLiteral("N")},
        {Longitude, std::fabs(match.fix.longitude)},
        {LongitudeRef, match.fix.longitude < 0 ? QStringLiteral("W") : QStringLiteral("E")},
        {DateStamp, utc.toString(QStringLiteral("yyyy:MM:dd"))},
        {TimeStamp, time},
    };
    if (match.fix.altitude) {
        gps.insert(Altitude, std::fabs(*match.fix.altitude));
        gps.insert(AltitudeRef, *match.fix.altitude < 0 ? 1 : 0);
    }
    // A rational of 32-bit numbers holds the speed; a jump of the track past
    // that is no speed to write.
    if (speedAndHeading && match.fix.speedKmh && *match.fix.speedKmh < 2147483647.0) {
        gps.insert(Speed, *match.fix.speedKmh);
        gps.insert(SpeedRef, QStringLiteral("K"));
    }
    if (speedAndHeading && match.fix.trackDegrees) {
        gps.insert(Track, *match.fix.trackDegrees);
        gps.insert(TrackRef, QStringLiteral("T"));
    }
    return gps;
}

PlannedRewrite geotagPlan(std::shared_ptr<const GpsTrack> track, const GeotagSettings& settings) {
    PlannedRewrite plan;
    plan.form = OutputForm::PlainName;
    // As the GPS window writes a position: the set whole, so that a bearing,
    // speed or datum of an earlier position does not stay beside the new one.
    plan.replacedSets = {GpsSet};
    plan.changesFor = [track, settings](const QVariantMap& dictionary) {
        const GeotagMatch match = matchPhoto(PhotoClock::of(dictionary), *track, settings);
        PhotoChanges changes;
        if (match.photo)
            changes.details.append({QStringLiteral("time"), match.photo->describe()});
        if (!match.placed()) {
            changes.skipReason = match.skipReason;
            return changes;
        }
        changes.changes = handSet(GpsSet, geotagGpsSet(match, settings.speedAndHeading));
        if (settings.places) {
            const PlacesSettings& named = settings.placesSettings;
            LocationTexts place =
                locationTextsAt(*settings.places, match.fix.latitude, match.fix.longitude,
                                named.maxDistanceKm, named.language);
            if (!named.overwrite)
                place = onlyMissing(place, dictionary);
            const QVariantMap location = locationChanges(place, dictionary);
            for (auto it = location.cbegin(); it != location.cend(); ++it)
                changes.changes.insert(it.key(), it.value());
            if (place.city)
                changes.details.append({QStringLiteral("place"), *place.city});
        }
        changes.details.append({QStringLiteral("matchedTime"), utcText(match.gpsMsecs)});
        changes.details.append(
            {QStringLiteral("nearestPointMetres"), std::round(match.fix.nearestMetres * 10) / 10});
        changes.details.append(
            {QStringLiteral("nearestPointSeconds"), double(match.fix.nearestMsecs) / 1000});
        return changes;
    };
    return plan;
}

OperationReport runGeotag(std::shared_ptr<const GpsTrack> track, const GeotagSettings& settings,
                          const std::vector<SelectedPhoto>& photos, const QString& storage,
                          MetadataService& service, const BatchOptions& options) {
    return runPlanned(geotagPlan(std::move(track), settings), photos, storage, service, options);
}

std::vector<PhotoChangePreview> previewGeotag(std::shared_ptr<const GpsTrack> track,
                                              const GeotagSettings& settings,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service) {
    return previewPlanned(geotagPlan(std::move(track), settings), photos, storage, service);
}
