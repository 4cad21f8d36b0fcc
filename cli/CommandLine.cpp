#include "cli/CommandLine.h"

#include "cli/CliOutput.h"
#include "cli/CliUsage.h"
#include "cli/OutputFolder.h"
#include "editing/PhotoSelection.h"

#include <QDir>
#include <QFileInfo>

int usageError(const CliStreams& streams, const QString& message) {
    std::fprintf(streams.err, "tessaview-cli: %s\n\n%s", qPrintable(message), usageText);
    return ExitUsage;
}

void reportSkipped(const CliStreams& streams, const QString& path, const QString& reason) {
    std::fprintf(streams.err, "%s: %s\n", QFile::encodeName(path).constData(),
                 reason.toUtf8().constData());
}

// Nothing, with *exitCode set, when the line is malformed.
std::optional<CommandLine> parseLine(const QString& command, const QStringList& arguments,
                                     const QStringList& valueOptions,
                                     const QStringList& flagOptions, const CliStreams& streams,
                                     int* exitCode) {
    CommandLine line;
    auto fail = [&](const QString& message) {
        *exitCode = usageError(streams, message);
        return std::nullopt;
    };
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            line.positional += arguments.mid(i + 1);
            break;
        }
        if (argument == QLatin1String("--dry-run")) {
            line.dryRun = true;
            continue;
        }
        if (flagOptions.contains(argument)) {
            line.flags.insert(argument);
            continue;
        }
        const bool common = argument == QLatin1String("--out") ||
                            argument == QLatin1String("--jobs") ||
                            argument == QLatin1String("--sidecar");
        if (common || valueOptions.contains(argument)) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("%1 needs a value").arg(argument));
            const QString value = arguments[++i];
            if (argument == QLatin1String("--out")) {
                line.outDir = value;
            } else if (argument == QLatin1String("--sidecar")) {
                const QStringList policies = {QStringLiteral("never"), QStringLiteral("present"),
                                              QStringLiteral("always")};
                if (!policies.contains(value))
                    return fail(QStringLiteral("--sidecar needs never, present or always"));
                line.sidecar = SidecarPolicy(policies.indexOf(value));
            } else if (argument == QLatin1String("--jobs")) {
                bool ok = false;
                line.jobs = value.toInt(&ok);
                if (!ok || line.jobs < 1)
                    return fail(QStringLiteral("--jobs needs a positive number"));
            } else {
                line.values.insert(argument, value);
            }
            continue;
        }
        if (argument.startsWith(QLatin1String("--")))
            return fail(QStringLiteral("%1: unknown option %2").arg(command, argument));
        line.positional << argument;
    }
    if (line.outDir.isEmpty())
        return fail(QStringLiteral("%1 needs --out DIR").arg(command));
    return line;
}

// Runs an operation over the files in argument order and reports what it
// skipped; a dry run shows what it would change instead.
int runOverFiles(const CommandLine& line, const QStringList& files, const CliStreams& streams,
                 const FileOperation& operation, const FilePreview& preview) {
    if (files.isEmpty())
        return usageError(streams, QStringLiteral("at least one FILE is needed"));
    const QString storage = QDir::cleanPath(QFileInfo(line.outDir).absoluteFilePath());
    if (line.dryRun) {
        QList<ListedPhoto> photos;
        QSet<int> everyPhoto;
        for (const QString& file : files) {
            everyPhoto.insert(int(photos.size()));
            photos.append({file, QFileInfo(file).fileName()});
        }
        return printPreviews(
            preview(selectPhotos(SourceMode::Computer, photos, everyPhoto, storage), storage),
            streams);
    }
    OutputFolder folder(storage);
    if (!folder.create()) {
        std::fprintf(streams.err, "tessaview-cli: cannot create %s\n",
                     QFile::encodeName(storage).constData());
        return ExitSomeSkipped;
    }
    QList<ListedPhoto> photos;
    QSet<int> everyPhoto;
    for (const QString& file : files) {
        everyPhoto.insert(int(photos.size()));
        photos.append({file, QFileInfo(file).fileName()});
    }
    BatchOptions options;
    options.threads = line.jobs;
    options.sidecar = line.sidecar;
    const OperationReport report = operation(
        selectPhotos(SourceMode::Computer, photos, everyPhoto, storage), storage, options);
    folder.removeIfEmpty();
    return reportOutcome(report, streams);
}

int reportOutcome(const OperationReport& report, const CliStreams& streams) {
    for (const OperationReport::Skipped& repaired : report.repaired)
        reportSkipped(streams, repaired.path, QStringLiteral("repaired: ") + repaired.reason);
    for (const OperationReport::Skipped& remarked : report.remarked)
        reportSkipped(streams, remarked.path, remarked.reason);
    for (const OperationReport::Renamed& renamed : report.renamed)
        reportSkipped(streams, renamed.path,
                      QStringLiteral("written under another name: %1").arg(renamed.outputPath));
    for (const OperationReport::Skipped& skipped : report.skipped)
        reportSkipped(streams, skipped.path, skipped.reason);
    // Where not every photo took its own name, the counts say what became
    // of all of them.
    if (!report.renamed.isEmpty() || !report.skipped.isEmpty() || report.notRun > 0)
        std::fprintf(streams.err,
                     "tessaview-cli: %lld of %lld photos written (%lld under another name), "
                     "%lld skipped\n",
                     qlonglong(report.written.size()), qlonglong(report.photoCount()),
                     qlonglong(report.renamed.size()), qlonglong(report.skipped.size()));
    return report.skipped.isEmpty() ? ExitAllWritten : ExitSomeSkipped;
}
