#pragma once

#include "editing/DateOperations.h"
#include "editing/RemovalOperation.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <vector>

// One key a change dictionary would change: "{GPS}.Latitude" for a key of a
// set, "Orientation" for a top-level key; a null "to" removes the key.
struct KeyChange {
    QString key;
    QVariant from; // null when the photo does not have the key
    QVariant to;

    bool operator==(const KeyChange& other) const;
};

// The keys of the photo's dictionary that the change dictionary would change,
// values compared as the writer compares them: a set removed lists each of
// its keys, a key set to its own value is no change. Sets in dictionary
// order, keys in key order.
QList<KeyChange> previewChanges(const QVariantMap& dictionary, const QVariantMap& changes);

// The changes of a rewrite job, made whole as the writer makes them
// (XmpMirrors::jobChanges): its container properties, the sets it gives
// whole and the mirrors of what it changes.
QList<KeyChange> previewChanges(const QVariantMap& dictionary, const RewriteJob& job);

// What a command would do to one photo: its key changes, or why it would be
// skipped.
struct PhotoChangePreview {
    QString inputPath;
    QString skipReason;
    QList<KeyChange> changes;
};

// The dry run of any list of rewrite jobs.
std::vector<PhotoChangePreview> previewJobs(const std::vector<RewriteJob>& jobs,
                                            MetadataService& service);

// Dry runs of the commands: the same jobs and date plans as the real runs,
// read and compared but never written. The photos in visiting order.
std::vector<PhotoChangePreview> previewRemoval(RemovalKind kind, SourceMode mode,
                                               const std::vector<SelectedPhoto>& photos,
                                               const QString& storage, MetadataService& service);

// A date command that copies the bytes (file dates) changes no key: it lists
// the file's modification date it would set as "FileModificationDate", the
// only file date Linux lets it set.
std::vector<PhotoChangePreview> previewDates(const std::vector<SelectedPhoto>& photos,
                                             const QString& storage, const DatePlanner& planner,
                                             MetadataService& service);
