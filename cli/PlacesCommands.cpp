#include "cli/PlacesCommands.h"

#include "cli/CommandLine.h"
#include "editing/PhotoClock.h"
#include "editing/PlacesOperation.h"
#include "editing/ZoneOperation.h"

#include <cmath>

namespace {

// The gazetteer is read in this process, never by the worker: it is our own
// file, and the worker sees only photos.
std::shared_ptr<const Gazetteer> loadGazetteer(const CliStreams& streams) {
    auto loaded = Gazetteer::load(Gazetteer::defaultPath());
    if (!loaded) {
        std::fprintf(streams.err, "%s\n", loaded.error().toUtf8().constData());
        return nullptr;
    }
    return loaded.value();
}

} // namespace

int runPlacesCommand(const QStringList& arguments, MetadataService& service,
                     const CliStreams& streams) {
    const QString maxDistance = QStringLiteral("--max-distance"), lang = QStringLiteral("--lang");
    int exitCode = ExitUsage;
    const auto line = parseLine(QStringLiteral("places"), arguments, {maxDistance, lang},
                                {QStringLiteral("--overwrite")}, streams, &exitCode);
    if (!line)
        return exitCode;
    PlacesSettings settings;
    settings.overwrite = line->flags.contains(QStringLiteral("--overwrite"));
    settings.language = line->values.value(lang);
    if (line->values.contains(maxDistance)) {
        bool ok = false;
        const double km = line->values.value(maxDistance).trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(km) || km < 0 || km > 20040)
            return usageError(streams, QStringLiteral("--max-distance needs kilometres, not \"%1\"")
                                           .arg(line->values.value(maxDistance)));
        settings.maxDistanceKm = km;
    }
    const auto gazetteer = loadGazetteer(streams);
    if (!gazetteer)
        return ExitSomeSkipped;
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runPlaces(gazetteer, settings, photos, storage, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewPlaces(gazetteer, settings, photos, storage, service);
        });
}

int runDatesZoneCommand(const QStringList& arguments, MetadataService& service,
                        const CliStreams& streams) {
    const QString zone = QStringLiteral("--zone"), fromZone = QStringLiteral("--from-zone");
    const QString fromPosition = QStringLiteral("--from-position"),
                  keepWall = QStringLiteral("--keep-wall-time"),
                  keepInstant = QStringLiteral("--keep-instant");
    int exitCode = ExitUsage;
    const auto line = parseLine(QStringLiteral("dates zone"), arguments, {zone, fromZone},
                                {fromPosition, keepWall, keepInstant}, streams, &exitCode);
    if (!line)
        return exitCode;
    if (line->flags.contains(fromPosition) == line->values.contains(zone))
        return usageError(streams,
                          QStringLiteral("dates zone needs --from-position or --zone AREA/CITY"));
    if (line->flags.contains(keepWall) && line->flags.contains(keepInstant))
        return usageError(streams,
                          QStringLiteral("dates zone takes --keep-wall-time or --keep-instant"));
    ZoneSettings settings;
    settings.clock =
        line->flags.contains(keepInstant) ? ZoneClock::KeepInstant : ZoneClock::KeepWallTime;
    if (line->values.contains(fromZone)) {
        if (settings.clock != ZoneClock::KeepInstant)
            return usageError(streams, QStringLiteral("--from-zone goes with --keep-instant"));
        const auto read = readZone(line->values.value(fromZone));
        if (!read)
            return usageError(streams, read.error());
        settings.fromZone = read.value();
    }
    if (line->values.contains(zone)) {
        const auto read = readZone(line->values.value(zone));
        if (!read)
            return usageError(streams, read.error());
        settings.zone = read.value();
    } else {
        settings.gazetteer = loadGazetteer(streams);
        if (!settings.gazetteer)
            return ExitSomeSkipped;
    }
    return runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runZone(settings, photos, storage, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewZone(settings, photos, storage, service);
        });
}
