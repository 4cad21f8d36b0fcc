#include "metadata/engine/LocalMetadataService.h"

#include "metadata/AtomicFile.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/MappedFile.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"

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
} // namespace

PhotoOutcome LocalMetadataService::rewrite(const RewriteJob& job) {
    if (!job.refusal.isEmpty())
        return PhotoOutcome::skip(job, job.refusal);
    if (job.inputPath.isEmpty())
        return PhotoOutcome::skip(job, QStringLiteral("no input file"));
    if (job.outputPath.isEmpty())
        return PhotoOutcome::skip(job, QStringLiteral("no output name"));

    // A rewrite copies every byte anyway, so the file is read whole: a
    // mapping would save nothing and would fault on a file cut short meanwhile.
    const auto bytes = readWholeFile(job.inputPath);
    if (!bytes)
        return PhotoOutcome::skip(job, bytes.error());
    QVariantMap changes = job.changes;
    if (job.overlaySourceProperties) {
        const auto properties = readPhotoProperties(bytes.value());
        if (!properties)
            return PhotoOutcome::skip(job, properties.error());
        changes = overlay(properties->dictionary, job.changes);
    }
    const auto written = rewritePhoto(bytes.value(), changes, job.containerProperties);
    if (!written)
        return PhotoOutcome::skip(job, written.error());

    const bool replacesInput = canonicalPathOf(job.inputPath) == canonicalPathOf(job.outputPath);
    const Status committed = writeFileAtomically(job.outputPath, written.value(),
                                                 replacesInput ? SyncMode::Now : SyncMode::Later);
    if (!committed)
        return PhotoOutcome::skip(job, committed.error());
    return {PhotoOutcome::State::Written, job.inputPath, job.outputPath, QString(), !replacesInput};
}
