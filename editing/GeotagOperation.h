#pragma once

#include "editing/ClockCorrection.h"
#include "editing/GpsTrack.h"
#include "editing/PhotoClock.h"
#include "editing/PlacesOperation.h"
#include "editing/PlannedRewrite.h"

#include <memory>

// What the user chose for one geotagging.
struct GeotagSettings {
    ClockCorrection clock;
    std::optional<QTimeZone> zone; // for photos without OffsetTimeOriginal
    TrackLimits limits;
    bool overwrite = false;       // photos that have a position get the track's
    bool speedAndHeading = false; // GPSSpeed and GPSTrack from the step of the track
    // Set: each placed photo also gets the location fields of its new
    // position, those it has kept unless the places' settings overwrite.
    std::shared_ptr<const Gazetteer> places;
    PlacesSettings placesSettings;
};

// What the track makes of one photo.
struct GeotagMatch {
    QString skipReason; // empty when the photo is placed
    std::optional<PhotoInstant> photo;
    qint64 gpsMsecs = 0; // the photo's instant in GPS time, the clock corrected
    TrackFix fix;

    bool placed() const { return skipReason.isEmpty(); }
};

// The photo's instant read (which depends on the zone alone), then matched.
GeotagMatch matchPhoto(const PhotoClock& clock, const GpsTrack& track,
                       const GeotagSettings& settings);
GeotagMatch matchInstant(const Result<PhotoInstant>& instant, bool hasPosition,
                         const GpsTrack& track, const GeotagSettings& settings);

// "2024-05-01T10:00:00.250Z".
QString utcText(qint64 msecs);

// The GPS set written for a placed photo: position and references, the
// altitude when the track has one, the GPS date and time of the photo in UTC;
// asked for, the speed and the direction of travel where the track has them.
QVariantMap geotagGpsSet(const GeotagMatch& match, bool speedAndHeading = false);

// Each photo read, matched and written under its own name into the storage
// folder with its GPS set replaced; the photos the track does not place are
// skipped with the reason. A dry run also lists the photo's time, the
// matched GPS time and how far the position is from the nearest track point.
PlannedRewrite geotagPlan(std::shared_ptr<const GpsTrack> track, const GeotagSettings& settings);
OperationReport runGeotag(std::shared_ptr<const GpsTrack> track, const GeotagSettings& settings,
                          const std::vector<SelectedPhoto>& photos, const QString& storage,
                          MetadataService& service, const BatchOptions& options = {});
std::vector<PhotoChangePreview> previewGeotag(std::shared_ptr<const GpsTrack> track,
                                              const GeotagSettings& settings,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service);
