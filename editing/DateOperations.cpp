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

// The dates one photo gets: the three date texts and the file dates.
struct DatePlan {
    QString original;
    QString digitized;
    bool tiffAsContainer = false;
    std::optional<QDateTime> created;
    std::optional<QDateTime> modified;
};

PhotoOutcome setFileDatesAfter(PhotoOutcome outcome, const DateChange& change) {
    if (outcome.written() && (change.created || change.modified))
        setFileTimes(outcome.outputPath, change.created, change.modified);
    return outcome;
}

// The plan's dates written into the photo's own EXIF set (a new one when it
// has none) and its TIFF set (only when it has one).
DateChange datesWritten(const QVariantMap& dictionary, const DatePlan& plan) {
    DateChange change;
    change.rewrite = true;
    change.created = plan.created;
    change.modified = plan.modified;
    QVariantMap exif = dictionary.value(ExifSet).toMap();
    exif.insert(DateTimeOriginal, plan.original);
    exif.insert(DateTimeDigitized, plan.digitized);
    change.changes = handSet(ExifSet, exif);
    if (dictionary.contains(TiffSet)) {
        QVariantMap tiff = dictionary.value(TiffSet).toMap();
        tiff.insert(DateTime, plan.original);
        if (plan.tiffAsContainer)
            change.containerProperties = handSet(TiffSet, tiff);
        else
            change.changes.insert(TiffSet, tiff);
    }
    return change;
}

