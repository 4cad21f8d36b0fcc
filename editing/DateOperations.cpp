#include "editing/DateOperations.h"

#include "editing/OutputNaming.h"
#include "metadata/AtomicFile.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace PropertyKeys;

namespace {
constexpr qint64 maxAmount = 1000000000;
}

namespace {

QString timePointText(const std::optional<QDateTime>& when) {
    return when ? DateText::timePointText(*when) : QString();
}

// The dates a photo's file carries, as time-point texts.
std::pair<QString, QString> fileDateTexts(const QString& path) {
    const auto times = readFileTimes(path);
    if (!times)
        return {};
    return {DateText::timePointText(times->created), DateText::timePointText(times->modified)};
}

// What one photo gets: the three date texts and the file dates.
struct DatePlan {
    QString original;
    QString digitized;
    bool tiffAsContainer = false;
    std::optional<QDateTime> created;
    std::optional<QDateTime> modified;
};

PhotoOutcome setFileDatesAfter(PhotoOutcome outcome, const DatePlan& plan) {
    if (outcome.written() && (plan.created || plan.modified))
        setFileTimes(outcome.outputPath, plan.created, plan.modified);
    return outcome;
}

// Writes the plan's dates into the photo's own EXIF set (a new one when it
// has none) and its TIFF set (only when it has one).
PhotoOutcome writeDates(MetadataService& metadata, const QString& input, const QString& output,
                        const QVariantMap& dictionary, const DatePlan& plan) {
    QVariantMap exif = dictionary.value(ExifSet).toMap();
    exif.insert(DateTimeOriginal, plan.original);
    exif.insert(DateTimeDigitized, plan.digitized);
    RewriteJob job;
    job.inputPath = input;
    job.outputPath = output;
    job.changes = handSet(ExifSet, exif);
    if (dictionary.contains(TiffSet)) {
        QVariantMap tiff = dictionary.value(TiffSet).toMap();
        tiff.insert(DateTime, plan.original);
        if (plan.tiffAsContainer)
            job.containerProperties = handSet(TiffSet, tiff);
        else
            job.changes.insert(TiffSet, tiff);
    }
    return setFileDatesAfter(metadata.rewrite(job), plan);
}

// Copies the bytes as they are; a copy over its own source is flushed at once.
PhotoOutcome copyBytes(const QString& input, const QString& output) {
    PhotoOutcome outcome{PhotoOutcome::State::Skipped, input, output, QString(), false};
    const auto bytes = readWholeFile(input);
    if (!bytes) {
        outcome.reason = bytes.error();
        return outcome;
    }
    const bool inPlace = canonicalPathOf(input) == canonicalPathOf(output);
    const Status written =
        writeFileAtomically(output, bytes.value(), inPlace ? SyncMode::Now : SyncMode::Later);
    if (!written) {
        outcome.reason = written.error();
        return outcome;
    }
    outcome.state = PhotoOutcome::State::Written;
    outcome.needsSync = !inPlace;
    return outcome;
}

using PhotoWork =
    std::function<PhotoOutcome(MetadataService&, const SelectedPhoto&, const QString& output)>;

OperationReport runOverPhotos(const std::vector<SelectedPhoto>& photos, const QString& storage,
                              MetadataService& service, const BatchOptions& options,
                              const PhotoWork& work) {
    std::vector<BatchTask> tasks;
    for (const SelectedPhoto& photo : photos) {
        const auto output = outputPath(storage, OutputForm::PlainName, photo.fileName);
        BatchTask task{photo.inputPath, output ? output.value() : QString(), {}};
        if (!output || photo.inputPath.isEmpty()) {
            const QString reason = output ? QStringLiteral("no downloaded copy") : output.error();
            task.run = [photo, reason](MetadataService&) {
                return PhotoOutcome{PhotoOutcome::State::Skipped, photo.inputPath, QString(),
                                    reason, false};
            };
        } else {
            task.run = [work, photo, path = output.value()](MetadataService& metadata) {
                return work(metadata, photo, path);
            };
        }
        tasks.push_back(std::move(task));
    }
    return OperationReport::from(runTasks(tasks, service, options));
}

PhotoOutcome unreadable(const SelectedPhoto& photo, const QString& output, const QString& reason) {
    return {PhotoOutcome::State::Skipped, photo.inputPath, output, reason, false};
}

// A date moved by an offset, or nothing when it would leave the four-digit
// years that a date text can hold.
std::optional<QDateTime> shiftedDate(const QDateTime& when, qint64 seconds) {
    const QDateTime moved = when.addSecs(seconds);
    if (!moved.isValid() || moved.date().year() < 1 || moved.date().year() > 9999)
        return std::nullopt;
    return moved;
}

QString outOfRange() {
    return QStringLiteral("the shifted date would fall outside the years 0001 to 9999");
}

} // namespace

