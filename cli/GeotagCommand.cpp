#include "cli/GeotagCommand.h"

#include "cli/CommandLine.h"
#include "editing/GeotagOperation.h"

#include <cmath>

namespace {

// --track and --sync may be given more than once: taken out before the line
// is parsed, which keeps one value an option.
QStringList takeRepeated(QStringList& arguments, const QString& option, bool* missingValue) {
    QStringList values;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--"))
            break;
        if (arguments[i] != option)
            continue;
        if (i + 1 >= arguments.size()) {
            *missingValue = true;
            break;
        }
        values << arguments[i + 1];
        arguments.remove(i, 2);
        --i;
    }
    return values;
}

// Whole or fractional seconds, up to a year.
std::optional<qint64> readSeconds(const QString& text) {
    bool ok = false;
    const double seconds = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds < 0 || seconds > 366.0 * 86400)
        return std::nullopt;
    return std::llround(seconds * 1000);
}

} // namespace

int runGeotagCommand(const QStringList& given, MetadataService& service,
                     const CliStreams& streams) {
    QStringList arguments = given;
    bool missingValue = false;
    const QStringList tracks = takeRepeated(arguments, QStringLiteral("--track"), &missingValue);
    const QStringList syncs = takeRepeated(arguments, QStringLiteral("--sync"), &missingValue);
    if (missingValue)
        return usageError(streams, QStringLiteral("--track and --sync need a value"));
    const QString offset = QStringLiteral("--offset"), zone = QStringLiteral("--zone"),
                  maxGap = QStringLiteral("--max-gap"),
                  maxExtrapolate = QStringLiteral("--max-extrapolate");
    int exitCode = ExitUsage;
    const auto line =
        parseLine(QStringLiteral("geotag"), arguments, {offset, zone, maxGap, maxExtrapolate},
                  {QStringLiteral("--overwrite"), QStringLiteral("--speed-and-heading"),
                   QStringLiteral("--places")},
                  streams, &exitCode);
    if (!line)
        return exitCode;
    if (tracks.isEmpty())
        return usageError(streams, QStringLiteral("geotag needs --track FILE"));
    if (line->values.contains(offset) && !syncs.isEmpty())
        return usageError(streams, QStringLiteral("geotag takes --offset or --sync, not both"));

    GeotagSettings settings;
    settings.overwrite = line->flags.contains(QStringLiteral("--overwrite"));
    settings.speedAndHeading = line->flags.contains(QStringLiteral("--speed-and-heading"));
    if (line->flags.contains(QStringLiteral("--places"))) {
        auto loaded = Gazetteer::load(Gazetteer::defaultPath());
        if (!loaded) {
            std::fprintf(streams.err, "%s\n", loaded.error().toUtf8().constData());
            return ExitSomeSkipped;
        }
        settings.places = loaded.value();
    }
    if (line->values.contains(zone)) {
        const auto read = readZone(line->values.value(zone));
        if (!read)
            return usageError(streams, read.error());
        settings.zone = read.value();
    }
    if (line->values.contains(offset)) {
        const auto read = readClockOffset(line->values.value(offset));
        if (!read)
            return usageError(streams, read.error());
        settings.clock = ClockCorrection::fixed(read.value());
    }
    std::vector<SyncPoint> points;
    for (const QString& sync : syncs) {
        const auto read = readSyncPoint(sync, settings.zone);
        if (!read)
            return usageError(streams, read.error());
        points.push_back(read.value());
    }
    if (!points.empty())
        settings.clock = ClockCorrection::synced(std::move(points));
    for (const auto& [option, limit] :
         {std::pair{maxGap, &settings.limits.maxGap},
          std::pair{maxExtrapolate, &settings.limits.maxExtrapolation}}) {
        if (!line->values.contains(option))
            continue;
        const auto seconds = readSeconds(line->values.value(option));
        if (!seconds)
            return usageError(streams, QStringLiteral("%1 needs a number of seconds, not \"%2\"")
                                           .arg(option, line->values.value(option)));
        *limit = *seconds;
    }

    // A log that cannot be read is named with its fault; the others still count.
    std::vector<TrackLog> logs;
    bool trackFailed = false;
    for (const QString& path : tracks) {
        auto log = readTrackLog(path);
        if (!log) {
            std::fprintf(streams.err, "%s\n", log.error().toUtf8().constData());
            trackFailed = true;
            continue;
        }
        for (const QString& note : log->notes)
            reportSkipped(streams, path, QStringLiteral("warning: ") + note);
        logs.push_back(std::move(log).value());
    }
    const auto track = std::make_shared<const GpsTrack>(logs);
    const int result = runOverFiles(
        *line, line->positional, streams,
        [&](const auto& photos, const QString& storage, const auto& options) {
            return runGeotag(track, settings, photos, storage, service, options);
        },
        [&](const auto& photos, const QString& storage) {
            return previewGeotag(track, settings, photos, storage, service);
        });
    return trackFailed && result == ExitAllWritten ? ExitSomeSkipped : result;
}
