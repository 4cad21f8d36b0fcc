#pragma once

#include "editing/BatchRunner.h"
#include "editing/ChangePreview.h"
#include "editing/OperationReport.h"
#include "editing/OutputNaming.h"
#include "editing/PhotoSelection.h"

#include <QDateTime>
#include <QVariantMap>

#include <functional>
#include <optional>

// What a plan makes of a photo it has read: its changes, or why it is
// skipped; the details are what a dry run shows beside the changes.
struct PhotoChanges {
    QVariantMap changes;
    QString skipReason;
    QList<PreviewDetail> details;
};

// A rewrite of the selected photos whose change dictionary may depend on each
// photo's own dictionary, and which may set the written files' dates.
struct PlannedRewrite {
    OutputForm form = OutputForm::PlainName;
    QVariantMap changes;      // the same for every photo
    QStringList replacedSets; // sets the changes give whole (see RewriteJob)
    // Set: each photo is read first and this gives its changes instead.
    std::function<PhotoChanges(const QVariantMap& dictionary)> changesFor;
    std::optional<QDateTime> fileDates; // each written file's creation and modification dates
};

// One job per photo, in visiting order, run on the batch runner.
OperationReport runPlanned(const PlannedRewrite& plan, const std::vector<SelectedPhoto>& photos,
                           const QString& storage, MetadataService& service,
                           const BatchOptions& options = {});

// The same jobs read and compared, never written. File dates to be set are
// listed as "FileModificationDate" (local time), as the date commands do.
std::vector<PhotoChangePreview> previewPlanned(const PlannedRewrite& plan,
                                               const std::vector<SelectedPhoto>& photos,
                                               const QString& storage, MetadataService& service);
