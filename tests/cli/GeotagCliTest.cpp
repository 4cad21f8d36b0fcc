#include "cli/CliRun.h"
#include "cli/WalkTracks.h"
#include "support/TestPhotos.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTimeZone>

#include <cmath>
#include <optional>

#include <gtest/gtest.h>

using namespace Walk;

namespace {

// The camera's time of an instant, in the system zone or a given offset.
QString cameraTime(double seconds, int offsetSeconds, bool systemZone) {
    const QDateTime utc = Start.addMSecs(qint64(std::llround(seconds * 1000)));
    const QDateTime local =
        systemZone ? utc.toLocalTime() : utc.toTimeZone(QTimeZone(offsetSeconds));
    return local.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

struct Row {
    const char* name;
    const char* photo;   // the fixture copied
    double taken;        // seconds after 10:00 UTC, in GPS time
    const char* track;   // "gpx", "kml", "nmea", "igc", "tcx", "csv" or "kml-ground"
    const char* zone;    // "system", "given" (--zone +05:30) or the photo's "+02:00"
    double cameraBehind; // seconds the camera's clock is behind GPS time
    QStringList options; // of tessaview-cli geotag
    std::optional<QStringList> exiftool; // the same for exiftool -geotag, unless they differ
    double placedAt;                     // where along the walk, in seconds; NAN when skipped
    const char* message;                 // on standard error: why it is skipped, or a warning
    bool altitude = true;                // the track gives one
    bool motion = false;                 // --speed-and-heading: GPSSpeed and GPSTrack written
};

} // namespace

// Each photo is matched as a person would check by hand, and exiftool
// -geotag, given the same offset and limits, places the same photos at the
// same positions. Run under two TZ values: the system zone is the process's.
TEST(CliGeotag, placesPhotosAlongTheTrackAsExiftoolDoesAndSkipsTheRestWithTheReason) {
    const QStringList none;
    const QString systemSync1 = cameraTime(600 - 60, 0, true);
    const QString systemSync2 = cameraTime(1080 - 120, 0, true);
    const Row rows[] = {
        {"between_points", "Canon_40D.jpg", 330, "gpx", "system", 0, none, none, 330, ""},
        {"at_a_point", "Canon_40D.jpg", 420, "gpx", "system", 0, none, none, 420, ""},
        {"a_fraction_of_a_second", "Canon_40D.jpg", 330.5, "gpx", "+02:00", 0, none,
         QStringList{"-Geotime<SubSecDateTimeOriginal"}, 330.5, ""},
        {"in_a_hole_shorter_than_the_gap", "Canon_40D.jpg", 1500, "gpx", "system", 0, none, none,
         1500, ""},
        {"in_a_hole_longer_than_the_gap",
         "Canon_40D.jpg",
         1500,
         "gpx",
         "system",
         0,
         {"--max-gap", "600"},
         QStringList{"-api", "GeoMaxIntSecs=600"},
         NAN,
         "5 minutes from the nearest track point, in a gap of 11 minutes"},
        // exiftool interpolates across the boundary of two segments of one file.
        {"between_segments",
         "Canon_40D.jpg",
         2700,
         "gpx",
         "system",
         0,
         {"--max-gap", "3600"},
         std::nullopt,
         NAN,
         "15 minutes from the nearest track point, in a gap of 30 minutes"},
        {"before_the_start_within_reach",
         "Canon_40D.jpg",
         -60,
         "gpx",
         "system",
         0,
         {"--max-extrapolate", "120"},
         QStringList{"-api", "GeoMaxExtSecs=120"},
         0,
         ""},
        {"before_the_start", "Canon_40D.jpg", -60, "gpx", "system", 0, none, none, NAN,
         "1 minute before the track starts"},
        {"after_the_end", "Canon_40D.jpg", 6120, "gpx", "system", 0, none, none, NAN,
         "12 minutes after the track ends"},
        {"own_zone_over_the_given",
         "Canon_40D.jpg",
         330,
         "gpx",
         "+02:00",
         0,
         {"--zone", "-03:00"},
         QStringList{"-Geotime<SubSecDateTimeOriginal"},
         330,
         ""},
        {"given_zone",
         "Canon_40D.jpg",
         330,
         "gpx",
         "given",
         0,
         {"--zone", "+05:30"},
         QStringList{"-Geotime<${DateTimeOriginal}+05:30"},
         330,
         ""},
        {"a_slow_camera",
         "Canon_40D.jpg",
         600,
         "gpx",
         "system",
         300,
         {"--offset", "00:05:00"},
         QStringList{"-geosync=+00:05:00"},
         600,
         ""},
        // Set against GPS at 10:10 (a minute behind) and 10:18 (two): 90 seconds at 10:14.
        {"a_drifting_camera",
         "Canon_40D.jpg",
         840,
         "gpx",
         "system",
         90,
         {"--sync", cameraTime(600, 0, true) + "@" + systemSync1, "--sync",
          cameraTime(1080, 0, true) + "@" + systemSync2},
         QStringList{"-geosync=" + cameraTime(600, 0, true) + "@" + systemSync1,
                     "-geosync=" + cameraTime(1080, 0, true) + "@" + systemSync2},
         840,
         ""},
        {"kml", "Canon_40D.jpg", 330, "kml", "system", 0, none, none, 330, ""},
        {"kml_on_the_ground", "Canon_40D.jpg", 330, "kml-ground", "system", 0, none, std::nullopt,
         330, "", false},
        {"igc", "Canon_40D.jpg", 330, "igc", "system", 0, none, none, 330, ""},
        {"tcx", "Canon_40D.jpg", 330, "tcx", "system", 0, none, none, 330, ""},
        {"tcx_second_track", "Canon_40D.jpg", 4530, "tcx", "system", 0, none, none, 4530, ""},
        {"csv_across_a_row_without_altitude", "Canon_40D.jpg", 330, "csv", "system", 0, none,
         std::nullopt, 330, ""},
        // North 0.001 degrees and east 0.002 a minute at 45 degrees north:
        // 111.195 metres and 157.238 on the flat, 11.555 km/h at 54.73 degrees.
        {"speed_and_heading",
         "Canon_40D.jpg",
         330,
         "gpx",
         "system",
         0,
         {"--speed-and-heading"},
         none,
         330,
         "",
         true,
         true},
        {"nmea", "Canon_40D.jpg", 330, "nmea", "system", 0, none, none, 330,
         "1 sentence with a bad checksum skipped (at line 27)"},
        // exiftool takes a sentence whose checksum is wrong.
        {"nmea_bad_checksum", "Canon_40D.jpg", 750, "nmea", "system", 0, none, std::nullopt, 750,
         ""},
        // exiftool replaces a position unasked.
        {"placed_already", "DSCN0010.jpg", 330, "gpx", "system", 0, none, std::nullopt, NAN,
         "already has a position"},
        {"placed_already_overwritten",
         "DSCN0010.jpg",
         330,
         "gpx",
         "system",
         0,
         {"--overwrite"},
         none,
         330,
         ""},
    };
    TestFolder folder;
    const QMap<QString, QString> tracks = {
        {"gpx", folder.writeFile("walk.gpx", gpx())},
        {"kml", folder.writeFile("walk.kml", kml(true))},
        {"nmea", folder.writeFile("walk.nmea", nmea())},
        {"igc", folder.writeFile("walk.igc", igc())},
        {"tcx", folder.writeFile("walk.tcx", tcx())},
        {"csv", folder.writeFile("walk.csv", csv())},
        {"kml-ground", folder.writeFile("ground.kml", kml(false))},
    };
    // Every photo's camera time written by exiftool in one run.
    QStringList arguments;
    for (const Row& row : rows) {
        const QString photo = folder.copyPhoto(row.photo, QString(row.name) + ".jpg");
        const double camera = row.taken - row.cameraBehind;
        const bool own = row.zone[0] == '+';
        arguments << "-DateTimeOriginal=" +
                         cameraTime(camera, own ? 7200 : 19800, QString(row.zone) == "system");
        if (own)
            arguments << QStringLiteral("-OffsetTimeOriginal=") + row.zone;
        if (const double fraction = camera - std::floor(camera); fraction > 0)
            arguments << "-SubSecTimeOriginal=" + QString::number(fraction).mid(2);
        arguments << photo << "-execute";
    }
    runTool("exiftool", QStringList{"-q", "-q", "-overwrite_original"} + arguments);

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString photo = folder.file(QString(row.name) + ".jpg");
        const QString out = folder.file(QStringLiteral("out-") + row.name);
        const CliRun run = cli(QStringList{"geotag", "--track", tracks[row.track]} + row.options +
                               QStringList{"--out", out, photo});
        const bool placed = !std::isnan(row.placedAt);
        EXPECT_EQ(run.exitCode, placed ? 0 : 1) << qPrintable(run.err);
        const QJsonObject ours = exiftoolRead(out + "/" + row.name + ".jpg");
        if (placed) {
            EXPECT_NEAR(ours.value("GPS:GPSLatitude").toDouble(), latitudeAt(row.placedAt), 1e-6);
            EXPECT_NEAR(ours.value("GPS:GPSLongitude").toDouble(), longitudeAt(row.placedAt), 1e-6);
            if (row.altitude) {
                EXPECT_NEAR(ours.value("GPS:GPSAltitude").toDouble(), 100 + row.placedAt / 60,
                            1e-3);
            } else {
                EXPECT_FALSE(ours.contains("GPS:GPSAltitude"));
            }
            EXPECT_EQ(ours.contains("GPS:GPSSpeed"), row.motion);
            EXPECT_EQ(ours.contains("GPS:GPSTrack"), row.motion);
            if (row.motion) {
                EXPECT_NEAR(ours.value("GPS:GPSSpeed").toDouble(), 11.555, 0.001);
                EXPECT_EQ(ours.value("GPS:GPSSpeedRef").toString(), "K");
                EXPECT_NEAR(ours.value("GPS:GPSTrack").toDouble(), 54.733, 0.002);
                EXPECT_EQ(ours.value("GPS:GPSTrackRef").toString(), "T");
            }
            const double fraction = row.taken - std::floor(row.taken);
            EXPECT_EQ(ours.value("GPS:GPSTimeStamp").toString(),
                      Start.addSecs(qint64(row.taken)).toString("HH:mm:ss") +
                          (fraction > 0 ? QString::number(fraction).mid(1) : QString()));
            EXPECT_EQ(ours.value("GPS:GPSDateStamp").toString(), "2008:05:30");
            EXPECT_EQ(jpegImageData(fileBytes(out + "/" + row.name + ".jpg")),
                      jpegImageData(fileBytes(photo)));
        } else {
            EXPECT_FALSE(QFileInfo::exists(out)) << "a run that writes nothing leaves no folder";
        }
        EXPECT_TRUE(run.err.contains(row.message)) << qPrintable(run.err);
        if (!row.exiftool)
            continue;
        const QString theirs = folder.file(QStringLiteral("exiftool-") + row.name + ".jpg");
        runTool("exiftool",
                QStringList{"-q", "-q", "-geotag", tracks[row.track], "-api", "GeoMaxExtSecs=0"} +
                    *row.exiftool + QStringList{"-o", theirs, photo});
        const QJsonObject tags = exiftoolRead(theirs);
        EXPECT_EQ(tags.contains("GPS:GPSLatitude"), placed);
        if (placed) {
            EXPECT_NEAR(tags.value("GPS:GPSLatitude").toDouble(),
                        ours.value("GPS:GPSLatitude").toDouble(), 1e-6);
            EXPECT_NEAR(tags.value("GPS:GPSLongitude").toDouble(),
                        ours.value("GPS:GPSLongitude").toDouble(), 1e-6);
        }
    }
}

