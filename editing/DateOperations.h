#pragma once

#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"
#include "editing/PhotoSelection.h"
#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVariantMap>

#include <functional>

#include <optional>

// The two dates shown for a photo: the date it was taken and the date it was
// digitized (photoOriginalDate(), photoDate(): one stands for the other
// where it lacks one), or, when it holds no date, its file's creation and
// modification dates.
struct PhotoDatePair {
    QString original;
    QString digitized;
};
PhotoDatePair photoDatePair(MetadataService& metadata, const QString& path);
// The pair of a dictionary; empty texts when it holds no date.
PhotoDatePair photoDatePairOf(const QVariantMap& dictionary);

// An amount field as a number: leading blanks, an optional sign, the digits
// up to the first other character; no digits is 0.
qint64 readAmount(const QString& text);

// Years, months, days, hours, minutes, seconds in fixed lengths (365-day
// years, 30-day months). Only amounts of 1 or more count; the products are
// 64-bit, so no amount overflows.
qint64 amountOffset(const QList<qint64>& amounts, bool add);

// The differences of a preview shift, in seconds: after minus before for the
// original and the digitized date. The four texts are read in the EXIF
// layout, or all in the dashed one when the before-original text is dashed;
// nothing when any of them does not read.
struct PreviewShift {
    qint64 original = 0;
    qint64 digitized = 0;
};
std::optional<PreviewShift> previewShiftOf(const QString& beforeOriginal,
                                           const QString& beforeDigitized,
                                           const QString& afterOriginal,
                                           const QString& afterDigitized);

// What a date command does to one photo, worked out before anything is
// written: a run applies it, a dry run shows it.
struct DateChange {
    QString skipReason;   // set: the photo is skipped with this reason
    bool rewrite = false; // the metadata is rewritten with the changes; else the bytes are copied
    QVariantMap changes;  // the change dictionary handed to the writer
    QVariantMap containerProperties;
    std::optional<QDateTime> created; // the written file's dates
    std::optional<QDateTime> modified;
    QString remark; // written, but not all that was asked: what was done instead
};
// From the photo, its properties as read (a failed read too) and its output path.
using DatePlanner = std::function<DateChange(
    const SelectedPhoto& photo, const Result<PhotoProperties>& properties, const QString& output)>;

DatePlanner dateEditPlanner(const QString& original, const QString& digitized, SourceMode mode);
DatePlanner amountShiftPlanner(qint64 offset);
DatePlanner previewShiftPlanner(PreviewShift shift);
DatePlanner fileDatesPlanner(SourceMode mode);

// Reads each photo, plans its change and applies it.
OperationReport runDatePlanner(const std::vector<SelectedPhoto>& photos, const QString& storage,
                               const DatePlanner& planner, MetadataService& service,
                               const BatchOptions& options = {});

// Each operation writes every photo under its own name into the storage
// folder and sets the written file's dates; a photo already in the storage
// folder is replaced in place. The callers check the date texts first.

// The date window's save: the EXIF original and digitized dates (and the TIFF
// date) from the two texts, dashes turned to colons in computer mode.
OperationReport runDateEdit(const std::vector<SelectedPhoto>& photos, const QString& storage,
                            const QString& original, const QString& digitized, SourceMode mode,
                            MetadataService& service, const BatchOptions& options = {});

// One date for all three keys.
OperationReport runSetDate(const std::vector<SelectedPhoto>& photos, const QString& storage,
                           const QString& date, MetadataService& service,
                           const BatchOptions& options = {});

// Every date the photo holds, and every copy of it, moved by the offset; a
// photo without one has only its file dates moved.
OperationReport runAmountShift(const std::vector<SelectedPhoto>& photos, const QString& storage,
                               qint64 offset, MetadataService& service,
                               const BatchOptions& options = {});

// The original dates (with the modification date) and the digitized dates
// each moved by their difference, as the amount shift moves them.
OperationReport runPreviewShift(const std::vector<SelectedPhoto>& photos, const QString& storage,
                                PreviewShift shift, MetadataService& service,
                                const BatchOptions& options = {});

// A byte-for-byte copy whose file dates are the photo's EXIF date.
OperationReport runFileDates(const std::vector<SelectedPhoto>& photos, const QString& storage,
                             SourceMode mode, MetadataService& service,
                             const BatchOptions& options = {});
