#include "editing/ChangePreview.h"

#include "editing/BatchRunner.h"
#include "editing/WorkingCopies.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"

using namespace PropertyKeys;

namespace {

PhotoChangePreview skippedPreview(const QString& input, const QString& reason) {
    return {input, reason, {}, {}, {}};
}

PhotoChangePreview previewOf(const PhotoOutcome& outcome) {
    if (outcome.skipped())
        return skippedPreview(outcome.inputPath, outcome.reason);
    return {outcome.inputPath, QString(), outcome.changes, {}, outcome.outputPath};
}

} // namespace

std::vector<PhotoChangePreview> namedByPhotos(std::vector<PhotoChangePreview> previews,
                                              const std::vector<SelectedPhoto>& photos) {
    for (size_t i = 0; i < previews.size() && i < photos.size(); ++i) {
        if (!photos[i].inputPath.isEmpty())
            previews[i].inputPath = photos[i].inputPath;
    }
    return previews;
}

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
    return namedByPhotos(
        previewJobs(removalJobs(kind, mode, batchTargets(photos, storage, removalOutputForm(kind))),
                    service),
        photos);
}

std::vector<PhotoChangePreview> previewImport(ImportKind kind, const QVariantMap& file,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service) {
    return namedByPhotos(
        previewJobs(importJobs(kind, file, batchTargets(photos, storage, OutputForm::PlainName)),
                    service),
        photos);
}

std::vector<PhotoChangePreview> previewDates(const std::vector<SelectedPhoto>& photos,
                                             const QString& storage, const DatePlanner& planner,
                                             MetadataService& service) {
    const auto targets = batchTargets(photos, storage, OutputForm::PlainName);
    std::vector<PhotoChangePreview> previews;
    for (size_t i = 0; i < photos.size(); ++i) {
        const SelectedPhoto& photo = photos[i];
        const BatchTarget& target = targets[i];
        if (!target.refusal.isEmpty()) {
            previews.push_back(skippedPreview(photo.inputPath, target.refusal));
            continue;
        }
        const SelectedPhoto read = readFrom(photo, target);
        const auto properties = service.readProperties(read.inputPath);
        const DateChange change = planner(read, properties, target.output);
        if (!change.skipReason.isEmpty()) {
            previews.push_back(skippedPreview(photo.inputPath, change.skipReason));
            continue;
        }
        PhotoChangePreview preview{photo.inputPath, QString(), {}, {}, target.output};
        if (change.rewrite) {
            RewriteJob job;
            job.inputPath = read.inputPath;
            job.outputPath = target.output;
            job.changes = change.changes;
            job.containerProperties = change.containerProperties;
            job.dryRun = true;
            preview = previewOf(service.rewrite(job));
            preview.inputPath = photo.inputPath;
        } else if (const auto stamp = change.modified ? change.modified : change.created) {
            const auto times = readFileTimes(read.inputPath);
            const QString to = DateText::normalise(DateText::timePointText(*stamp));
            const QString from =
                times ? DateText::normalise(DateText::timePointText(times->modified)) : QString();
            if (from != to)
                preview.changes.append({QStringLiteral("FileModificationDate"),
                                        from.isEmpty() ? removal() : QVariant(from), to});
        }
        if (!change.remark.isEmpty())
            preview.details.append({QStringLiteral("note"), change.remark});
        previews.push_back(std::move(preview));
    }
    return previews;
}
