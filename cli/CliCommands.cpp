#include "cli/CliCommands.h"

#include "cli/CliOutput.h"
#include "cli/CliUsage.h"
#include "cli/CommandLine.h"
#include "cli/EditCommands.h"
#include "cli/GeotagCommand.h"
#include "cli/PlacesCommands.h"
#include "cli/TemplateCommands.h"
#include "editing/ChangePreview.h"
#include "editing/DateOperations.h"
#include "editing/PhotoSelection.h"
#include "editing/RemovalOperation.h"
#include "editing/TemplateOperations.h"
#include "metadata/DateText.h"
#include "metadata/MetadataService.h"
#include "metadata/SystemLog.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <functional>

namespace {

std::optional<QString> badDate(const QString& text) {
    if (DateText::isValid(text))
        return std::nullopt;
    return QStringLiteral("invalid date \"%1\": use YYYY:MM:DD HH:MM:SS or YYYY-MM-DD HH:MM:SS")
        .arg(text);
}

// Each named option given, as a valid date; otherwise the usage error's exit code.
std::optional<int> missingOrBadDate(const CommandLine& line, const QString& command,
                                    const QStringList& options, const CliStreams& streams) {
    for (const QString& option : options) {
        if (!line.values.contains(option))
            return usageError(streams, QStringLiteral("%1 needs %2 DATE").arg(command, option));
        if (const auto bad = badDate(line.values.value(option)))
            return usageError(streams, *bad);
    }
    return std::nullopt;
}

int dump(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    bool plist = false;
    QStringList files;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--plist"))
            plist = true;
        else if (argument.startsWith(QLatin1String("--")))
            return usageError(streams, QStringLiteral("dump: unknown option %1").arg(argument));
        else
            files << argument;
    }
    if (files.isEmpty())
        return usageError(streams, QStringLiteral("dump needs a FILE"));
    if (plist && files.size() > 1)
        return usageError(streams, QStringLiteral("dump --plist takes exactly one FILE"));
    return dumpFiles(files, plist, service, streams);
}

int remove(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    if (arguments.isEmpty())
        return usageError(streams,
                          QStringLiteral("remove needs a set: exif, gps, iptc, exif-gps or all"));
    const auto kind = removalKindFromName(arguments.first());
    if (!kind)
        return usageError(streams,
                          QStringLiteral("remove: unknown set \"%1\"").arg(arguments.first()));
    int exitCode = ExitUsage;
    const auto line =
        parseLine(QStringLiteral("remove"), arguments.mid(1), {}, {}, streams, &exitCode);
    if (!line)
        return exitCode;
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runRemoval(*kind, SourceMode::Computer, photos, storage, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewRemoval(*kind, SourceMode::Computer, photos, storage, service);
        });
}

int datesEdit(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    const QString original = QStringLiteral("--original");
    const QString digitized = QStringLiteral("--digitized");
    int exitCode = ExitUsage;
    const auto line = parseLine(QStringLiteral("dates edit"), arguments, {original, digitized}, {},
                                streams, &exitCode);
    if (!line)
        return exitCode;
    if (const auto failed =
            missingOrBadDate(*line, QStringLiteral("dates edit"), {original, digitized}, streams))
        return *failed;
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runDateEdit(photos, storage, line->values.value(original),
                               line->values.value(digitized), SourceMode::Computer, service,
                               options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewDates(photos, storage,
                                dateEditPlanner(line->values.value(original),
                                                line->values.value(digitized),
                                                SourceMode::Computer),
                                service);
        });
}

int datesSet(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    int exitCode = ExitUsage;
    const auto line = parseLine(QStringLiteral("dates set"), arguments, {}, {}, streams, &exitCode);
    if (!line)
        return exitCode;
    if (line->positional.isEmpty())
        return usageError(streams, QStringLiteral("dates set needs a DATE"));
    const QString date = line->positional.first();
    if (const auto bad = badDate(date))
        return usageError(streams, *bad);
    return runOverFiles(
        *line, line->positional.mid(1), streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runSetDate(photos, storage, date, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewDates(photos, storage, dateEditPlanner(date, date, SourceMode::Computer),
                                service);
        });
}

int datesShift(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    const QStringList units = {QStringLiteral("--years"),   QStringLiteral("--months"),
                               QStringLiteral("--days"),    QStringLiteral("--hours"),
                               QStringLiteral("--minutes"), QStringLiteral("--seconds")};
    int exitCode = ExitUsage;
    const auto line =
        parseLine(QStringLiteral("dates shift"), arguments, units,
                  {QStringLiteral("--add"), QStringLiteral("--subtract")}, streams, &exitCode);
    if (!line)
        return exitCode;
    if (line->flags.size() != 1)
        return usageError(streams, QStringLiteral("dates shift needs --add or --subtract"));
    QList<qint64> amounts;
    for (const QString& unit : units) {
        const QString text = line->values.value(unit, QStringLiteral("0"));
        bool ok = false;
        const qint64 amount = text.trimmed().toLongLong(&ok);
        if (!ok)
            return usageError(
                streams, QStringLiteral("%1 needs a whole number, not \"%2\"").arg(unit, text));
        amounts << amount;
    }
    const qint64 offset = amountOffset(amounts, line->flags.contains(QStringLiteral("--add")));
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runAmountShift(photos, storage, offset, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewDates(photos, storage, amountShiftPlanner(offset), service);
        });
}

