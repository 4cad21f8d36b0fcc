#include "editing/ClockCorrection.h"
#include "editing/GpsTrack.h"
#include "editing/PhotoClock.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimeZone>

#include <cmath>

#include <gtest/gtest.h>

namespace {

QByteArray gpxOf(const QByteArray& body) {
    return "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/"
           "1/1\">\n" +
           body + "</gpx>\n";
}

QByteArray point(const char* element, double lat, const char* time, const char* extra = "") {
    return QByteArray("<") + element + " lat=\"" + QByteArray::number(lat) + "\" lon=\"7\">" +
           extra + (time[0] ? QByteArray("<time>") + time + "</time>" : QByteArray()) + "</" +
           element + ">\n";
}

QByteArray nested(int depth) {
    return QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth);
}

} // namespace

TEST(TrackLog, readsEachFormatAndRefusesAFaultNamingTheFileAndTheLine) {
    const struct {
        const char* name;
        QByteArray text;
        QList<int> segments; // the points of each segment
        const char* failure; // or this, after the file's name
        double firstAltitude = NAN;
        const char* note = "";
        const char* format = "";
        qint64 lastMsecs = 0; // of the last point of the last segment
    } cases[] = {
        {"segments and waypoints",
         gpxOf(
             "<metadata><time>2020-01-01T00:00:00Z</time><extensions><a><b/></a></extensions>"
             "</metadata>" +
             point("wpt", 1, "2020-01-01T09:00:00Z") + point("wpt", 2, "") +
             point("wpt", 3, "2020-01-01T09:00:00+02:00") + "<trk><name>A &amp; B</name><trkseg>" +
             point("trkpt", 1, "2020-01-01T10:00:00Z", "<ele>12.5</ele>") + point("trkpt", 1, "") +
             point("trkpt", 2, "2020-01-01T10:00:01.5Z") + "</trkseg><trkseg>" +
             point("trkpt", 3, "2020-01-01T11:00:00Z") + "<!-- a <comment> --></trkseg></trk>"),
         {2, 1, 2},
         "",
         12.5},
        {"a route of GPX 1.0",
         "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\"><rte><name><![CDATA["
         "<x>]]></name>" +
             point("rtept", 1, "2020-01-01T10:00:00Z") + point("rtept", 2, "2020-01-01T10:01:00Z") +
             "</rte></gpx>",
         {2},
         ""},
        {"a gx:Track and timed placemarks",
         "<kml xmlns=\"http://www.opengis.net/kml/2.2\" xmlns:gx=\"http://www.google.com/kml/ext/"
         "2.2\"><Document><Placemark><gx:Track><altitudeMode>absolute</"
         "altitudeMode><when>2020-01-01T10:00:00Z</when><when>2020-01-01T"
         "10:00:05Z</when><gx:coord>7 45 300</gx:coord><gx:coord>7.1 45.1 310</gx:coord>"
         "</gx:Track></Placemark><Placemark><TimeStamp><when>2020-01-01T09:00:00Z</when>"
         "</TimeStamp><Point><coordinates> 7,45,2 </coordinates></Point></Placemark><Placemark>"
         "<Point><coordinates>7,45</coordinates></Point></Placemark></Document></kml>",
         {2, 1},
         "",
         300},
        // Without its altitude mode a placemark lies on the ground, whatever
        // height its coordinates give.
        {"a timed placemark of no altitude mode",
         "<kml><Placemark><TimeStamp><when>2020-01-01T09:00:00Z</when></TimeStamp><Point>"
         "<coordinates>7,45,2</coordinates></Point></Placemark></kml>",
         {1},
         ""},
        {"NMEA with a bad checksum, no fix and broken sentences",
         "$GPGGA,100000,4500.0000,N,00700.0000,E,1,08,0.9,250.5,M,,M,,*58\n"
         "$GPRMC,100000,A,4500.0000,N,00700.0000,E,0,0,010120,,,A*75\n"
         "$GPRMC,100001,A,4500.0000,N,00700.0000,E,0,0,010120,,,A*00\n"
         "$GPRMC,100002,V,4500.0000,N,00700.0000,E,0,0,010120,,,N*6F\n"
         "$GPGGA,10000X,4500.0000,N,00700.0000,E,1,08,0.9,250.5,M,,M,,*30\n"
         "$GPRMC,100003,A,4599.0000,N,00700.0000,E,0,0,010120,,,A*76\n"
         "garbage\n$GNRMC,100004.5,A,4500.0600,S,00700.1200,W,0,0,010120,,,A*7E\n",
         {2},
         "",
         250.5,
         "1 sentence with a bad checksum skipped (at line 3);2 malformed sentences skipped (the "
         "first at line 5: a GGA sentence with a bad time)"},
        {"a latitude that is no number",
         gpxOf("<trk><trkseg>\n<trkpt lat=\"north\" lon=\"7\"/>"),
         {},
         "line 4: <trkpt> without a numeric lat and lon"},
        {"a latitude out of range",
         gpxOf(point("wpt", 95, "2020-01-01T10:00:00Z")),
         {},
         "line 3: <wpt>: latitude 95 is outside -90 to 90"},
        {"a time that is no time",
         gpxOf("\n" + point("wpt", 1, "yesterday")),
         {},
         "line 4: \"yesterday\" is not a date and time"},
        {"tags that do not match",
         gpxOf("<trk><trkseg>\n<trkpt lat=\"1\" lon=\"2\"></trkseg>"),
         {},
         "line 4: </trkseg> where </trkpt> belongs"},
        {"a file cut short",
         gpxOf("<trk><trkseg>").chopped(7),
         {},
         "line 3: the document ends inside <trkseg>"},
        {"an end tag cut short", gpxOf("<trk>").chopped(3), {}, "line 3: </gp never closed"},
        {"a KML track of unequal lists",
         "<kml><gx:Track><when>2020-01-01T10:00:00Z</when><when>2020-01-01T10:00:00Z</when>\n"
         "<gx:coord>7 45 1</gx:coord></gx:Track></kml>",
         {},
         "line 2: a gx:Track with 2 <when> and 1 <gx:coord>"},
        {"no timed point", gpxOf(point("wpt", 1, "")), {}, "no point with a time"},
        {"an undeclared entity",
         gpxOf("<trk><name>&ent;</name></trk>"),
         {},
         "line 3: an entity reference (&ent;)"},
        {"an external entity",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY x SYSTEM \"file:///etc/passwd\">]>"
         "<gpx>&x;</gpx>",
         {},
         "line 3: the document type declares entities"},
        {"elements nested too deep",
         gpxOf(nested(70)),
         {},
         "line 3: elements nested deeper than 64 levels"},
        {"two documents", gpxOf("") + "<gpx/>", {}, "line 4: a second document element <gpx>"},
        // Past midnight the day after the header's; a fix without a GNSS
        // altitude has the pressure altitude.
        {"an IGC flight over midnight",
         "AXXX001 logger\r\nHFDTEDATE:010120,01\r\nHFPLTPILOT:someone\r\nI013638FXA\r\n"
         "B2359304500000N00700000EA0039000000010\r\nLXXX a comment\r\n"
         "B2359594500060S00700120WV0039500450010\r\nB0000304500120N00700240EA0040000460010\r\n"
         "G1A2B3C\r\n",
         {3},
         "",
         390,
         "",
         "IGC",
         1577923230000},
        {"a TCX activity of two tracks",
         "<?xml version=\"1.0\"?>\n<TrainingCenterDatabase "
         "xmlns=\"http://www.garmin.com/xmlschemas/"
         "TrainingCenterDatabase/v2\"><Activities><Activity Sport=\"Biking\"><Id>2020-01-01T10:00:"
         "00Z</Id><Lap StartTime=\"2020-01-01T10:00:00Z\"><TotalTimeSeconds>60</TotalTimeSeconds>"
         "<Track><Trackpoint><Time>2020-01-01T10:00:00Z</Time><Position><LatitudeDegrees>45"
         "</LatitudeDegrees><LongitudeDegrees>7</LongitudeDegrees></Position><AltitudeMeters>310.5"
         "</AltitudeMeters><HeartRateBpm><Value>120</Value></HeartRateBpm></Trackpoint><Trackpoint>"
         "<Time>2020-01-01T10:00:01Z</Time><HeartRateBpm><Value>121</Value></HeartRateBpm>"
         "</Trackpoint><Trackpoint><Position><LatitudeDegrees>45</LatitudeDegrees>"
         "<LongitudeDegrees>7</LongitudeDegrees></Position></Trackpoint><Trackpoint>"
         "<Time>2020-01-01T10:00:02Z</Time>"
         "<Position><LatitudeDegrees>45.1"
         "</LatitudeDegrees><LongitudeDegrees>7</LongitudeDegrees></Position></Trackpoint></Track>"
         "<Track><Trackpoint><Time>2020-01-01T10:01:00+01:00</Time><Position><LatitudeDegrees>45"
         "</LatitudeDegrees><LongitudeDegrees>7</LongitudeDegrees></Position></Trackpoint></Track>"
         "</Lap></Activity></Activities></TrainingCenterDatabase>",
         {2, 1},
         "",
         310.5,
         "",
         "TCX",
         1577869260000},
        {"a CSV of semicolons, quotes and decimal commas",
         "\xEF\xBB\xBF\"Date Time\";Lat;\"Longitude (deg)\";Speed;ELEVATION (ft)\r\n"
         "2020-01-01T10:00:00+01:00;45,5;7,25;3;1000\r\n\"2020-01-01 10:00:01Z\";45.5;7.25;3;\r\n"
         ";;;0;\r\n",
         {2},
         "",
         304.8,
         "1 row without a position skipped (at line 4)",
         "CSV",
         1577872801000},
        {"a CSV of epoch times",
         "timestamp,lng,lat,alt\n1577872800,7,45,\n1577872801500,7,45,12\n",
         {2},
         "",
         NAN,
         "",
         "CSV",
         1577872801500},
        {"an IGC B record with a bad altitude",
         "AXXX001\nHFDTE010120\n\nB1000004500000N00700000EA00100X0100\n",
         {},
         "line 4: a B record with a bad altitude"},
        {"an IGC B record before the date",
         "AXXX001\nB1000004500000N00700000EA0010000100\nHFDTE010120\n",
         {},
         "line 2: a B record before the HFDTE date header"},
        {"an IGC B record cut short",
         "HFDTE010120\nB1000004500000N00700000EA001\n",
         {},
         "line 2: a B record of 28 characters, fewer than 35"},
        {"an IGC latitude past the pole",
         "HFDTE010120\nB1000009500000N00700000EA0010000100\n",
         {},
         "line 2: a B record whose latitude 95 is outside -90 to 90"},
        {"a CSV without a latitude column",
         "time,lon,alt\n2020-01-01T10:00:00Z,7,1\n",
         {},
         "line 1: the header names no latitude column"},
        {"a CSV time without its zone",
         "time,lat,lon\n\n2020-01-01 10:00:00,45,7\n",
         {},
         "line 3: \"2020-01-01 10:00:00\" is neither a date and time with its zone nor seconds"},
        {"a CSV row of too few cells",
         "time,lat,lon\n2020-01-01T10:00:00Z,45\n",
         {},
         "line 2: 2 cells where the header names 3"},
        {"a CSV quote left open",
         "time,lat,lon\n\"2020-01-01T10:00:00Z,45,7\n",
         {},
         "line 2: a quote that is not closed"},
        {"a TCX time that is no time",
         "<TrainingCenterDatabase><Activities><Activity><Lap><Track><Trackpoint>\n<Time>noon"
         "</Time></Trackpoint></Track></Lap></Activity></Activities></TrainingCenterDatabase>",
         {},
         "line 2: \"noon\" is not a date and time"},
        {"a KML altitude mode that is none",
         "<kml><gx:Track>\n<altitudeMode>high</altitudeMode></gx:Track></kml>",
         {},
         "line 2: \"high\" is not an altitude mode"},
        {"an HTML page",
         "<html><body/></html>",
         {},
         "<html> is neither a GPX, a KML nor a TCX document"},
        {"text", "hello\nworld\n", {}, "neither XML nor NMEA sentences: not a track log"},
        {"UTF-16", QByteArray("\xFF\xFE<\0g\0", 6), {}, "UTF-16"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto log = parseTrackLog(c.text, QStringLiteral("log.txt"));
        if (c.failure[0]) {
            ASSERT_FALSE(log);
            EXPECT_TRUE(log.error().startsWith(QStringLiteral("log.txt: ") + c.failure))
                << qPrintable(log.error());
            continue;
        }
        ASSERT_TRUE(log) << qPrintable(log.error());
        QList<int> sizes;
        for (const TrackSegment& segment : log->segments)
            sizes << int(segment.size());
        EXPECT_EQ(sizes, c.segments);
        const double altitude = log->segments.front().front().altitude;
        EXPECT_TRUE(altitude == c.firstAltitude ||
                    (std::isnan(altitude) && std::isnan(c.firstAltitude)));
        EXPECT_EQ(log->notes.join(QLatin1Char(';')), QString(c.note));
        if (c.format[0]) {
            EXPECT_EQ(log->format, QString(c.format));
        }
        if (c.lastMsecs) {
            EXPECT_EQ(log->segments.back().back().msecs, c.lastMsecs);
        }
    }
}

TEST(TrackLog, refusesEntityBombsAtOnce) {
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [\n<!ENTITY lol \"lol\">\n";
    for (int i = 1; i < 10; ++i) {
        laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            laughs += "&lol" + (i > 1 ? QByteArray::number(i - 1) : QByteArray()) + ";";
        laughs += "\">\n";
    }
    const QByteArray bombs[] = {
        laughs + "]>\n<gpx><trk><name>&lol9;</name></trk></gpx>",
        // The same through parameter entities, and one huge value used often.
        "<!DOCTYPE gpx [<!ENTITY % a \"" + QByteArray("x").repeated(100000) +
            "\"><!ENTITY % b \"%a;%a;%a;%a;%a;%a;%a;%a;\">%b;]><gpx/>",
        "<!DOCTYPE gpx [<!ENTITY a \"" + QByteArray("x").repeated(1000000) + "\">]><gpx>" +
            QByteArray("&a;").repeated(100000) + "</gpx>",
    };
    for (const QByteArray& bomb : bombs) {
        QElapsedTimer clock;
        clock.start();
        const auto log = parseTrackLog(bomb, QStringLiteral("bomb.gpx"));
        EXPECT_LT(clock.elapsed(), 1000);
        ASSERT_FALSE(log);
        EXPECT_TRUE(log.error().contains(QStringLiteral("declares entities")))
            << qPrintable(log.error());
    }
}

TEST(GpsTrack, interpolatesWithinOneLogAndTheShortWayRound) {
    const auto at = [](int seconds) { return qint64(seconds) * 1000; };
    const auto log = [](std::vector<TrackPoint> points) {
        TrackLog made;
        made.segments.push_back(std::move(points));
        return made;
    };
    // A watch and a phone recording the same walk, their points interleaved:
    // the closer pair of points around the instant, the watch's, is taken.
    const GpsTrack overlapping({log({{at(70), 10, 20}, {at(90), 11, 20}}),
                                log({{at(30), 50, 50}, {at(60), 50, 50}, {at(130), 50, 50}})});
    const TrackFix watch = overlapping.locate(at(80), {});
    EXPECT_EQ(watch.kind, TrackFix::Kind::Interpolated);
    EXPECT_NEAR(watch.latitude, 10.5, 1e-12);
    EXPECT_NEAR(watch.longitude, 20, 1e-12);
    const GpsTrack dateLine({log({{at(0), 0, 179.9}, {at(10), 0, -179.7}})});
    EXPECT_NEAR(dateLine.locate(at(5), {}).longitude, -179.9, 1e-9);
    EXPECT_NEAR(dateLine.locate(at(5), {}).nearestMetres, 22239, 1);
}

TEST(ClockCorrection, readsOffsetsZonesAndSyncPoints) {
    EXPECT_EQ(readClockOffset("+01:02:03").value(), 3723000);
    EXPECT_EQ(readClockOffset("-0:00:05.5").value(), -5500);
    EXPECT_EQ(readClockOffset("1:20").value(), 80000);
    for (const char* bad : {"abc", "00:61:00", "1:2:3:4", ""})
        EXPECT_FALSE(readClockOffset(bad)) << bad;
    EXPECT_EQ(readZone("+05:30").value(), QTimeZone(19800));
    EXPECT_EQ(readZone("Europe/Rome").value(), QTimeZone("Europe/Rome"));
    EXPECT_FALSE(readZone("Mars/Olympus"));
    // A time alone is taken on the day nearest the photo: 00:00:30 after 23:59:00.
    const auto point = readSyncPoint("00:00:30@2020:01:01 23:59:00+00:00", std::nullopt);
    ASSERT_TRUE(point);
    EXPECT_EQ(point->offsetMsecs, 90000);
    // Drift: a minute behind at the first point, two at the second, and
    // onwards at that rate, before the first as after the last.
    const ClockCorrection drift = ClockCorrection::synced({{0, 60000}, {600000, 120000}});
    EXPECT_EQ(drift.offsetAt(300000), 90000);
    EXPECT_EQ(drift.offsetAt(1200000), 180000);
    EXPECT_EQ(drift.offsetAt(-300000), 30000);
}
