#pragma once

#include "metadata/Result.h"
#include "metadata/RewritePlan.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

enum class SyncMode {
    Now,   // the write replaces a file we read: it must be on disk before we go on
    Later, // a new output: one syncFileSystem() at the end of the batch is enough
};

// Reads a regular file whole. FIFOs, devices and folders are refused without
// blocking on them.
Result<QByteArray> readWholeFile(const QString& path);

// Writes the bytes beside the path, then renames them over it, so a reader
// sees either the old file or the whole new one. On any failure the file
// already at the path is left as it was and no temporary file remains.
Status writeFileAtomically(const QString& path, const QByteArray& bytes, SyncMode sync);

// What the caller knows of the path it writes: Free when it has just found
// nothing there, which saves asking again.
enum class OutputPath { Unknown, Free };

// The same for a photo written as a plan: its source ranges are copied from
// sourceFd, or from the source's bytes where the kernel cannot copy them.
// A modification time given is set on the new file before it is named.
Status writePlanAtomically(const QString& path, const RewritePlan& plan, int sourceFd,
                           const QByteArray& source, SyncMode sync,
                           OutputPath output = OutputPath::Unknown,
                           const std::optional<QDateTime>& modified = std::nullopt);

// Lets a test act in the moment between writing a new copy and naming it.
namespace AtomicFileTesting {
inline void (*beforeLink)(const QByteArray& finalName) = nullptr;
}

// The path with links and "." and ".." resolved, for a file that may not
// exist yet: two paths name the same file when these are equal.
QString canonicalPathOf(const QString& path);

// Flushes the file system that holds the folder.
Status syncFileSystem(const QString& folder);
