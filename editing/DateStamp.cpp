#include "editing/DateStamp.h"

#include "editing/OutputNaming.h"
#include "editing/WorkingCopies.h"
#include "metadata/AtomicFile.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>

namespace {

constexpr int maxStampThreads = 2;

struct CornerName {
    StampCorner corner;
    const char* title;
    const char* name;
};
constexpr CornerName cornerNames[] = {
    {StampCorner::UpperLeft, "Upper left corner", "upper-left"},
    {StampCorner::UpperRight, "Upper right corner", "upper-right"},
    {StampCorner::LowerLeft, "Lower left corner", "lower-left"},
    {StampCorner::LowerRight, "Lower right corner", "lower-right"},
};

// The encoding a file name asks for, where Qt can write it.
QByteArray writableFormatOf(const QString& suffix) {
    const QByteArray lower = suffix.toLower().toLatin1();
    QByteArray format = lower;
    if (lower == "jpg" || lower == "jpe" || lower == "jfif")
        format = "jpeg";
    else if (lower == "tif")
        format = "tiff";
    if (format.isEmpty() || !QImageWriter::supportedImageFormats().contains(format))
        return QByteArray();
    return format;
}

PhotoOutcome stampOne(MetadataService& metadata, const SelectedPhoto& photo,
                      const StampTarget& target, const StampStyle& style) {
    PhotoOutcome outcome{PhotoOutcome::State::Skipped, photo.inputPath, target.path, QString(),
                         false};
    QByteArray bytes;
    {
        // The decoded photo is the biggest thing a thread holds: let it go
        // before the encoded bytes are written.
        Result<QImage> image = decodeUpright(photo.inputPath, metadata);
        if (!image) {
            outcome.reason = image.error();
            return outcome;
        }
        drawStamp(image.value(), stampDateText(metadata, photo.inputPath), style);
        auto encoded = encodeStamped(std::move(image.value()), target.format);
        if (!encoded) {
            outcome.reason = encoded.error();
            return outcome;
        }
        bytes = std::move(encoded.value());
    }
    const bool inPlace = canonicalPathOf(photo.inputPath) == canonicalPathOf(target.path);
    const Status written =
        writeFileAtomically(target.path, bytes, inPlace ? SyncMode::Now : SyncMode::Later);
    if (!written) {
        outcome.reason = written.error();
        return outcome;
    }
    outcome.state = PhotoOutcome::State::Written;
    outcome.needsSync = !inPlace;
    return outcome;
}

} // namespace

StampCorner stampCornerOfTitle(const QString& title) {
    for (const CornerName& entry : cornerNames) {
        if (title == QLatin1String(entry.title))
            return entry.corner;
    }
    return StampCorner::Other;
}

QString stampCornerTitle(StampCorner corner) {
    for (const CornerName& entry : cornerNames) {
        if (entry.corner == corner)
            return QLatin1String(entry.title);
    }
    return QString();
}

std::optional<StampCorner> stampCornerOfName(const QString& name) {
    for (const CornerName& entry : cornerNames) {
        if (name == QLatin1String(entry.name))
            return entry.corner;
    }
    return std::nullopt;
}

QString stampDateText(MetadataService& metadata, const QString& path) {
    using namespace PropertyKeys;
    const auto properties = metadata.readProperties(path);
    if (properties) {
        const QVariantMap exif = properties->dictionary.value(ExifSet).toMap();
        if (exif.contains(DateTimeOriginal) && exif.contains(DateTimeDigitized))
            return exif.value(DateTimeOriginal).toString();
        if (const auto times = readFileTimes(path))
            return DateText::shorten(DateText::describeTimePoint(times->created));
    }
    return DateText::describeTimePoint(QDateTime::currentDateTime());
}

StampTarget stampFormat(const SelectedPhoto& photo) {
    StampTarget target;
    const QFileInfo name(photo.fileName);
    target.format = writableFormatOf(name.suffix());
    if (!target.format.isEmpty()) {
        target.path = photo.fileName;
        return target;
    }
    target.path = (name.suffix().isEmpty() ? photo.fileName : name.completeBaseName()) +
                  QStringLiteral(".jpg");
    target.format = "jpeg";
    target.asJpeg = true;
    return target;
}

namespace {

std::vector<BatchTarget> stampTargets(const std::vector<SelectedPhoto>& photos,
                                      const QString& storage) {
    return batchTargets(photos, storage, OutputForm::PlainName,
                        [](const SelectedPhoto& photo) { return stampFormat(photo).path; });
}

} // namespace

std::vector<StampPlan> planDateStamp(const std::vector<SelectedPhoto>& photos,
                                     const QString& storage, MetadataService& metadata) {
    const auto targets = stampTargets(photos, storage);
    std::vector<StampPlan> plans;
    for (size_t i = 0; i < photos.size(); ++i) {
        const BatchTarget& target = targets[i];
        StampPlan plan;
        plan.inputPath = photos[i].inputPath;
        if (!target.refusal.isEmpty()) {
            plan.skipReason = target.refusal;
        } else if (QImageReader reader(target.input);
                   !reader.canRead() && !isWorkerDecoded(target.input)) {
            plan.skipReason =
                QStringLiteral("cannot decode its pixels: %1").arg(reader.errorString());
        } else {
            plan.target = stampFormat(photos[i]);
            plan.target.path = target.output;
            plan.text = stampDateText(metadata, target.input);
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

OperationReport runDateStamp(const std::vector<SelectedPhoto>& photos, const QString& storage,
                             const StampStyle& style, MetadataService& metadata,
                             const BatchOptions& options) {
    StampStyle drawn = style;
    drawn.fontName = stampFontFamily(style.fontName);
    const auto targets = stampTargets(photos, storage);
    std::vector<BatchTask> tasks;
    for (size_t i = 0; i < photos.size(); ++i) {
        const BatchTarget& target = targets[i];
        StampTarget format = stampFormat(photos[i]);
        format.path = target.output;
        tasks.push_back(taskFor(
            target, [photo = readFrom(photos[i], target), format, drawn](MetadataService& service) {
                PhotoOutcome outcome = stampOne(service, photo, format, drawn);
                if (outcome.written() && format.asJpeg)
                    outcome.remark =
                        QStringLiteral("written as JPEG to %1: its own format cannot be written")
                            .arg(format.path);
                return outcome;
            }));
    }
    BatchOptions bounded = options;
    bounded.threads =
        options.threads > 0 ? std::min(options.threads, maxStampThreads) : maxStampThreads;
    return reportOf(runTasks(tasks, metadata, bounded), photos, targets);
}