int datesPreview(const QStringList& arguments, MetadataService& service,
                 const CliStreams& streams) {
    const QStringList texts = {
        QStringLiteral("--before-original"), QStringLiteral("--before-digitized"),
        QStringLiteral("--after-original"), QStringLiteral("--after-digitized")};
    int exitCode = ExitUsage;
    const auto line =
        parseLine(QStringLiteral("dates preview"), arguments, texts, {}, streams, &exitCode);
    if (!line)
        return exitCode;
    if (const auto failed =
            missingOrBadDate(*line, QStringLiteral("dates preview"), texts, streams))
        return *failed;
    const auto shift = previewShiftOf(line->values.value(texts[0]), line->values.value(texts[1]),
                                      line->values.value(texts[2]), line->values.value(texts[3]));
    if (!shift)
        return usageError(streams, QStringLiteral("the four preview dates must share one layout"));
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runPreviewShift(photos, storage, *shift, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewDates(photos, storage, previewShiftPlanner(*shift), service);
        });
}

int dates(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    const QString variant = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (variant == QLatin1String("edit"))
        return datesEdit(rest, service, streams);
    if (variant == QLatin1String("set"))
        return datesSet(rest, service, streams);
    if (variant == QLatin1String("shift"))
        return datesShift(rest, service, streams);
    if (variant == QLatin1String("preview"))
        return datesPreview(rest, service, streams);
    if (variant == QLatin1String("zone"))
        return runDatesZoneCommand(rest, service, streams);
    return usageError(streams, QStringLiteral("dates needs edit, set, shift, preview or zone"));
}

int fileDates(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    int exitCode = ExitUsage;
    const auto line =
        parseLine(QStringLiteral("file-dates"), arguments, {}, {}, streams, &exitCode);
    if (!line)
        return exitCode;
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runFileDates(photos, storage, SourceMode::Computer, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewDates(photos, storage, fileDatesPlanner(SourceMode::Computer), service);
        });
}

int importFile(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    const auto kind = importKindFromName(arguments.value(0));
    if (!kind)
        return usageError(streams, QStringLiteral("import needs a kind: tiff, exif, exif-tiff, "
                                                  "exif-gps, all or template"));
    int exitCode = ExitUsage;
    const auto line =
        parseLine(QStringLiteral("import"), arguments.mid(1), {}, {}, streams, &exitCode);
    if (!line)
        return exitCode;
    if (line->positional.isEmpty())
        return usageError(streams, QStringLiteral("import needs a PLIST"));
    const QString plist = line->positional.first();
    const auto file = readPropertyListFile(plist);
    if (!file) {
        reportSkipped(streams, plist, file.error());
        return ExitSomeSkipped;
    }
    return runOverFiles(
        *line, line->positional.mid(1), streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runImport(*kind, file.value(), photos, storage, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewImport(*kind, file.value(), photos, storage, service);
        });
}

} // namespace

namespace {
MediaCommands mediaCommands = nullptr;
} // namespace

bool isMediaCommand(const QString& command) {
    return command == QLatin1String("device") || command == QLatin1String("stamp");
}

void setMediaCommands(MediaCommands run) {
    mediaCommands = run;
}

void takeLogOption(QStringList& arguments) {
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    bool verbose = false;
    for (qsizetype i = end < 0 ? arguments.size() - 1 : end - 1; i >= 0; --i) {
        if (arguments[i] == QLatin1String("--verbose")) {
            arguments.removeAt(i);
            verbose = true;
        }
    }
    SystemLog::install(verbose ? SystemLog::Destination::StandardError
                               : SystemLog::Destination::Nowhere,
                       "tessaview-cli");
}

int runCli(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    if (arguments.isEmpty())
        return usageError(streams, QStringLiteral("no command given"));
    const QString command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == QLatin1String("help") || command == QLatin1String("--help") ||
        command == QLatin1String("-h")) {
        std::fputs(usageText, streams.out);
        return ExitAllWritten;
    }
    // A command asked for its usage prints it and does nothing else,
    // whatever else the line holds.
    const qsizetype end = rest.indexOf(QStringLiteral("--"));
    if (rest.mid(0, end).contains(QStringLiteral("--help"))) {
        if (command == QLatin1String("device") && mediaCommands)
            return mediaCommands(command, {QStringLiteral("--help")}, service, streams);
        const QString usage = commandUsage(command, rest.value(0));
        if (!usage.isEmpty()) {
            std::fputs(usage.toUtf8().constData(), streams.out);
            return ExitAllWritten;
        }
    }
    if (command == QLatin1String("dump"))
        return dump(rest, service, streams);
    if (command == QLatin1String("remove"))
        return remove(rest, service, streams);
    if (command == QLatin1String("dates"))
        return dates(rest, service, streams);
    if (command == QLatin1String("file-dates"))
        return fileDates(rest, service, streams);
    if (command == QLatin1String("import"))
        return importFile(rest, service, streams);
    if (command == QLatin1String("export") || command == QLatin1String("template"))
        return runTemplateCommand(command, rest, service, streams);
    if (isMediaCommand(command)) {
        if (mediaCommands)
            return mediaCommands(command, rest, service, streams);
        return usageError(
            streams, QStringLiteral("the %1 command is not part of this program").arg(command));
    }
    if (command == QLatin1String("gps") || command == QLatin1String("edit"))
        return runEditCommand(command, rest, service, streams);
    if (command == QLatin1String("geotag"))
        return runGeotagCommand(rest, service, streams);
    if (command == QLatin1String("places"))
        return runPlacesCommand(rest, service, streams);
    return usageError(streams, QStringLiteral("unknown command \"%1\"").arg(command));
}
