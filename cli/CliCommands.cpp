#include "cli/CliCommands.h"

#include "cli/JsonDump.h"
#include "editing/PhotoSelection.h"
#include "editing/RemovalOperation.h"
#include "metadata/MetadataService.h"
#include "templates/PropertyListCodec.h"

#include <QDir>
#include <QFileInfo>

namespace {

const char usageText[] =
    "Usage: tessaview-cli COMMAND [OPTIONS] FILE...\n"
    "\n"
    "Views and removes the EXIF, TIFF, GPS and IPTC metadata of photos. Originals\n"
    "are never written: every result is a new file in the output folder.\n"
    "\n"
    "Commands:\n"
    "  dump [--plist] FILE\n"
    "      Print the photo's property dictionary as one JSON object, or with\n"
    "      --plist as an XML property list.\n"
    "  remove exif|gps|iptc|exif-gps --out DIR [--jobs N] FILE...\n"
    "      Write a copy of each photo without the named metadata set into DIR\n"
    "      (created with its parents), named NoExif_, NoGPS_, NoIPTC_ or\n"
    "      NoExifAndGPS_ followed by the photo's file name. Pixels are copied,\n"
    "      never re-encoded. Of two photos with the same name the later one in\n"
    "      argument order is the one that remains. --jobs sets the number of\n"
    "      worker threads (default: one per core).\n"
    "  help, --help\n"
    "      Print this text.\n"
    "\n"
    "Exit status: 0 when every file was written (or dumped), 1 when any was\n"
    "skipped (one line on standard error per file: its path and why), 2 on a\n"
    "usage error.\n";

int usageError(const CliStreams& streams, const QString& message) {
    std::fprintf(streams.err, "tessaview-cli: %s\n\n%s", qPrintable(message), usageText);
    return ExitUsage;
}

void reportSkipped(const CliStreams& streams, const QString& path, const QString& reason) {
    std::fprintf(streams.err, "%s: %s\n", QFile::encodeName(path).constData(),
                 reason.toUtf8().constData());
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
    if (files.size() != 1)
        return usageError(streams, QStringLiteral("dump takes exactly one FILE"));
    const auto properties = service.readProperties(files.first());
    if (!properties) {
        reportSkipped(streams, files.first(), properties.error());
        return ExitSomeSkipped;
    }
    const QByteArray text = plist ? toXmlPropertyList(properties->dictionary)
                                  : dictionaryToJson(properties->dictionary);
    std::fwrite(text.constData(), 1, size_t(text.size()), streams.out);
    return ExitAllWritten;
}

int remove(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    if (arguments.isEmpty())
        return usageError(streams,
                          QStringLiteral("remove needs a set: exif, gps, iptc or exif-gps"));
    const auto kind = removalKindFromName(arguments.first());
    if (!kind)
        return usageError(streams,
                          QStringLiteral("remove: unknown set \"%1\"").arg(arguments.first()));
    QString outDir;
    int jobs = 0;
    QList<ListedPhoto> photos;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--out") || argument == QLatin1String("--jobs")) {
            if (i + 1 >= arguments.size())
                return usageError(streams, QStringLiteral("%1 needs a value").arg(argument));
            const QString value = arguments[++i];
            if (argument == QLatin1String("--out")) {
                outDir = value;
            } else {
                bool ok = false;
                jobs = value.toInt(&ok);
                if (!ok || jobs < 1)
                    return usageError(streams, QStringLiteral("--jobs needs a positive number"));
            }
        } else if (argument == QLatin1String("--")) {
            for (++i; i < arguments.size(); ++i)
                photos.append({arguments[i], QFileInfo(arguments[i]).fileName()});
        } else if (argument.startsWith(QLatin1String("--"))) {
            return usageError(streams, QStringLiteral("remove: unknown option %1").arg(argument));
        } else {
            photos.append({argument, QFileInfo(argument).fileName()});
        }
    }
    if (outDir.isEmpty())
        return usageError(streams, QStringLiteral("remove needs --out DIR"));
    if (photos.isEmpty())
        return usageError(streams, QStringLiteral("remove needs at least one FILE"));
    const QString storage = QDir::cleanPath(QFileInfo(outDir).absoluteFilePath());
    if (!QDir().mkpath(storage)) {
        std::fprintf(streams.err, "tessaview-cli: cannot create %s\n",
                     QFile::encodeName(storage).constData());
        return ExitSomeSkipped;
    }
    QSet<int> everyPhoto;
    for (int i = 0; i < photos.size(); ++i)
        everyPhoto.insert(i);
    BatchOptions options;
    options.threads = jobs;
    const OperationReport report = runRemoval(
        *kind, SourceMode::Computer,
        selectPhotos(SourceMode::Computer, photos, everyPhoto, storage), storage, service,
        options);
    for (const OperationReport::Skipped& skipped : report.skipped)
        reportSkipped(streams, skipped.path, skipped.reason);
    return report.skipped.isEmpty() ? ExitAllWritten : ExitSomeSkipped;
}

} // namespace

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
    if (command == QLatin1String("dump"))
        return dump(rest, service, streams);
    if (command == QLatin1String("remove"))
        return remove(rest, service, streams);
    return usageError(streams, QStringLiteral("unknown command \"%1\"").arg(command));
}
