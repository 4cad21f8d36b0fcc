#pragma once

#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"
#include "editing/OutputNaming.h"
#include "editing/PhotoSelection.h"

#include <QVariantMap>

#include <optional>

enum class RemovalKind { Exif, Gps, Iptc, ExifAndGps, All };

// "exif", "gps", "iptc", "exif-gps", "all".
std::optional<RemovalKind> removalKindFromName(const QString& name);

OutputForm removalOutputForm(RemovalKind kind);

// The change dictionary of a removal. Removing IPTC from a computer photo
// hands back the photo's whole dictionary with the IPTC set removed; the
// other removals name only the sets they remove.
QVariantMap removalChanges(RemovalKind kind, SourceMode mode, const QVariantMap& properties = {});

// Where the window shows the results of a removal.
struct RemovalReveal {
    bool revealEachWritten = false;
    bool openStorageAtEnd = false;
};
RemovalReveal removalReveal(RemovalKind kind, SourceMode mode);

struct BatchTarget;

// The rewrite jobs of a removal over the batch's targets (batchTargets()),
// in visiting order. A photo that has no output gets a job that is skipped
// with the reason.
std::vector<RewriteJob> removalJobs(RemovalKind kind, SourceMode mode,
                                    const std::vector<BatchTarget>& targets);

OperationReport runRemoval(RemovalKind kind, SourceMode mode,
                           const std::vector<SelectedPhoto>& photos, const QString& storage,
                           MetadataService& service, const BatchOptions& options = {});
