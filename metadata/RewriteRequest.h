#pragma once

#include "metadata/KeyChanges.h"

#include <QDateTime>
#include <optional>

#include <QString>
#include <QStringList>
#include <QVariantMap>

// When a written photo gets an XMP sidecar beside it, named after it:
// never, when the photo has one (NAME.xmp or NAME.EXT.xmp, changed as the
// photo was), or always, a new one holding the XMP copies of what changed
// where the photo has none.
enum class SidecarPolicy { Never, Present, Always };

// One photo to copy through the metadata writer into the storage folder.
struct RewriteJob {
    QString inputPath;
    QString outputPath; // formed by outputPath(): always inside the storage folder
    QVariantMap changes;
    // The changes are laid over a copy of the photo's own dictionary, which is
    // then handed to the writer whole.
    bool overlaySourceProperties = false;
    // Sets the changes give whole: the photo's keys of these sets that the
    // changes do not name are removed.
    QStringList replacedSets;
    QVariantMap containerProperties;
    // Every piece of metadata goes but what the pixels need to look right:
    // the orientation, the resolution, the colour space and the ICC profile.
    // Maker notes, thumbnails, comments and other applications' blocks go
    // with the sets.
    bool removeAll = false;
    SidecarPolicy sidecar = SidecarPolicy::Present;
    // The written file's modification time, given to it before it appears
    // under its name, so that no reader sees it dated otherwise.
    std::optional<QDateTime> fileModified;
    QString refusal; // set when the photo must not be processed at all, with the reason
    // Planned and checked as a write would be, but nothing is written: the
    // outcome lists the changes instead. A dry run is the write without its
    // last step, so the two cannot disagree.
    bool dryRun = false;
};

struct PhotoOutcome {
    enum class State { Written, Skipped, NotRun };
    State state = State::NotRun;
    QString inputPath;
    QString outputPath;
    QString reason;         // why a photo was skipped
    bool needsSync = false; // written without a flush: the batch flushes once at its end
    QStringList notes; // what was repaired in a written photo ("dropped 1 invalid entry of IFD0")
    QList<KeyChange> changes; // of a dry run: what the write would change
    // Written under another name than the command gives the photo, the
    // photo's own being taken: set by the batch, never sent to a worker.
    bool renamed = false;
    // Written, but not all that was asked: what was done instead ("no date
    // in the photo: only the file dates were shifted"). Set by the command.
    QString remark;

    PhotoOutcome() = default;
    PhotoOutcome(State state, QString inputPath, QString outputPath, QString reason, bool needsSync,
                 QStringList notes = {})
        : state(state), inputPath(std::move(inputPath)), outputPath(std::move(outputPath)),
          reason(std::move(reason)), needsSync(needsSync), notes(std::move(notes)) {}

    bool written() const { return state == State::Written; }
    bool skipped() const { return state == State::Skipped; }

    static PhotoOutcome skip(const RewriteJob& job, const QString& reason) {
        return {State::Skipped, job.inputPath, job.outputPath, reason, false};
    }
};