PhotoDatePair photoDatePair(MetadataService& metadata, const QString& path) {
    PhotoDatePair pair;
    const auto properties = metadata.readProperties(path);
    const QVariantMap exif =
        properties ? properties->dictionary.value(ExifSet).toMap() : QVariantMap();
    if (properties && exif.contains(DateTimeOriginal) && exif.contains(DateTimeDigitized)) {
        pair.original = exif.value(DateTimeOriginal).toString();
        pair.digitized = exif.value(DateTimeDigitized).toString();
    } else {
        std::tie(pair.original, pair.digitized) = fileDateTexts(path);
    }
    pair.original = DateText::shorten(pair.original);
    pair.digitized = DateText::shorten(pair.digitized);
    return pair;
}

qint64 readAmount(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^\\s*([+-]?)(\\d+)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return 0;
    bool ok = false;
    // More digits than any amount that counts: the rest cannot matter.
    qint64 value = std::min(match.captured(2).left(15).toLongLong(&ok), maxAmount);
    if (!ok)
        return 0;
    return match.captured(1) == QLatin1String("-") ? -value : value;
}

qint64 amountOffset(const QList<qint64>& amounts, bool add) {
    static const qint64 units[] = {31536000, 2592000, 86400, 3600, 60, 1};
    qint64 offset = 0;
    for (int i = 0; i < 6 && i < amounts.size(); ++i) {
        // A billion of any unit already leaves every date a photo can carry,
        // and keeps the sum far from overflowing.
        if (amounts[i] >= 1)
            offset += std::min(amounts[i], maxAmount) * units[i];
    }
    return add ? offset : -offset;
}

std::optional<PreviewShift> previewShiftOf(const QString& beforeOriginal,
                                           const QString& beforeDigitized,
                                           const QString& afterOriginal,
                                           const QString& afterDigitized) {
    const DateText::Layout layout = DateText::parseInLayout(beforeOriginal, DateText::Layout::Exif)
                                        ? DateText::Layout::Exif
                                        : DateText::Layout::Dashed;
    const auto bO = DateText::parseInLayout(beforeOriginal, layout);
    const auto bD = DateText::parseInLayout(beforeDigitized, layout);
    const auto aO = DateText::parseInLayout(afterOriginal, layout);
    const auto aD = DateText::parseInLayout(afterDigitized, layout);
    if (!bO || !bD || !aO || !aD)
        return std::nullopt;
    return PreviewShift{bO->secsTo(*aO), bD->secsTo(*aD)};
}

OperationReport runDateEdit(const std::vector<SelectedPhoto>& photos, const QString& storage,
                            const QString& original, const QString& digitized, SourceMode mode,
                            MetadataService& service, const BatchOptions& options) {
    const bool computer = mode == SourceMode::Computer;
    DatePlan plan;
    plan.original = computer ? DateText::normalise(original) : original;
    plan.digitized = computer ? DateText::normalise(digitized) : digitized;
    plan.tiffAsContainer = computer;
    plan.created = plan.modified = DateText::parse(original);
    return runOverPhotos(
        photos, storage, service, options,
        [plan, computer, original, digitized](MetadataService& metadata, const SelectedPhoto& photo,
                                              const QString& output) {
            if (!computer)
                qInfo("[orignalDatelab stringValue]==%s, [diginalDatelab stringValue]==%s",
                      qPrintable(original), qPrintable(digitized));
            const auto properties = metadata.readProperties(photo.inputPath);
            if (!properties)
                return unreadable(photo, output, properties.error());
            return writeDates(metadata, photo.inputPath, output, properties->dictionary, plan);
        });
}

OperationReport runSetDate(const std::vector<SelectedPhoto>& photos, const QString& storage,
                           const QString& date, MetadataService& service,
                           const BatchOptions& options) {
    return runDateEdit(photos, storage, date, date, SourceMode::Computer, service, options);
}

