#include "editing/PlannedRewrite.h"

#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"

#include <QDir>

namespace {

// The job of one photo before its dictionary is known; refused when the
// photo has no input or its name would leave the storage folder.
RewriteJob jobOf(const PlannedRewrite& plan, const SelectedPhoto& photo, const QString& storage) {
    RewriteJob job;
    job.inputPath = photo.inputPath;
    job.changes = plan.changes;
    job.replacedSets = plan.replacedSets;
    job.fileModified = plan.fileDates;
    const auto output = outputPath(storage, plan.form, photo.fileName);
    if (!output)
        job.refusal = output.error();
    else if (photo.inputPath.isEmpty())
        job.refusal = QStringLiteral("no downloaded copy");
    else
        job.outputPath = output.value();
    return job;
}

PhotoOutcome runOne(const PlannedRewrite& plan, RewriteJob job, MetadataService& metadata) {
    if (job.refusal.isEmpty() && plan.changesFor) {
        const auto properties = metadata.readProperties(job.inputPath);
        if (!properties)
            return PhotoOutcome::skip(job, properties.error());
        PhotoChanges changes = plan.changesFor(properties->dictionary);
        if (!changes.skipReason.isEmpty())
            return PhotoOutcome::skip(job, changes.skipReason);
        job.changes = std::move(changes.changes);
    }
    return metadata.rewrite(job);
}

} // namespace

OperationReport runPlanned(const PlannedRewrite& plan, const std::vector<SelectedPhoto>& photos,
                           const QString& storage, MetadataService& service,
                           const BatchOptions& options) {
    // A failure to create it is reported per photo by the writer.
    QDir().mkpath(storage);
    std::vector<BatchTask> tasks;
    tasks.reserve(photos.size());
    for (const SelectedPhoto& photo : photos) {
        RewriteJob job = jobOf(plan, photo, storage);
        BatchTask task{job.inputPath, job.outputPath, {}};
        task.run = [plan, job = std::move(job)](MetadataService& metadata) {
            return runOne(plan, job, metadata);
        };
        tasks.push_back(std::move(task));
    }
    return OperationReport::from(runTasks(tasks, service, options));
}

std::vector<PhotoChangePreview> previewPlanned(const PlannedRewrite& plan,
                                               const std::vector<SelectedPhoto>& photos,
                                               const QString& storage, MetadataService& service) {
    std::vector<PhotoChangePreview> previews;
    for (const SelectedPhoto& photo : photos) {
        RewriteJob job = jobOf(plan, photo, storage);
        QList<PreviewDetail> details;
        if (job.refusal.isEmpty() && plan.changesFor) {
            const auto properties = service.readProperties(job.inputPath);
            if (!properties) {
                previews.push_back({job.inputPath, properties.error(), {}, {}});
                continue;
            }
            PhotoChanges changes = plan.changesFor(properties->dictionary);
            if (!changes.skipReason.isEmpty()) {
                previews.push_back({job.inputPath, changes.skipReason, {}, changes.details});
                continue;
            }
            job.changes = std::move(changes.changes);
            details = std::move(changes.details);
        }
        PhotoChangePreview preview = previewJobs({job}, service).front();
        preview.details = std::move(details);
        if (preview.skipReason.isEmpty() && plan.fileDates) {
            const auto times = readFileTimes(photo.inputPath);
            const QString to = DateText::normalise(DateText::timePointText(*plan.fileDates));
            const QString from =
                times ? DateText::normalise(DateText::timePointText(times->modified)) : QString();
            if (from != to)
                preview.changes.append({QStringLiteral("FileModificationDate"),
                                        from.isEmpty() ? PropertyKeys::removal() : QVariant(from),
                                        to});
        }
        previews.push_back(std::move(preview));
    }
    return previews;
}
