#include "editing/RemovalOperation.h"

#include "editing/WorkingCopies.h"
#include "metadata/PropertyKeys.h"

std::optional<RemovalKind> removalKindFromName(const QString& name) {
    if (name == QLatin1String("exif"))
        return RemovalKind::Exif;
    if (name == QLatin1String("gps"))
        return RemovalKind::Gps;
    if (name == QLatin1String("iptc"))
        return RemovalKind::Iptc;
    if (name == QLatin1String("exif-gps"))
        return RemovalKind::ExifAndGps;
    if (name == QLatin1String("all"))
        return RemovalKind::All;
    return std::nullopt;
}

OutputForm removalOutputForm(RemovalKind kind) {
    switch (kind) {
    case RemovalKind::Exif:
        return OutputForm::NoExif;
    case RemovalKind::Gps:
        return OutputForm::NoGPS;
    case RemovalKind::Iptc:
        return OutputForm::NoIPTC;
    case RemovalKind::All:
        return OutputForm::NoMetadata;
    case RemovalKind::ExifAndGps:
        break;
    }
    return OutputForm::NoExifAndGPS;
}

QVariantMap removalChanges(RemovalKind kind, SourceMode mode, const QVariantMap& properties) {
    using namespace PropertyKeys;
    switch (kind) {
    case RemovalKind::Exif:
        return {{ExifSet, removal()}};
    case RemovalKind::Gps:
        return {{GpsSet, removal()}};
    case RemovalKind::Iptc: {
        QVariantMap changes = mode == SourceMode::Computer ? properties : QVariantMap();
        changes.insert(IptcSet, removal());
        return changes;
    }
    case RemovalKind::All:
        return {}; // worked out from each photo's own dictionary by the writer
    case RemovalKind::ExifAndGps:
        break;
    }
    return {{ExifSet, removal()}, {GpsSet, removal()}};
}

RemovalReveal removalReveal(RemovalKind kind, SourceMode mode) {
    const bool computer = mode == SourceMode::Computer;
    switch (kind) {
    case RemovalKind::Exif:
        return {true, false};
    case RemovalKind::Gps:
    case RemovalKind::Iptc:
    case RemovalKind::All:
        return {computer, true};
    case RemovalKind::ExifAndGps:
        break;
    }
    return {false, true};
}

std::vector<RewriteJob> removalJobs(RemovalKind kind, SourceMode mode,
                                    const std::vector<BatchTarget>& targets) {
    std::vector<RewriteJob> jobs;
    jobs.reserve(targets.size());
    for (const BatchTarget& target : targets) {
        RewriteJob job;
        job.inputPath = target.input;
        job.outputPath = target.output;
        job.refusal = target.refusal;
        job.changes = removalChanges(kind, mode);
        job.removeAll = kind == RemovalKind::All;
        // Removing IPTC from a computer photo hands back its whole dictionary.
        job.overlaySourceProperties = kind == RemovalKind::Iptc && mode == SourceMode::Computer;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

OperationReport runRemoval(RemovalKind kind, SourceMode mode,
                           const std::vector<SelectedPhoto>& photos, const QString& storage,
                           MetadataService& service, const BatchOptions& options) {
    const auto targets = batchTargets(photos, storage, removalOutputForm(kind));
    return reportOf(
        runBatch(removalJobs(kind, mode, targets), service, options, originsOf(targets)), photos,
        targets);
}
