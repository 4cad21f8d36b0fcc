#include "editing/DateStamp.h"

#include "editing/OutputNaming.h"
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

Result<StampTarget> stampTarget(const QString& storage, const SelectedPhoto& photo) {
    const auto own = outputPath(storage, OutputForm::PlainName, photo.fileName);
    if (!own)
        return Result<StampTarget>::fail(own.error());
    StampTarget target;
    const QFileInfo name(photo.fileName);
    target.format = writableFormatOf(name.suffix());
    if (!target.format.isEmpty()) {
        target.path = own.value();
        return Result<StampTarget>::ok(target);
    }
    const QString base = name.suffix().isEmpty() ? photo.fileName : name.completeBaseName();
    const auto renamed = outputPath(storage, OutputForm::PlainName, base + QStringLiteral(".jpg"));
    if (!renamed)
        return Result<StampTarget>::fail(renamed.error());
    target.path = renamed.value();
    target.format = "jpeg";
    target.renamed = true;
    return Result<StampTarget>::ok(target);
}

std::vector<StampPlan> planDateStamp(const std::vector<SelectedPhoto>& photos,
                                     const QString& storage, MetadataService& metadata) {
    std::vector<StampPlan> plans;
    for (const SelectedPhoto& photo : photos) {
        StampPlan plan;
        plan.inputPath = photo.inputPath;
        const auto target = stampTarget(storage, photo);
        QImageReader reader(photo.inputPath);
        if (!target)
            plan.skipReason = target.error();
        else if (!reader.canRead() && !isWorkerDecoded(photo.inputPath))
            plan.skipReason =
                QStringLiteral("cannot decode its pixels: %1").arg(reader.errorString());
        else {
            plan.target = target.value();
            plan.text = stampDateText(metadata, photo.inputPath);
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

DateStampReport runDateStamp(const std::vector<SelectedPhoto>& photos, const QString& storage,
                             const StampStyle& style, MetadataService& metadata,
                             const BatchOptions& options) {
    StampStyle drawn = style;
    drawn.fontName = stampFontFamily(style.fontName);
    std::vector<BatchTask> tasks;
    std::vector<bool> renamed;
    for (const SelectedPhoto& photo : photos) {
        const auto target = stampTarget(storage, photo);
        BatchTask task{photo.inputPath, target ? target->path : QString(), {}};
        if (!target) {
            task.run = [photo, reason = target.error()](MetadataService&) {
                return PhotoOutcome{PhotoOutcome::State::Skipped, photo.inputPath, QString(),
                                    reason, false};
            };
        } else {
            task.run = [photo, target = target.value(), drawn](MetadataService& service) {
                return stampOne(service, photo, target, drawn);
            };
        }
        renamed.push_back(target && target->renamed);
        tasks.push_back(std::move(task));
    }
    BatchOptions bounded = options;
    bounded.threads =
        options.threads > 0 ? std::min(options.threads, maxStampThreads) : maxStampThreads;
    const std::vector<PhotoOutcome> outcomes = runTasks(tasks, metadata, bounded);
    DateStampReport report;
    report.operation = OperationReport::from(outcomes);
    for (size_t i = 0; i < outcomes.size(); ++i) {
        if (renamed[i] && outcomes[i].written())
            report.renamed.append({outcomes[i].inputPath, outcomes[i].outputPath});
    }
    return report;
}
