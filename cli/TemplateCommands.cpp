#include "cli/TemplateCommands.h"

#include "editing/EditFormOperation.h"
#include "editing/TemplateOperations.h"
#include "metadata/MetadataService.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

int usage(const CliStreams& streams, const QString& message) {
    std::fprintf(streams.err, "tessaview-cli: %s\n(see tessaview-cli --help)\n",
                 qPrintable(message));
    return ExitUsage;
}

int failed(const CliStreams& streams, const QString& path, const QString& why) {
    std::fprintf(streams.err, "%s: %s\n", QFile::encodeName(path).constData(),
                 why.toUtf8().constData());
    return ExitSomeSkipped;
}

// "--name value" pairs and the rest; nothing when an option lacks its value
// or is not one of the names.
std::optional<std::pair<QHash<QString, QString>, QStringList>> options(const QStringList& arguments,
                                                                       const QStringList& names) {
    QHash<QString, QString> values;
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!argument.startsWith(QLatin1String("--"))) {
            rest << argument;
            continue;
        }
        if (!names.contains(argument) || i + 1 >= arguments.size())
            return std::nullopt;
        values.insert(argument, arguments[++i]);
    }
    return std::pair{values, rest};
}

int exportSets(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    const auto kind = exportKindFromName(arguments.value(0));
    if (!kind)
        return usage(streams,
                     QStringLiteral("export needs a kind: tiff, exif, exif-tiff, exif-gps or all"));
    QStringList rest = arguments.mid(1);
    const bool dryRun = rest.removeAll(QStringLiteral("--dry-run")) > 0;
    const auto parsed = options(rest, {QStringLiteral("--out")});
    if (!parsed || !parsed->first.contains(QStringLiteral("--out")) || parsed->second.size() != 1)
        return usage(streams, QStringLiteral("export takes --out DIR and one FILE"));
    const QString file = parsed->second.first();
    const auto properties = service.readProperties(file);
    if (!properties)
        return failed(streams, file, properties.error());
    const auto dictionary = exportDictionary(*kind, properties->dictionary);
    if (!dictionary)
        return failed(streams, file, dictionary.error());
    const QString folder = parsed->first.value(QStringLiteral("--out"));
    const QString name = exportFileName(*kind, QFileInfo(file).fileName());
    if (dryRun) {
        // What would be written, and where: nothing is.
        const QJsonObject line{
            {QStringLiteral("file"), file},
            {QStringLiteral("output"), QDir(QFileInfo(folder).absoluteFilePath()).filePath(name)},
            {QStringLiteral("keys"), QJsonArray::fromStringList(dictionary->keys())}};
        std::fprintf(streams.out, "%s\n",
                     QJsonDocument(line).toJson(QJsonDocument::Compact).constData());
        return ExitAllWritten;
    }
    const auto written = writePropertyListFile(folder, name, dictionary.value());
    if (!written)
        return failed(streams, file, written.error());
    std::fprintf(streams.out, "%s\n", QFile::encodeName(written.value()).constData());
    return ExitAllWritten;
}

int exportTemplate(const QStringList& arguments, const CliStreams& streams) {
    static const QStringList names = {
        QStringLiteral("--out"),         QStringLiteral("--artist"),
        QStringLiteral("--description"), QStringLiteral("--copyright"),
        QStringLiteral("--make"),        QStringLiteral("--model"),
        QStringLiteral("--date"),        QStringLiteral("--comment"),
        QStringLiteral("--keywords"),    QStringLiteral("--gps-date"),
        QStringLiteral("--gps-time"),    QStringLiteral("--altitude"),
        QStringLiteral("--lat"),         QStringLiteral("--lon")};
    if (arguments.value(0) != QLatin1String("export"))
        return usage(streams, QStringLiteral("template takes export"));
    const auto parsed = options(arguments.mid(1), names);
    if (!parsed || !parsed->first.contains(QStringLiteral("--out")) || !parsed->second.isEmpty())
        return usage(streams, QStringLiteral("template export takes its fields and --out DIR"));
    const auto& v = parsed->first;
    EditFormFields fields;
    fields.artist = v.value(QStringLiteral("--artist"));
    fields.description = v.value(QStringLiteral("--description"));
    fields.copyright = v.value(QStringLiteral("--copyright"));
    fields.make = v.value(QStringLiteral("--make"));
    fields.model = v.value(QStringLiteral("--model"));
    fields.date = v.value(QStringLiteral("--date"));
    fields.comment = v.value(QStringLiteral("--comment"));
    fields.keywords = v.value(QStringLiteral("--keywords"));
    fields.gpsDate = v.value(QStringLiteral("--gps-date"));
    fields.gpsTime = v.value(QStringLiteral("--gps-time"));
    fields.altitude = v.value(QStringLiteral("--altitude"));
    fields.latitude = v.value(QStringLiteral("--lat"));
    fields.longitude = v.value(QStringLiteral("--lon"));
    const QString folder = v.value(QStringLiteral("--out"));
    const auto written =
        writePropertyListFile(folder, TemplateFileName, templateDictionary(fields));
    if (!written)
        return failed(streams, folder, written.error());
    std::fprintf(streams.out, "%s\n", QFile::encodeName(written.value()).constData());
    return ExitAllWritten;
}

} // namespace

int runTemplateCommand(const QString& command, const QStringList& arguments,
                       MetadataService& service, const CliStreams& streams) {
    if (command == QLatin1String("export"))
        return exportSets(arguments, service, streams);
    return exportTemplate(arguments, streams);
}
