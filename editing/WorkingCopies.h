#pragma once

#include "editing/BatchRunner.h"
#include "editing/OperationReport.h"
#include "editing/OutputNaming.h"
#include "editing/PhotoSelection.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>

// The storage folder's copy of a photo under the photo's own name (or the
// name it got beside another photo's copy) is that photo's working copy: a
// command reads it instead of the photo, so that edits build on each other,
// and the photo outside the storage folder is never written. Each written
// file records the photo it was made from in the freedesktop attribute
// "user.xdg.origin.url"; where the file system has no extended attributes,
// an index in the storage folder holds the same.

inline constexpr char OriginAttribute[] = "user.xdg.origin.url";
inline constexpr char OriginIndexName[] = ".tessaview-origins";

// The local path of the photo a file was made from, or empty when it records none.
QString recordedOrigin(const QString& path);

// Where one photo of a batch is read from and written to.
struct BatchTarget {
    QString input;        // the photo's working copy, or the photo
    QString output;       // empty when refused
    QString refusal;      // why the photo cannot be written at all
    QString origin;       // the photo the output is a copy of
    bool renamed = false; // the output does not carry the name the form gives it
};

// The output name a form gives a photo, where it is not prefix + its own
// name (a stamp of a GIF is a ".jpg").
using OutputNameOf = std::function<QString(const SelectedPhoto&)>;

// The targets of a batch in visiting order. Each photo's output replaces its
// own earlier copy of that form; a name taken by another photo's copy, by
// a file of unknown origin, or by another photo earlier in the batch gets the
// next free name in the desktop's way ("Canon_40D (2).jpg").
std::vector<BatchTarget> batchTargets(const std::vector<SelectedPhoto>& photos,
                                      const QString& storage, OutputForm form,
                                      const OutputNameOf& nameOf = {});

// The batch task of a target: the run, or, for a refused target, its refusal.
BatchTask taskFor(const BatchTarget& target, std::function<PhotoOutcome(MetadataService&)> run);

// The photo as the batch reads it: its input is its target's.
SelectedPhoto readFrom(const SelectedPhoto& photo, const BatchTarget& target);

// Records each written file's origin as a batch goes, from any of its
// threads; where the file system keeps no attributes, finish() puts them in
// the folder's index, once for the batch.
class OriginRecorder {
public:
    void record(const QString& path, const QString& origin);
    void finish();

private:
    std::mutex m_mutex;
    QHash<QString, QHash<QString, QString>> m_forIndex; // folder → name → origin
};

// The targets' origins in their order, for the batch runner to record.
QStringList originsOf(const std::vector<BatchTarget>& targets);

// The report of a batch whose outcomes are in the targets' order: a renamed
// photo is reported so, and a photo is named by its own path, not by its
// working copy's.
OperationReport reportOf(std::vector<PhotoOutcome> outcomes,
                         const std::vector<SelectedPhoto>& photos,
                         const std::vector<BatchTarget>& targets);

// The working copy of a photo on the computer, or empty when it has none.
QString workingCopyOf(const QString& photoPath, const QString& storage);

// The next free name in the desktop's way: "IMG (2).JPG", "IMG (3).JPG".
QString numberedName(const QString& name, int number);
