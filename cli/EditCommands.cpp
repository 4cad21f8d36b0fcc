#include "cli/EditCommands.h"

#include "cli/CommandLine.h"
#include "editing/EditFormOperation.h"
#include "editing/GpsOperations.h"

namespace {

int gpsSet(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    const QString lat = QStringLiteral("--lat"), lon = QStringLiteral("--lon"),
                  alt = QStringLiteral("--alt"), date = QStringLiteral("--date"),
                  time = QStringLiteral("--time");
    int exitCode = ExitUsage;
    const auto line = parseLine(QStringLiteral("gps set"), arguments, {lat, lon, alt, date, time},
                                {}, streams, &exitCode);
    if (!line)
        return exitCode;
    for (const QString& option : {lat, lon, date, time}) {
        if (!line->values.contains(option))
            return usageError(streams, QStringLiteral("gps set needs %1").arg(option));
    }
    const auto values =
        readGpsTexts({line->values.value(lat), line->values.value(lon), line->values.value(alt),
                      line->values.value(date), line->values.value(time)},
                     GpsDateRule::Required);
    if (!values)
        return usageError(streams, values.error());
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runGpsSet(values.value(), photos, storage, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewGpsSet(values.value(), photos, storage, service);
        });
}

int edit(const QStringList& arguments, MetadataService& service, const CliStreams& streams) {
    EditFormFields fields;
    const std::pair<QString, std::optional<QString> EditFormFields::*> options[] = {
        {QStringLiteral("--artist"), &EditFormFields::artist},
        {QStringLiteral("--description"), &EditFormFields::description},
        {QStringLiteral("--copyright"), &EditFormFields::copyright},
        {QStringLiteral("--make"), &EditFormFields::make},
        {QStringLiteral("--model"), &EditFormFields::model},
        {QStringLiteral("--date"), &EditFormFields::date},
        {QStringLiteral("--comment"), &EditFormFields::comment},
        {QStringLiteral("--keywords"), &EditFormFields::keywords},
        {QStringLiteral("--lat"), &EditFormFields::latitude},
        {QStringLiteral("--lon"), &EditFormFields::longitude},
        {QStringLiteral("--alt"), &EditFormFields::altitude},
        {QStringLiteral("--gps-date"), &EditFormFields::gpsDate},
        {QStringLiteral("--gps-time"), &EditFormFields::gpsTime},
        {QStringLiteral("--city"), &EditFormFields::city},
        {QStringLiteral("--state"), &EditFormFields::state},
        {QStringLiteral("--country"), &EditFormFields::country},
        {QStringLiteral("--country-code"), &EditFormFields::countryCode},
        {QStringLiteral("--title"), &EditFormFields::title},
        {QStringLiteral("--rating"), &EditFormFields::rating},
    };
    QStringList names;
    for (const auto& option : options)
        names << option.first;
    int exitCode = ExitUsage;
    const auto line = parseLine(QStringLiteral("edit"), arguments, names, {}, streams, &exitCode);
    if (!line)
        return exitCode;
    for (const auto& [name, field] : options) {
        if (line->values.contains(name))
            fields.*field = line->values.value(name);
    }
    // A position comes whole: latitude, longitude, GPS date and time.
    const QStringList position = names.mid(8, 5);
    const bool anyPosition = std::any_of(position.cbegin(), position.cend(), [&](const QString& n) {
        return line->values.contains(n);
    });
    if (anyPosition) {
        for (const QString& needed : {names[8], names[9], names[11], names[12]}) {
            if (!line->values.contains(needed))
                return usageError(
                    streams,
                    QStringLiteral("edit: a position needs --lat, --lon, --gps-date and --gps-time "
                                   "(%1 is missing)")
                        .arg(needed));
            if (line->values.value(needed).trimmed().isEmpty())
                return usageError(streams, QStringLiteral("edit: %1 is empty").arg(needed));
        }
    }
    if (line->values.isEmpty())
        return usageError(streams, QStringLiteral("edit needs at least one field to write"));
    const auto plan = editFormPlan(fields);
    if (!plan)
        return usageError(streams, plan.error());
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& batch) {
            return runEditForm(plan.value(), photos, storage, service, batch);
        },
        [&](const auto& photos, const QString& storage) {
            return previewEditForm(plan.value(), photos, storage, service);
        });
}

} // namespace

int runEditCommand(const QString& command, const QStringList& arguments, MetadataService& service,
                   const CliStreams& streams) {
    if (command == QLatin1String("edit"))
        return edit(arguments, service, streams);
    if (arguments.value(0) == QLatin1String("set"))
        return gpsSet(arguments.mid(1), service, streams);
    return usageError(streams, QStringLiteral("gps needs set"));
}
