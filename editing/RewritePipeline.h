#pragma once

#include <QString>
#include <QVariantMap>

#include <functional>

// One photo to copy through the metadata writer into the storage folder.
struct RewriteJob {
    QString inputPath;
    QString outputPath; // formed by outputPath(): always inside the storage folder
    QVariantMap changes;
    // When set, the changes are built from the photo's own properties instead.
    std::function<QVariantMap(const QVariantMap& properties)> buildChanges;
    QVariantMap containerProperties;
    QString refusal; // set when the photo must not be processed at all, with the reason
};

struct PhotoOutcome {
    enum class State { Written, Skipped, NotRun };
    State state = State::NotRun;
    QString inputPath;
    QString outputPath;
    QString reason;         // why a photo was skipped
    bool needsSync = false; // written without a flush: the batch flushes once at its end

    bool written() const { return state == State::Written; }
    bool skipped() const { return state == State::Skipped; }
};

// Reads the photo, writes the changed copy in memory, checks it and commits
// it atomically. A file already at the output path is replaced only by a
// complete photo. When the output replaces the very file that was read, it
// is flushed before the call returns.
PhotoOutcome runRewrite(const RewriteJob& job);

// Whether two paths name the same file (following links), for paths that
// may not exist yet.
QString canonicalPathOf(const QString& path);