DateChange skipped(const QString& reason) {
    DateChange change;
    change.skipReason = reason;
    return change;
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

PhotoOutcome applyDateChange(MetadataService& metadata, const SelectedPhoto& photo,
                             const QString& output, const DateChange& change) {
    if (!change.skipReason.isEmpty())
        return {PhotoOutcome::State::Skipped, photo.inputPath, output, change.skipReason, false};
    if (!change.rewrite)
        return setFileDatesAfter(copyBytes(photo.inputPath, output), change);
    RewriteJob job;
    job.inputPath = photo.inputPath;
    job.outputPath = output;
    job.changes = change.changes;
    job.containerProperties = change.containerProperties;
    return setFileDatesAfter(metadata.rewrite(job), change);
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

Result<QString> dateOutputPath(const QString& storage, const SelectedPhoto& photo) {
    const auto output = outputPath(storage, OutputForm::PlainName, photo.fileName);
    if (output && photo.inputPath.isEmpty())
        return Result<QString>::fail(QStringLiteral("no downloaded copy"));
    return output;
}

OperationReport runDatePlanner(const std::vector<SelectedPhoto>& photos, const QString& storage,
                               const DatePlanner& planner, MetadataService& service,
                               const BatchOptions& options) {
    std::vector<BatchTask> tasks;
    for (const SelectedPhoto& photo : photos) {
        const auto output = dateOutputPath(storage, photo);
        BatchTask task{photo.inputPath, output ? output.value() : QString(), {}};
        if (!output) {
            task.run = [photo, reason = output.error()](MetadataService&) {
                return PhotoOutcome{PhotoOutcome::State::Skipped, photo.inputPath, QString(),
                                    reason, false};
            };
        } else {
            task.run = [planner, photo, path = output.value()](MetadataService& metadata) {
                const auto properties = metadata.readProperties(photo.inputPath);
                return applyDateChange(metadata, photo, path, planner(photo, properties, path));
            };
        }
        tasks.push_back(std::move(task));
    }
    return OperationReport::from(runTasks(tasks, service, options));
}

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

DatePlanner dateEditPlanner(const QString& original, const QString& digitized, SourceMode mode) {
    const bool computer = mode == SourceMode::Computer;
    DatePlan plan;
    // Both modes write the EXIF form: a dashed date is no date to a reader.
    plan.original = DateText::normalise(original);
    plan.digitized = DateText::normalise(digitized);
    plan.tiffAsContainer = computer;
    plan.created = plan.modified = DateText::parse(original);
    return [plan, computer, original, digitized](
               const SelectedPhoto&, const Result<PhotoProperties>& properties, const QString&) {
        if (!computer)
            qInfo("[orignalDatelab stringValue]==%s, [diginalDatelab stringValue]==%s",
                  qPrintable(original), qPrintable(digitized));
        if (!properties)
            return skipped(properties.error());
        return datesWritten(properties->dictionary, plan);
    };
}

DatePlanner amountShiftPlanner(qint64 offset) {
    return [offset](const SelectedPhoto& photo, const Result<PhotoProperties>& properties,
                    const QString& output) {
        DatePlan plan;
        if (const auto times = readFileTimes(photo.inputPath))
            plan.created = plan.modified = shiftedDate(times->created, offset);
        const QVariantMap exif =
            properties ? properties->dictionary.value(ExifSet).toMap() : QVariantMap();
        QString result = exif.value(DateTimeOriginal).toString();
        const bool hasDigitized = exif.contains(DateTimeDigitized);
        if (hasDigitized) {
            if (const auto when = DateText::parse(exif.value(DateTimeDigitized).toString())) {
                const auto moved = shiftedDate(*when, offset);
                if (!moved)
                    return skipped(outOfRange());
                result = DateText::normalise(DateText::timePointText(*moved));
            }
        }
        if (properties && (hasDigitized || exif.contains(DateTimeOriginal))) {
            // Nothing to move and nothing to keep: writing would empty all
            // three dates, a sound TIFF date among them.
            if (result.isEmpty())
                return skipped(QStringLiteral("the digitized date does not read as a date and "
                                              "there is no original date to keep"));
            qInfo("%s=", qPrintable(result));
            plan.original = plan.digitized = result;
            return datesWritten(properties->dictionary, plan);
        }
        // A photo without dates is copied as it is, so every selected photo
        // has its file; a file already there is left alone.
        if (QFileInfo::exists(output))
            return skipped(QStringLiteral("not written: the photo has no dates to shift and %1 "
                                          "already exists")
                               .arg(output));
        DateChange copy;
        copy.created = plan.created;
        copy.modified = plan.modified;
        return copy;
    };
}

DatePlanner previewShiftPlanner(PreviewShift shift) {
    return [shift](const SelectedPhoto& photo, const Result<PhotoProperties>& properties,
                   const QString&) {
        if (!properties)
            return skipped(properties.error());
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
        const DateText::Layout layout = DateText::parseInLayout(original, DateText::Layout::Exif)
                                            ? DateText::Layout::Exif
                                            : DateText::Layout::Dashed;
        std::optional<QDateTime> newOriginal = DateText::parseInLayout(original, layout);
        std::optional<QDateTime> newDigitized = DateText::parseInLayout(digitized, layout);
        const bool inRange = (!newOriginal || shiftedDate(*newOriginal, shift.original)) &&
                             (!newDigitized || shiftedDate(*newDigitized, shift.digitized));
        if (!inRange)
            return skipped(outOfRange());
        if (newOriginal)
            newOriginal = newOriginal->addSecs(shift.original);
        if (newDigitized)
            newDigitized = newDigitized->addSecs(shift.digitized);
        DatePlan plan;
        plan.original = newOriginal ? DateText::normalise(timePointText(newOriginal)) : original;
        plan.digitized =
            newDigitized ? DateText::normalise(timePointText(newDigitized)) : digitized;
        qInfo("%s=", qPrintable(plan.original));
        if (newDigitized) {
            plan.modified = newDigitized;
            plan.created = newOriginal ? newOriginal : newDigitized;
        }
        return datesWritten(properties->dictionary, plan);
    };
}

DatePlanner fileDatesPlanner(SourceMode mode) {
    const bool computer = mode == SourceMode::Computer;
    return [computer](const SelectedPhoto& photo, const Result<PhotoProperties>& properties,
                      const QString&) {
        if (!properties)
            return skipped(properties.error());
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
        DateChange copy;
        copy.created = when;
        if (computer)
            copy.modified = when;
        return copy;
    };
}

OperationReport runDateEdit(const std::vector<SelectedPhoto>& photos, const QString& storage,
                            const QString& original, const QString& digitized, SourceMode mode,
                            MetadataService& service, const BatchOptions& options) {
    return runDatePlanner(photos, storage, dateEditPlanner(original, digitized, mode), service,
                          options);
}

OperationReport runSetDate(const std::vector<SelectedPhoto>& photos, const QString& storage,
                           const QString& date, MetadataService& service,
                           const BatchOptions& options) {
    return runDateEdit(photos, storage, date, date, SourceMode::Computer, service, options);
}

OperationReport runAmountShift(const std::vector<SelectedPhoto>& photos, const QString& storage,
                               qint64 offset, MetadataService& service,
                               const BatchOptions& options) {
    return runDatePlanner(photos, storage, amountShiftPlanner(offset), service, options);
}

OperationReport runPreviewShift(const std::vector<SelectedPhoto>& photos, const QString& storage,
                                PreviewShift shift, MetadataService& service,
                                const BatchOptions& options) {
    return runDatePlanner(photos, storage, previewShiftPlanner(shift), service, options);
}

OperationReport runFileDates(const std::vector<SelectedPhoto>& photos, const QString& storage,
                             SourceMode mode, MetadataService& service,
                             const BatchOptions& options) {
    return runDatePlanner(photos, storage, fileDatesPlanner(mode), service, options);
}