TEST(CliGeotag, aDryRunShowsTheMatchAndARefusedTrackIsNamedWithItsLine) {
    TestFolder folder;
    const QString photo = folder.copyPhoto("Canon_40D.jpg");
    runTool("exiftool", {"-q", "-q", "-overwrite_original",
                         "-DateTimeOriginal=" + cameraTime(330, 0, true), photo});
    const QString walk = folder.writeFile("walk.gpx", gpx());
    const QString broken =
        folder.writeFile("broken.gpx", "<gpx>\n<wpt lat=\"1\" lon=\"2\">\n<time>noon</time>");
    const QString out = folder.file("out");
    const CliRun run =
        cli({"geotag", "--track", walk, "--track", broken, "--dry-run", "--out", out, photo});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.startsWith(broken + ": line 3: \"noon\" is not a date and time"))
        << qPrintable(run.err);
    const QJsonObject line = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(line.value("matchedTime").toString(), "2008-05-30T10:05:30Z");
    EXPECT_NEAR(line.value("nearestPointMetres").toDouble(), 96.3, 0.1);
    EXPECT_EQ(line.value("nearestPointSeconds").toDouble(), 30);
    EXPECT_TRUE(line.value("time").toString().contains("(the system zone"));
    EXPECT_FALSE(line.value("changes").toArray().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(out));
    // Asked for, the new position names its place too (the walk is in Piedmont).
    const QString named = folder.file("named");
    ASSERT_EQ(cli({"geotag", "--track", walk, "--places", "--out", named, photo}).exitCode, 0);
    const QJsonObject placed = exiftoolRead(named + "/Canon_40D.jpg");
    EXPECT_EQ(placed.value("XMP-iptcCore:CountryCode").toString(), "IT");
    EXPECT_EQ(placed.value("XMP-photoshop:Country").toString(), "Italy");
    EXPECT_EQ(placed.value("XMP-photoshop:State").toString(), "Piedmont");
    // A real run that places nothing takes away the folders it made, and
    // never one that was there before.
    const QString existing = folder.file("existing");
    ASSERT_TRUE(QDir().mkpath(existing));
    for (const QString& into : {folder.file("new/deeper"), existing}) {
        const CliRun nothing = cli({"geotag", "--track", broken, "--out", into, photo});
        EXPECT_EQ(nothing.exitCode, 1);
        EXPECT_TRUE(nothing.err.contains("no track log with timed points"))
            << qPrintable(nothing.err);
    }
    EXPECT_FALSE(QFileInfo::exists(folder.file("new")));
    EXPECT_TRUE(QFileInfo(existing).isDir());

    for (const QStringList& wrong :
         {QStringList{"--offset", "1:00", "--sync", "10:00:00@2008:05:30 10:00:00"},
          QStringList{"--zone", "Mars/Olympus"}, QStringList{"--max-gap", "-5"},
          QStringList{"--sync", "10:00:00"}}) {
        SCOPED_TRACE(qPrintable(wrong.join(' ')));
        EXPECT_EQ(
            cli(QStringList{"geotag", "--track", walk} + wrong + QStringList{"--out", out, photo})
                .exitCode,
            2);
    }
    EXPECT_EQ(cli({"geotag", "--out", out, photo}).exitCode, 2);
}
