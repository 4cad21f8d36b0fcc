#include "cli/WalkTracks.h"

#include <QTimeZone>

#include <cmath>

namespace Walk {

const QDateTime Start(QDate(2008, 5, 30), QTime(10, 0), QTimeZone::utc());
const QList<QList<int>> Segments = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 30},
    {60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75,
     76, 77, 78, 79, 80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90}};

double latitudeAt(double seconds) {
    return 45 + seconds / 60 * 0.001;
}
double longitudeAt(double seconds) {
    return 7 + seconds / 60 * 0.002;
}

QByteArray gpx() {
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" "
                      "creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk>";
    for (const QList<int>& segment : Segments) {
        text += "<trkseg>\n";
        for (int m : segment)
            text += QStringLiteral("<trkpt lat=\"%1\" lon=\"%2\"><ele>%3</ele><time>%4</time>"
                                   "</trkpt>\n")
                        .arg(latitudeAt(m * 60), 0, 'f', 6)
                        .arg(longitudeAt(m * 60), 0, 'f', 6)
                        .arg(100 + m)
                        .arg(Start.addSecs(m * 60).toString(Qt::ISODate))
                        .toUtf8();
        text += "</trkseg>";
    }
    return text + "</trk></gpx>\n";
}

// The first segment as a gx:Track, its heights above sea level or, as KML
// takes a track without its mode, clamped to the ground.
QByteArray kml(bool absolute) {
    QByteArray whens, coords;
    for (int m : Segments[0]) {
        whens += "<when>" + Start.addSecs(m * 60).toString(Qt::ISODate).toUtf8() + "</when>\n";
        coords += QStringLiteral("<gx:coord>%1 %2 %3</gx:coord>\n")
                      .arg(longitudeAt(m * 60), 0, 'f', 6)
                      .arg(latitudeAt(m * 60), 0, 'f', 6)
                      .arg(100 + m)
                      .toUtf8();
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/"
           "2.2\" xmlns:gx=\"http://www.google.com/kml/ext/2.2\"><Document><Placemark>"
           "<gx:Track>\n" +
           QByteArray(absolute ? "<altitudeMode>absolute</altitudeMode>\n" : "") + whens + coords +
           "</gx:Track></Placemark></Document></kml>\n";
}

// The first segment as IGC B records, the pressure altitude 30 metres off
// the GNSS one, which is taken.
QByteArray igc() {
    const auto minutes = [](double degrees, int width) {
        const qint64 thousandths = std::llround(degrees * 60000);
        return QByteArray::number(thousandths / 60000).rightJustified(width, '0') +
               QByteArray::number(thousandths % 60000).rightJustified(5, '0');
    };
    QByteArray text = "AXXX001 test\r\nHFDTEDATE:300508,01\r\nI013638FXA\r\n";
    for (int m : Segments[0])
        text += "B" + Start.addSecs(m * 60).toString("HHmmss").toLatin1() +
                minutes(latitudeAt(m * 60), 2) + "N" + minutes(longitudeAt(m * 60), 3) + "EA" +
                QByteArray::number(70 + m).rightJustified(5, '0') +
                QByteArray::number(100 + m).rightJustified(5, '0') + "010\r\n";
    return text;
}

// Both segments, a Track each, in a lap each.
QByteArray tcx() {
    QByteArray text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TrainingCenterDatabase "
                      "xmlns=\"http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2\">"
                      "<Activities><Activity Sport=\"Other\"><Id>2008-05-30T10:00:00Z</Id>\n";
    for (const QList<int>& segment : Segments) {
        text += "<Lap StartTime=\"" +
                Start.addSecs(segment[0] * 60).toString(Qt::ISODate).toUtf8() + "\"><Track>\n";
        for (int m : segment)
            text += QStringLiteral("<Trackpoint><Time>%1</Time><Position><LatitudeDegrees>%2"
                                   "</LatitudeDegrees><LongitudeDegrees>%3</LongitudeDegrees>"
                                   "</Position><AltitudeMeters>%4</AltitudeMeters></Trackpoint>\n")
                        .arg(Start.addSecs(m * 60).toString(Qt::ISODate))
                        .arg(latitudeAt(m * 60), 0, 'f', 6)
                        .arg(longitudeAt(m * 60), 0, 'f', 6)
                        .arg(100 + m)
                        .toUtf8();
        text += "</Track></Lap>\n";
    }
    return text + "</Activity></Activities></TrainingCenterDatabase>\n";
}

// The first segment as a phone logger writes it: semicolons, quoted names
// in another order, times two hours east of UTC, and no altitude at 10:05,
// which the points around it give.
QByteArray csv() {
    QByteArray text = "\"Elevation (m)\";\"Date Time\";Longitude;Latitude;Accuracy\r\n";
    for (int m : Segments[0])
        text += (m == 5 ? QByteArray() : QByteArray::number(100 + m)) + ";\"" +
                Start.addSecs(m * 60).toOffsetFromUtc(7200).toString(Qt::ISODate).toUtf8() + "\";" +
                QByteArray::number(longitudeAt(m * 60), 'f', 6) + ";" +
                QByteArray::number(latitudeAt(m * 60), 'f', 6) + ";5\r\n";
    return text;
}

namespace {

QByteArray sentence(const QByteArray& body) {
    int sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    return "$" + body + "*" + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

} // namespace

// The first segment as GGA and RMC sentences, and among them an RMC with a
// bad checksum at 10:12:30 that would put a photo far away.
QByteArray nmea() {
    QByteArray text;
    for (int m : Segments[0]) {
        const QDateTime when = Start.addSecs(m * 60);
        const double lat = latitudeAt(m * 60), lon = longitudeAt(m * 60);
        const QByteArray time = when.toString(QStringLiteral("HHmmss")).toLatin1();
        const QByteArray latText = QByteArray::number(45 * 100 + (lat - 45) * 60, 'f', 4);
        const QByteArray lonText = "00" + QByteArray::number(7 * 100 + (lon - 7) * 60, 'f', 4);
        text += sentence("GPGGA," + time + "," + latText + ",N," + lonText + ",E,1,08,0.9," +
                         QByteArray::number(100 + m) + ",M,47.0,M,,");
        text +=
            sentence("GPRMC," + time + ",A," + latText + ",N," + lonText + ",E,0.0,0.0,300508,,,A");
        if (m == 12)
            text += "$GPRMC,101230,A,1000.0000,S,02000.0000,W,0.0,0.0,300508,,,A*00\r\n";
    }
    return text;
}

} // namespace Walk
