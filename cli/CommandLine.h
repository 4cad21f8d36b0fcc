#pragma once

#include "cli/CliCommands.h"
#include "editing/BatchRunner.h"
#include "editing/ChangePreview.h"
#include "editing/OperationReport.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The usage text after the message; returns the usage exit code.
int usageError(const CliStreams& streams, const QString& message);
// "FILE: reason" on standard error.
void reportSkipped(const CliStreams& streams, const QString& path, const QString& reason);

// A writing command's line: its own options, then --out, --jobs and the files.
struct CommandLine {
    QHash<QString, QString> values;
    QSet<QString> flags;
    QStringList positional;
    QString outDir;
    int jobs = 0;
    bool dryRun = false;
    SidecarPolicy sidecar = SidecarPolicy::Present;
};

// Nothing, with *exitCode set, when the line is malformed.
std::optional<CommandLine> parseLine(const QString& command, const QStringList& arguments,
                                     const QStringList& valueOptions,
                                     const QStringList& flagOptions, const CliStreams& streams,
                                     int* exitCode);

using FileOperation = std::function<OperationReport(const std::vector<SelectedPhoto>& photos,
                                                    const QString& storage, const BatchOptions&)>;
using FilePreview = std::function<std::vector<PhotoChangePreview>(
    const std::vector<SelectedPhoto>& photos, const QString& storage)>;

// Names on standard error every photo not written under its own name: the
// repaired, the remarked, the renamed and the skipped, then the counts when
// any was renamed or skipped. The exit code of the run.
int reportOutcome(const OperationReport& report, const CliStreams& streams);

// Runs an operation over the files in argument order and reports what it
// skipped; a dry run shows what it would change instead.
int runOverFiles(const CommandLine& line, const QStringList& files, const CliStreams& streams,
                 const FileOperation& operation, const FilePreview& preview);
