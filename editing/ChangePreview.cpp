#include "editing/ChangePreview.h"

#include "editing/BatchRunner.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"

using namespace PropertyKeys;

namespace {

PhotoChangePreview skippedPreview(const QString& input, const QString& reason) {
    return {input, reason, {}, {}};
}

PhotoChangePreview previewOf(const PhotoOutcome& outcome) {
    if (outcome.skipped())
        return skippedPreview(outcome.inputPath, outcome.reason);
    return {outcome.inputPath, QString(), outcome.changes, {}};
}

} // namespace

std::vector<PhotoChangePreview> previewJobs(std::vector<RewriteJob> jobs,
                                            MetadataService& service) {
    for (RewriteJob& job : jobs)
        job.dryRun = true;
    std::vector<PhotoChangePreview> previews;
    previews.reserve(jobs.size());
    for (const PhotoOutcome& outcome : runBatch(jobs, service))
        previews.push_back(previewOf(outcome));
    return previews;
}

std::vector<PhotoChangePreview> previewRemoval(RemovalKind kind, SourceMode mode,
                                               const std::vector<SelectedPhoto>& photos,
                                               const QString& storage, MetadataService& service) {
    return previewJobs(removalJobs(kind, mode, photos, storage), service);
}

std::vector<PhotoChangePreview> previewDates(const std::vector<SelectedPhoto>& photos,
                                             const QString& storage, const DatePlanner& planner,
                                             MetadataService& service) {
    std::vector<PhotoChangePreview> previews;
    for (const SelectedPhoto& photo : photos) {
        const auto output = dateOutputPath(storage, photo);
        if (!output) {
            previews.push_back(skippedPreview(photo.inputPath, output.error()));
            continue;
        }
        const auto properties = service.readProperties(photo.inputPath);
        const DateChange change = planner(photo, properties, output.value());
        if (!change.skipReason.isEmpty()) {
            previews.push_back(skippedPreview(photo.inputPath, change.skipReason));
            continue;
        }
        PhotoChangePreview preview{photo.inputPath, QString(), {}, {}};
        if (change.rewrite) {
            RewriteJob job;
            job.inputPath = photo.inputPath;
            job.outputPath = output.value();
            job.changes = change.changes;
            job.containerProperties = change.containerProperties;
            job.dryRun = true;
            preview = previewOf(service.rewrite(job));
        } else if (const auto stamp = change.modified ? change.modified : change.created) {
            const auto times = readFileTimes(photo.inputPath);
            const QString to = DateText::normalise(DateText::timePointText(*stamp));
            const QString from =
                times ? DateText::normalise(DateText::timePointText(times->modified)) : QString();
            if (from != to)
                preview.changes.append({QStringLiteral("FileModificationDate"),
                                        from.isEmpty() ? removal() : QVariant(from), to});
        }
        previews.push_back(std::move(preview));
    }
    return previews;
}
