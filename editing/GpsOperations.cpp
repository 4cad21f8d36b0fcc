#include "editing/GpsOperations.h"

#include "metadata/PropertyKeys.h"

#include <cmath>

using namespace PropertyKeys;

PlannedRewrite gpsSetPlan(const GpsValues& values) {
    PlannedRewrite plan;
    plan.form = OutputForm::PlainName;
    // The photo's keys outside the new set are removed, so the written set
    // holds only the new position: a bearing or datum of the old one would
    // be wrong for it.
    plan.changes = handSet(GpsSet, gpsSetFor(values));
    plan.replacedSets = {GpsSet};
    plan.fileDates = values.instant;
    return plan;
}

OperationReport runGpsSet(const GpsValues& values, const std::vector<SelectedPhoto>& photos,
                          const QString& storage, MetadataService& service,
                          const BatchOptions& options) {
    return runPlanned(gpsSetPlan(values), photos, storage, service, options);
}

std::vector<PhotoChangePreview> previewGpsSet(const GpsValues& values,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service) {
    return previewPlanned(gpsSetPlan(values), photos, storage, service);
}

PlannedRewrite fixedPositionPlan(SourceMode mode) {
    PlannedRewrite plan;
    if (mode == SourceMode::Device) {
        plan.form = OutputForm::NoExifLowercase;
        plan.changes = {{ExifSet, removal()}};
        return plan;
    }
    plan.form = OutputForm::PlainName;
    plan.changesFor = [](const QVariantMap& dictionary) {
        if (!dictionary.contains(GpsSet))
            return PhotoChanges();
        // The references go with the numbers: a photo placed south or west
        // would otherwise be moved to the mirror of the built-in position.
        const QVariantMap gps = {
            {Latitude, double(float(FixedLatitude))},   {LatitudeRef, QStringLiteral("N")},
            {Longitude, double(float(FixedLongitude))}, {LongitudeRef, QStringLiteral("E")},
            {Altitude, double(float(FixedAltitude))},   {AltitudeRef, 0},
        };
        return PhotoChanges{handSet(GpsSet, gps), {}, {}};
    };
    return plan;
}

OperationReport runFixedPosition(SourceMode mode, const SelectedPhoto& photo,
                                 const QString& storage, MetadataService& service) {
    return runPlanned(fixedPositionPlan(mode), {photo}, storage, service, {1, {}, nullptr});
}

std::vector<PhotoChangePreview> previewFixedPosition(SourceMode mode, const SelectedPhoto& photo,
                                                     const QString& storage,
                                                     MetadataService& service) {
    return previewPlanned(fixedPositionPlan(mode), {photo}, storage, service);
}
