#include "editing/RewritePipeline.h"

#include "metadata/AtomicFile.h"
#include "metadata/PropertyReader.h"
#include "metadata/PropertyWriter.h"

#include <QDir>
#include <QFileInfo>

QString canonicalPathOf(const QString& path) {
    const QFileInfo info(path);
    const QString existing = info.canonicalFilePath();
    if (!existing.isEmpty())
        return existing;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? QDir::cleanPath(info.absolutePath()) : folder) + QLatin1Char('/') +
           info.fileName();
}

PhotoOutcome runRewrite(const RewriteJob& job) {
    PhotoOutcome outcome;
    outcome.inputPath = job.inputPath;
    outcome.outputPath = job.outputPath;
    auto skip = [&](const QString& reason) {
        outcome.state = PhotoOutcome::State::Skipped;
        outcome.reason = reason;
        return outcome;
    };
    if (!job.refusal.isEmpty())
        return skip(job.refusal);
    if (job.inputPath.isEmpty())
        return skip(QStringLiteral("no input file"));
    if (job.outputPath.isEmpty())
        return skip(QStringLiteral("no output name"));

    auto bytes = readWholeFile(job.inputPath);
    if (!bytes)
        return skip(bytes.error());
    QVariantMap changes = job.changes;
    if (job.buildChanges) {
        const auto properties = readPhotoProperties(bytes.value());
        if (!properties)
            return skip(properties.error());
        changes = job.buildChanges(properties->dictionary);
    }
    const auto written = rewritePhoto(bytes.value(), changes, job.containerProperties);
    if (!written)
        return skip(written.error());

    const bool replacesInput = canonicalPathOf(job.inputPath) == canonicalPathOf(job.outputPath);
    const Status committed = writeFileAtomically(job.outputPath, written.value(),
                                                 replacesInput ? SyncMode::Now : SyncMode::Later);
    if (!committed)
        return skip(committed.error());
    outcome.state = PhotoOutcome::State::Written;
    outcome.needsSync = !replacesInput;
    return outcome;
}
