#include "editing/PlannedRewrite.h"

#include "editing/WorkingCopies.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"

#include <QDir>

namespace {

// The job of one photo before its dictionary is known; refused when the
// photo has no output.
RewriteJob jobOf(const PlannedRewrite& plan, const BatchTarget& target) {
    RewriteJob job;
    job.inputPath = target.input;
    job.outputPath = target.output;
    job.refusal = target.refusal;
    job.changes = plan.changes;
    job.replacedSets = plan.replacedSets;
    job.fileModified = plan.fileDates;
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
    const auto targets = batchTargets(photos, storage, plan.form);
    std::vector<BatchTask> tasks;
    tasks.reserve(photos.size());
    for (const BatchTarget& target : targets) {
        RewriteJob job = jobOf(plan, target);
        BatchTask task{job.inputPath, job.outputPath, {}, target.origin};
        task.run = [plan, job = std::move(job)](MetadataService& metadata) {
            return runOne(plan, job, metadata);
        };
        tasks.push_back(std::move(task));
    }
    return reportOf(runTasks(tasks, service, options), photos, targets);
}

std::vector<PhotoChangePreview> previewPlanned(const PlannedRewrite& plan,
                                               const std::vector<SelectedPhoto>& photos,
                                               const QString& storage, MetadataService& service) {
    const auto targets = batchTargets(photos, storage, plan.form);
    std::vector<PhotoChangePreview> previews;
    for (size_t i = 0; i < photos.size(); ++i) {
        const SelectedPhoto& photo = photos[i];
        RewriteJob job = jobOf(plan, targets[i]);
        QList<PreviewDetail> details;
        if (job.refusal.isEmpty() && plan.changesFor) {
            const auto properties = service.readProperties(job.inputPath);
            if (!properties) {
                previews.push_back({photo.inputPath, properties.error(), {}, {}, {}});
                continue;
            }
            PhotoChanges changes = plan.changesFor(properties->dictionary);
            if (!changes.skipReason.isEmpty()) {
                previews.push_back({photo.inputPath, changes.skipReason, {}, changes.details, {}});
                continue;
            }
            job.changes = std::move(changes.changes);
            details = std::move(changes.details);
        }
        PhotoChangePreview preview = previewJobs({job}, service).front();
        preview.inputPath = photo.inputPath;
        preview.details = std::move(details);
        if (preview.skipReason.isEmpty() && plan.fileDates) {
            const auto times = readFileTimes(job.inputPath);
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
