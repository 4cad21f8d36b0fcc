#include "editing/GpsOperations.h"

#include "metadata/PropertyKeys.h"

#include <cmath>

using namespace PropertyKeys;

PlannedRewrite gpsSetPlan(const GpsValues& values) {
    PlannedRewrite plan;
    plan.form = OutputForm::PlainName;
    // What was typed and nothing else: the photo's datum, satellites and
    // precision stay, and no speed or heading is claimed.
    plan.changesFor = [values](const QVariantMap& dictionary) {
        return PhotoChanges{handSet(GpsSet, gpsChangesFor(values, dictionary)), {}, {}};
    };
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
    // A photo without a GPS set gets one: the command says it writes the
    // position, and a copy written unchanged would say otherwise. The
    // references go with the numbers: a photo placed south or west would
    // otherwise be moved to the mirror of the built-in position.
    GpsValues fixed;
    fixed.latitude = FixedLatitude;
    fixed.longitude = FixedLongitude;
    fixed.altitude = FixedAltitude;
    plan.changesFor = [fixed](const QVariantMap& dictionary) {
        return PhotoChanges{handSet(GpsSet, gpsChangesFor(fixed, dictionary)), {}, {}};
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
