#include "metadata/engine/LocalMetadataService.h"

#include "metadata/AtomicFile.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/ComparedValues.h"
#include "metadata/engine/MappedFile.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

LocalMetadataService::LocalMetadataService() {
    initialiseMetadataLibrary();
}

Result<PhotoProperties> LocalMetadataService::readProperties(const QString& path) {
    const auto file = MappedFile::open(path);
    if (!file)
        return Result<PhotoProperties>::fail(file.error());
    return readPhotoProperties(file->bytes());
}

Result<PhotoPreview> LocalMetadataService::readPreview(const QString& path, int maxSide) {
    const auto file = MappedFile::open(path);
    if (!file)
        return Result<PhotoPreview>::fail(file.error());
    return readEmbeddedPreview(file->bytes(), maxSide);
}

namespace {
// The changes laid over the photo's own dictionary, set by set.
QVariantMap overlay(QVariantMap dictionary, const QVariantMap& changes) {
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (PropertyKeys::isSetKey(it.key()) && it.value().typeId() == QMetaType::QVariantMap &&
            dictionary.value(it.key()).typeId() == QMetaType::QVariantMap) {
            QVariantMap set = dictionary.value(it.key()).toMap();
            const QVariantMap values = it.value().toMap();
            for (auto value = values.cbegin(); value != values.cend(); ++value)
                set.insert(value.key(), value.value());
            dictionary.insert(it.key(), set);
        } else {
            dictionary.insert(it.key(), it.value());
        }
    }
    return dictionary;
}
// A dry run's outcome: the keys of the photo's dictionary the write would
// change, in the form the commands list them.
PhotoOutcome plannedOutcome(const RewriteJob& job, const QByteArray& bytes) {
    const auto properties = readPhotoProperties(bytes);
    if (!properties)
        return PhotoOutcome::skip(job, properties.error());
    const QVariantMap& dictionary = properties->dictionary;
    PhotoOutcome outcome{PhotoOutcome::State::Written, job.inputPath, job.outputPath, QString(),
                         false};
    outcome.changes = previewChanges(
        dictionary, PropertyKeys::withReplacedSets(dictionary, job.changes, job.replacedSets),
        job.containerProperties);
    return outcome;
}

} // namespace

PhotoOutcome LocalMetadataService::rewrite(const RewriteJob& job) {
    if (!job.refusal.isEmpty())
        return PhotoOutcome::skip(job, job.refusal);
    if (job.inputPath.isEmpty())
        return PhotoOutcome::skip(job, QStringLiteral("no input file"));
    if (job.outputPath.isEmpty())
        return PhotoOutcome::skip(job, QStringLiteral("no output name"));

    // The photo is mapped, not read: only its headers are parsed, and the
    // image data is copied file to file by the kernel. A photo cut short by
    // another program meanwhile faults this worker, which costs that photo.
    const auto source = MappedFile::open(job.inputPath);
    if (!source)
        return PhotoOutcome::skip(job, source.error());
    const QByteArray& bytes = source->bytes();
    const auto plan = [&]() -> Result<RewritePlan> {
        if (job.overlaySourceProperties) {
            const auto properties = readPhotoProperties(bytes);
            if (!properties)
                return Result<RewritePlan>::fail(properties.error());
            const QVariantMap& dictionary = properties->dictionary;
            return planRewrite(bytes,
                               overlay(dictionary, PropertyKeys::withReplacedSets(
                                                       dictionary, job.changes, job.replacedSets)),
                               job.containerProperties, &dictionary);
        }
        if (!job.replacedSets.isEmpty())
            return planRewriteReplacing(bytes, job.changes, job.containerProperties,
                                        job.replacedSets);
        return planRewrite(bytes, job.changes, job.containerProperties);
    }();
    if (!plan)
        return PhotoOutcome::skip(job, plan.error());
    if (job.dryRun)
        return plannedOutcome(job, bytes);

    // The same file when it is the same inode: nothing at the output's name
    // cannot be the input, and that costs one lstat rather than resolving both
    // paths. The ranges kept are copied from the descriptor that was read, not
    // from the name again.
    const QByteArray outputName = QFile::encodeName(job.outputPath);
    struct stat out {};
    const bool free = ::lstat(outputName.constData(), &out) != 0 && errno == ENOENT;
    const struct stat& in = source->status();
    const bool replacesInput = !free && ::stat(outputName.constData(), &out) == 0 &&
                               in.st_dev == out.st_dev && in.st_ino == out.st_ino;
    const Status committed =
        writePlanAtomically(job.outputPath, plan.value(), source->descriptor(), bytes,
                            replacesInput ? SyncMode::Now : SyncMode::Later,
                            free ? OutputPath::Free : OutputPath::Unknown, job.fileModified);
    if (!committed)
        return PhotoOutcome::skip(job, committed.error());
    PhotoOutcome outcome{PhotoOutcome::State::Written, job.inputPath, job.outputPath, QString(),
                         !replacesInput};
    outcome.notes = plan->notes;
    return outcome;
}
