#include "editing/DateOperations.h"

#include "editing/DateShift.h"
#include "editing/OutputNaming.h"
#include "editing/WorkingCopies.h"
#include "metadata/AtomicFile.h"
#include "metadata/DateText.h"
#include "metadata/FileTimes.h"
#include "metadata/MetadataService.h"
#include "metadata/PhotoDisplay.h"
#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrorValues.h"
#include "metadata/XmpMirrors.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

using namespace PropertyKeys;

namespace {
constexpr qint64 maxAmount = 1000000000;
}

namespace {

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

// A copy whose file dates could not be set is not what was asked for: it
// stays in the storage folder, but is reported with the reason.
PhotoOutcome setFileDatesAfter(PhotoOutcome outcome, const DateChange& change) {
    // The worker's remark (a photo changed in its sidecar alone) stays beside the command's.
    if (outcome.written() && !change.remark.isEmpty())
        outcome.remark = outcome.remark.isEmpty()
                             ? change.remark
                             : outcome.remark + QStringLiteral("; ") + change.remark;
    if (!outcome.written() || (!change.created && !change.modified))
        return outcome;
    const Status set = setFileTimes(outcome.outputPath, change.created, change.modified);
    if (!set) {
        outcome.state = PhotoOutcome::State::Skipped;
        outcome.reason = QStringLiteral("its file dates could not be set: %1").arg(set.error());
    }
    return outcome;
}

// The zone a date gets on every copy: the one it is given with, else the
// one the photo keeps, else none.
QString zoneOf(const QString& date, const QString& photoZone) {
    const QString given = DateText::splitZone(date).offset;
    return given.isEmpty() ? photoZone : given;
}

// The plan's dates written into the photo's own EXIF set (a new one when it
// has none) and its TIFF set (only when it has one). A date replaces every
// copy of itself: the sub-seconds of the old time, which no date text
// carries, go with it; the TIFF/EP copy of the original date in IFD0 of some
// RAW files is written too; and each zone offset the photo keeps takes the
// one zone of the new dates, so that no copy names another instant.
DateChange datesWritten(const QVariantMap& dictionary, const DatePlan& plan) {
    DateChange change;
    change.rewrite = true;
    change.created = plan.created;
    change.modified = plan.modified;
    const QString photoZone = XmpMirrors::photoZone(dictionary);
    QVariantMap exif = dictionary.value(ExifSet).toMap();
    exif.insert(DateTimeOriginal, plan.original);
    exif.insert(DateTimeDigitized, plan.digitized);
    const bool hasTiff = dictionary.contains(TiffSet);
    const struct {
        const char* offset;
        const char* subSeconds;
        const QString& date;
        bool written;
    } copies[] = {{"OffsetTimeOriginal", "SubSecTimeOriginal", plan.original, true},
                  {"OffsetTimeDigitized", "SubSecTimeDigitized", plan.digitized, true},
                  {"OffsetTime", "SubSecTime", plan.original, hasTiff}};
    for (const auto& copy : copies) {
        const QString offset = QString::fromLatin1(copy.offset);
        const QString subSeconds = QString::fromLatin1(copy.subSeconds);
        if (!copy.written)
            continue;
        if (exif.contains(subSeconds))
            exif.insert(subSeconds, removal());
        const QString zone = zoneOf(copy.date, photoZone);
        if (exif.contains(offset) && !zone.isEmpty())
            exif.insert(offset, zone);
    }
    change.changes = handSet(ExifSet, exif);
    // Some writers copy the sub-seconds into XMP too ("exif:SubsecTime" among them).
    const QVariantMap xmpNow = dictionary.value(XmpSet).toMap();
    QVariantMap xmp;
    for (auto it = xmpNow.cbegin(); it != xmpNow.cend(); ++it) {
        if (it.key().startsWith(QLatin1String("exif:SubSecTime"), Qt::CaseInsensitive))
            xmp.insert(it.key(), removal());
    }
    if (hasTiff) {
        QVariantMap tiff = dictionary.value(TiffSet).toMap();
        tiff.insert(DateTime, plan.original);
        if (tiff.contains(DateTimeOriginal))
            tiff.insert(DateTimeOriginal, DateText::splitZone(plan.original).wall);
        if (plan.tiffAsContainer)
            change.containerProperties = handSet(TiffSet, tiff);
        else
            change.changes.insert(TiffSet, tiff);
    } else {
        // Without a TIFF date, the XMP copies of the modification date are
        // the photo's only ones: they are replaced as that date would be.
        for (const char* key : {"xmp:ModifyDate", "tiff:DateTime", "exif:DateTime"}) {
            const auto text = XmpMirrorValues::xmpDate(DateText::splitZone(plan.original).wall,
                                                       zoneOf(plan.original, photoZone));
            if (xmpNow.contains(QLatin1String(key)) && text)
                xmp.insert(QLatin1String(key), *text);
        }
    }
    if (!xmp.isEmpty())
        change.changes.insert(XmpSet, xmp);
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

} // namespace

OperationReport runDatePlanner(const std::vector<SelectedPhoto>& photos, const QString& storage,
                               const DatePlanner& planner, MetadataService& service,
                               const BatchOptions& options) {
    const auto targets = batchTargets(photos, storage, OutputForm::PlainName);
    std::vector<BatchTask> tasks;
    for (size_t i = 0; i < photos.size(); ++i) {
        const BatchTarget& target = targets[i];
        tasks.push_back(taskFor(target, [planner, photo = readFrom(photos[i], target),
                                         path = target.output](MetadataService& metadata) {
            const auto properties = metadata.readProperties(photo.inputPath);
            return applyDateChange(metadata, photo, path, planner(photo, properties, path));
        }));
    }
    return reportOf(runTasks(tasks, service, options), photos, targets);
}

PhotoDatePair photoDatePairOf(const QVariantMap& dictionary) {
    PhotoDatePair pair;
    if (const auto original = photoOriginalDate(dictionary)) {
        pair.original = *original;
        pair.digitized = photoDate(dictionary).value_or(*original);
    }
    return pair;
}

PhotoDatePair photoDatePair(MetadataService& metadata, const QString& path) {
    const auto properties = metadata.readProperties(path);
    PhotoDatePair pair = properties ? photoDatePairOf(properties->dictionary) : PhotoDatePair();
    if (pair.original.isEmpty())
        std::tie(pair.original, pair.digitized) = fileDateTexts(path);
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

namespace {

QString noDateRemark() {
    return QStringLiteral("no date in the photo: only the file dates were shifted");
}

// A photo without a date in its metadata keeps its bytes; only its file's
// dates move, and the report says so.
DateChange fileDatesOnly(std::optional<QDateTime> created, std::optional<QDateTime> modified) {
    DateChange copy;
    copy.created = created;
    copy.modified = modified;
    copy.remark = noDateRemark();
    return copy;
}

std::optional<QDateTime> shiftedFileDate(const std::optional<QDateTime>& when, qint64 seconds) {
    return when ? shiftedDate(*when, seconds) : std::nullopt;
}

// Every date of the photo moved by its amount (shiftedDates).
DateChange shiftEveryDate(const Result<PhotoProperties>& properties,
                          const DateShiftAmounts& amounts) {
    if (!properties)
        return {};
    const auto shifted = shiftedDates(properties->dictionary, amounts);
    if (!shifted)
        return skipped(shifted.error());
    DateChange change;
    change.rewrite = !shifted->isEmpty();
    change.changes = shifted.value();
    return change;
}

} // namespace

DatePlanner amountShiftPlanner(qint64 offset) {
    return [offset](const SelectedPhoto& photo, const Result<PhotoProperties>& properties,
                    const QString&) {
        std::optional<QDateTime> fileDate;
        if (const auto times = readFileTimes(photo.inputPath))
            fileDate = shiftedDate(times->created, offset);
        DateChange change = shiftEveryDate(properties, {offset, offset, offset});
        if (!change.skipReason.isEmpty())
            return change;
        if (!change.rewrite)
            return fileDatesOnly(fileDate, fileDate);
        qInfo("%s=",
              qPrintable(change.changes.value(ExifSet).toMap().value(DateTimeOriginal).toString()));
        change.created = change.modified = fileDate;
        return change;
    };
}

DatePlanner previewShiftPlanner(PreviewShift shift) {
    return [shift](const SelectedPhoto& photo, const Result<PhotoProperties>& properties,
                   const QString&) {
        DateChange change =
            shiftEveryDate(properties, {shift.original, shift.digitized, shift.original});
        if (!change.skipReason.isEmpty())
            return change;
        if (!change.rewrite) {
            const auto times = readFileTimes(photo.inputPath);
            return fileDatesOnly(
                shiftedFileDate(times ? std::optional(times->created) : std::nullopt,
                                shift.original),
                shiftedFileDate(times ? std::optional(times->modified) : std::nullopt,
                                shift.digitized));
        }
        // The file's dates follow the photo's: the original date as it was
        // taken, the digitized date as it was modified.
        const PhotoDatePair dates = photoDatePairOf(properties->dictionary);
        const auto original = DateText::parse(dates.original);
        const auto digitized = DateText::parse(dates.digitized);
        change.created = shiftedFileDate(original, shift.original);
        change.modified = shiftedFileDate(digitized, shift.digitized);
        qInfo("%s=",
              qPrintable(change.changes.value(ExifSet).toMap().value(DateTimeOriginal).toString()));
        return change;
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