OperationReport runAmountShift(const std::vector<SelectedPhoto>& photos, const QString& storage,
                               qint64 offset, MetadataService& service,
                               const BatchOptions& options) {
    return runOverPhotos(
        photos, storage, service, options,
        [offset](MetadataService& metadata, const SelectedPhoto& photo, const QString& output) {
            DatePlan plan;
            if (const auto times = readFileTimes(photo.inputPath))
                plan.created = plan.modified = shiftedDate(times->created, offset);
            const auto properties = metadata.readProperties(photo.inputPath);
            const QVariantMap exif =
                properties ? properties->dictionary.value(ExifSet).toMap() : QVariantMap();
            QString result = exif.value(DateTimeOriginal).toString();
            const bool hasDigitized = exif.contains(DateTimeDigitized);
            if (hasDigitized) {
                if (const auto when = DateText::parse(exif.value(DateTimeDigitized).toString())) {
                    const auto moved = shiftedDate(*when, offset);
                    if (!moved)
                        return unreadable(photo, output, outOfRange());
                    result = DateText::normalise(DateText::timePointText(*moved));
                }
            }
            PhotoOutcome outcome;
            if (properties && (hasDigitized || exif.contains(DateTimeOriginal))) {
                qInfo("%s=", qPrintable(result));
                plan.original = plan.digitized = result;
                outcome =
                    writeDates(metadata, photo.inputPath, output, properties->dictionary, plan);
            }
            // A photo that could not be written with new dates (or has none) is
            // copied as it is, so every selected photo has its file.
            if (!outcome.written() && !QFileInfo::exists(output)) {
                const QString why = outcome.reason;
                outcome = setFileDatesAfter(copyBytes(photo.inputPath, output), plan);
                if (!outcome.written() && !why.isEmpty())
                    outcome.reason = why;
            }
            // Neither written nor copied (a file of its name is there already):
            // the photo is skipped, and says why.
            if (!outcome.written() && !outcome.skipped())
                outcome = unreadable(photo, output,
                                     !properties ? properties.error()
                                                 : QStringLiteral("it has no dates to shift, and a "
                                                                  "file of its name is already in "
                                                                  "the storage folder"));
            return outcome;
        });
}

OperationReport runPreviewShift(const std::vector<SelectedPhoto>& photos, const QString& storage,
                                PreviewShift shift, MetadataService& service,
                                const BatchOptions& options) {
    return runOverPhotos(
        photos, storage, service, options,
        [shift](MetadataService& metadata, const SelectedPhoto& photo, const QString& output) {
            const auto properties = metadata.readProperties(photo.inputPath);
            if (!properties)
                return unreadable(photo, output, properties.error());
            const QVariantMap exif = properties->dictionary.value(ExifSet).toMap();
            QString original = exif.value(DateTimeOriginal).toString();
            QString digitized = exif.value(DateTimeDigitized).toString();
            if (original.isEmpty() && digitized.isEmpty()) {
                const auto [created, modified] = fileDateTexts(photo.inputPath);
                original = DateText::shorten(created);
                digitized = DateText::shorten(modified);
            } else if (original.isEmpty()) {
                original = digitized;
            } else if (digitized.isEmpty()) {
                digitized = original;
            }
            const DateText::Layout layout =
                DateText::parseInLayout(original, DateText::Layout::Exif)
                    ? DateText::Layout::Exif
                    : DateText::Layout::Dashed;
            std::optional<QDateTime> newOriginal = DateText::parseInLayout(original, layout);
            std::optional<QDateTime> newDigitized = DateText::parseInLayout(digitized, layout);
            const bool inRange = (!newOriginal || shiftedDate(*newOriginal, shift.original)) &&
                                 (!newDigitized || shiftedDate(*newDigitized, shift.digitized));
            if (!inRange)
                return unreadable(photo, output, outOfRange());
            if (newOriginal)
                newOriginal = newOriginal->addSecs(shift.original);
            if (newDigitized)
                newDigitized = newDigitized->addSecs(shift.digitized);
            DatePlan plan;
            plan.original =
                newOriginal ? DateText::normalise(timePointText(newOriginal)) : original;
            plan.digitized =
                newDigitized ? DateText::normalise(timePointText(newDigitized)) : digitized;
            qInfo("%s=", qPrintable(plan.original));
            if (newDigitized) {
                plan.modified = newDigitized;
                plan.created = newOriginal ? newOriginal : newDigitized;
            }
            return writeDates(metadata, photo.inputPath, output, properties->dictionary, plan);
        });
}

OperationReport runFileDates(const std::vector<SelectedPhoto>& photos, const QString& storage,
                             SourceMode mode, MetadataService& service,
                             const BatchOptions& options) {
    const bool computer = mode == SourceMode::Computer;
    return runOverPhotos(
        photos, storage, service, options,
        [computer](MetadataService& metadata, const SelectedPhoto& photo, const QString& output) {
            const auto properties = metadata.readProperties(photo.inputPath);
            if (!properties)
                return unreadable(photo, output, properties.error());
            const QVariantMap exif = properties->dictionary.value(ExifSet).toMap();
            const bool hasOriginal = exif.contains(DateTimeOriginal);
            const bool hasDigitized = exif.contains(DateTimeDigitized);
            QString text;
            if (hasOriginal && hasDigitized)
                text = exif.value(DateTimeOriginal).toString();
            else if (computer && (hasOriginal || hasDigitized))
                text = exif.value(hasOriginal ? DateTimeOriginal : DateTimeDigitized).toString();
            else
                text = fileDateTexts(computer ? photo.inputPath : photo.itemPath).first;
            const auto when = DateText::parse(DateText::shorten(text));
            DatePlan plan;
            plan.created = when;
            if (computer)
                plan.modified = when;
            return setFileDatesAfter(copyBytes(photo.inputPath, output), plan);
        });
}
