#pragma once

#include "editing/DateOperations.h"
#include "editing/RemovalOperation.h"
#include "editing/TemplateOperations.h"
#include "metadata/KeyChanges.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <vector>

// A fact a dry run shows beside a photo's changes ("matchedTime").
struct PreviewDetail {
    QString key;
    QVariant value;
};

// What a command would do to one photo: its key changes, or why it would be
// skipped.
struct PhotoChangePreview {
    QString inputPath;
    QString skipReason;
    QList<KeyChange> changes;
    QList<PreviewDetail> details;
    QString outputPath; // where it would be written
};

// Previews in the photos' order named by the photos, not by the working
// copies they were read from.
std::vector<PhotoChangePreview> namedByPhotos(std::vector<PhotoChangePreview> previews,
                                              const std::vector<SelectedPhoto>& photos);

// The dry run of any list of rewrite jobs.
std::vector<PhotoChangePreview> previewJobs(std::vector<RewriteJob> jobs, MetadataService& service);

// Dry runs of the commands: the same jobs and date plans as the real runs,
// read and compared but never written. The photos in visiting order.
std::vector<PhotoChangePreview> previewRemoval(RemovalKind kind, SourceMode mode,
                                               const std::vector<SelectedPhoto>& photos,
                                               const QString& storage, MetadataService& service);

std::vector<PhotoChangePreview> previewImport(ImportKind kind, const QVariantMap& file,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service);

// A date command that copies the bytes (file dates) changes no key: it lists
// the file's modification date it would set as "FileModificationDate", the
// only file date Linux lets it set.
std::vector<PhotoChangePreview> previewDates(const std::vector<SelectedPhoto>& photos,
                                             const QString& storage, const DatePlanner& planner,
                                             MetadataService& service);
