#include "metadata/engine/EngineMetadataService.h"

#include "metadata/AtomicFile.h"
#include "metadata/KeyChanges.h"
#include "metadata/PhotoFormat.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/MappedFile.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PreparedChanges.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"
#include "metadata/engine/XmpSidecar.h"

#include <QFile>

#include <cerrno>
#include <sys/stat.h>

EngineMetadataService::EngineMetadataService() {
    initialiseMetadataLibrary();
}

Result<PhotoProperties> EngineMetadataService::readProperties(const QString& path) {
    const auto file = MappedFile::open(path, MappedFile::Reach::JpegHeaders);
    if (!file)
        return Result<PhotoProperties>::fail(file.error());
    auto properties = readPhotoProperties(file->bytes());
    if (properties)
        XmpSidecar::mergeInto(properties.value(), path);
    return properties;
}

Result<PhotoPreview> EngineMetadataService::readPreview(const QString& path, int maxSide) {
    const auto file = MappedFile::open(path);
    if (!file)
        return Result<PhotoPreview>::fail(file.error());
    return readEmbeddedPreview(file->bytes(), maxSide);
}

namespace {
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
        dictionary,
        withShownDensity(dictionary, changesOf(dictionary, job, properties->format, bytes)));
    outcome.remark = rawRemark(bytes, job);
    return outcome;
}

} // namespace

PhotoOutcome EngineMetadataService::rewrite(const RewriteJob& job) {
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
    // A photo only the library reads changes in its sidecar alone.
    const bool sidecarOnly = isSidecarOnlyFormat(sniffPhotoFormat(bytes));
    if (sidecarOnly && job.sidecar == SidecarPolicy::Never)
        return PhotoOutcome::skip(
            job, QStringLiteral("%1 photos are changed only in an XMP sidecar, which the sidecar "
                                "policy \"never\" forbids")
                     .arg(photoFormatName(sniffPhotoFormat(bytes))));
    const auto prepared = prepareChanges(bytes, job);
    if (!prepared)
        return PhotoOutcome::skip(job, prepared.error());
    const auto plan = planRewrite(bytes, prepared->changes, {}, &prepared->dictionary,
                                  prepared->exifBlock, job.removeAll);
    if (!plan)
        return PhotoOutcome::skip(job, plan.error());
    // A sidecar that does not read is found before the photo is written:
    // the photo is not written without it.
    // A photo only the library reads has its change in the sidecar, whatever
    // the policy (but never, refused above).
    RewriteJob sidecarJob = job;
    if (sidecarOnly)
        sidecarJob.sidecar = SidecarPolicy::Always;
    const auto sidecar =
        XmpSidecar::planBeside(sidecarJob, prepared->dictionary, prepared->changes);
    if (!sidecar)
        return PhotoOutcome::skip(job, sidecar.error());
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
    // The photo stands written; a sidecar that cannot follow it is named,
    // unless the sidecar was the whole of the change.
    if (sidecar.value()) {
        outcome.notes << sidecar.value()->notes;
        if (const Status written = XmpSidecar::writeBeside(*sidecar.value()); !written) {
            if (sidecarOnly)
                return PhotoOutcome::skip(job, written.error());
            outcome.notes << written.error();
        }
    }
    if (sidecarOnly)
        outcome.remark = QStringLiteral("sidecar written, photo unchanged");
    else
        outcome.remark = rawRemark(bytes, job);
    return outcome;
}
