#include "editing/StrictXmlReader.h"
#include "editing/TrackLogReaders.h"

namespace {

using Token = StrictXmlReader::Token;

bool isNamed(const StrictXmlReader& xml, const char* name) {
    return xml.name() == QLatin1String(name);
}

// Up to `most` numbers separated by the separator (blanks around it allowed);
// nothing when there are more or one is not a number.
int numbers(QByteArrayView text, char separator, double* out, int most) {
    int count = 0;
    qsizetype from = 0;
    for (;;) {
        const qsizetype end = text.indexOf(separator, from);
        const QByteArrayView part = text.sliced(from, (end < 0 ? text.size() : end) - from);
        const auto value = TrackText::number(part);
        if (count == most || !value)
            return -1;
        out[count++] = value.value_or(0);
        if (end < 0)
            return count;
        from = end + 1;
    }
}

// "lon lat [alt]" in a gx:coord, "lon,lat[,alt]" in coordinates, where the
// first of several tuples is the point's position.
bool readCoordinate(StrictXmlReader& xml, QByteArrayView text, char separator, TrackPoint* point) {
    QByteArray tuple = text.trimmed().toByteArray();
    if (separator == ' ') {
        tuple = tuple.simplified();
    } else {
        const qsizetype blank = tuple.indexOf(' ') >= 0 ? tuple.indexOf(' ') : tuple.indexOf('\n');
        if (blank >= 0)
            tuple.truncate(blank);
    }
    double values[3] = {0, 0, std::numeric_limits<double>::quiet_NaN()};
    const int count = numbers(tuple, separator, values, 3);
    if (count < 2)
        return xml.fail(QStringLiteral("\"%1\" is not a longitude, latitude and altitude")
                            .arg(QString::fromUtf8(text.trimmed().toByteArray().left(60))));
    if (const QString fault = TrackText::positionFault(values[1], values[0]); !fault.isEmpty())
        return xml.fail(fault);
    point->longitude = values[0];
    point->latitude = values[1];
    point->altitude = values[2];
    return true;
}

bool readWhen(StrictXmlReader& xml, qint64* msecs) {
    const auto text = xml.text();
    if (!text)
        return false;
    const auto instant = TrackText::isoInstant(*text);
    if (!instant)
        return xml.fail(QStringLiteral("\"%1\" is not a date and time")
                            .arg(QString::fromUtf8(text->trimmed().left(40))));
    *msecs = *instant;
    return true;
}

// Whether an <altitudeMode> (or gx:altitudeMode) whose start was read last
// holds heights above sea level: only "absolute" does. Clamped to the ground
// or the sea floor the heights are not to be used, and relative ones are
// heights above the ground, which GPSAltitude is not.
bool readAltitudeMode(StrictXmlReader& xml, bool* absolute) {
    const auto text = xml.text();
    if (!text)
        return false;
    const QByteArray mode = text->trimmed();
    if (mode != "absolute" && mode != "clampToGround" && mode != "relativeToGround" &&
        mode != "clampToSeaFloor" && mode != "relativeToSeaFloor")
        return xml.fail(
            QStringLiteral("\"%1\" is not an altitude mode").arg(QString::fromUtf8(mode.left(40))));
    *absolute = mode == "absolute";
    return true;
}

// A gx:Track whose start was read last: its <when> and <gx:coord> lists,
// paired in order. Without an altitude mode of its own it has its
// gx:MultiTrack's, and without one clampToGround, the KML default.
bool readTrack(StrictXmlReader& xml, TrackLog& log, qint64* points, bool absolute) {
    std::vector<qint64> times;
    TrackSegment segment;
    Token token;
    while (xml.next(&token)) {
        if (token == Token::End) {
            if (times.size() != segment.size())
                return xml.fail(QStringLiteral("a gx:Track with %1 <when> and %2 <gx:coord>")
                                    .arg(times.size())
                                    .arg(segment.size()));
            for (size_t i = 0; i < times.size(); ++i) {
                segment[i].msecs = times[i];
                if (!absolute)
                    segment[i].altitude = std::numeric_limits<double>::quiet_NaN();
            }
            if (!segment.empty())
                log.segments.push_back(std::move(segment));
            return true;
        }
        if (isNamed(xml, "when")) {
            qint64 msecs = 0;
            if (!readWhen(xml, &msecs))
                return false;
            times.push_back(msecs);
            if (qint64(times.size()) > TrackLogLimits::MaxPoints)
                return xml.fail(
                    QStringLiteral("more than %1 points").arg(TrackLogLimits::MaxPoints));
        } else if (isNamed(xml, "altitudeMode")) {
            if (!readAltitudeMode(xml, &absolute))
                return false;
        } else if (isNamed(xml, "coord")) {
            const auto text = xml.text();
            TrackPoint point;
            if (!text || !readCoordinate(xml, *text, ' ', &point))
                return false;
            segment.push_back(point);
            if (++*points > TrackLogLimits::MaxPoints)
                return xml.fail(
                    QStringLiteral("more than %1 points").arg(TrackLogLimits::MaxPoints));
        } else if (!xml.skip()) {
            return false;
        }
    }
    return false;
}

} // namespace

// Each gx:Track is a segment; the placemarks with a time stamp and a point
// make one more. Altitudes are kept only where the altitude mode is absolute. Everything else is
// walked through or passed over.
Result<TrackLog> readKml(StrictXmlReader& xml) {
    TrackLog log;
    log.format = QStringLiteral("KML");
    TrackSegment placemarks;
    qint64 points = 0;
    // The placemark being read, and where in it the reader is.
    bool inPlacemark = false, inTimeStamp = false, inPoint = false, inMultiTrack = false;
    bool pointAbsolute = false, multiTrackAbsolute = false;
    qint64 when = 0;
    bool timed = false;
    std::optional<TrackPoint> position;
    Token token;
    while (xml.next(&token)) {
        if (token == Token::End) {
            if (isNamed(xml, "TimeStamp")) {
                inTimeStamp = false;
            } else if (isNamed(xml, "Point")) {
                inPoint = false;
            } else if (isNamed(xml, "MultiTrack")) {
                inMultiTrack = false;
            } else if (isNamed(xml, "Placemark") && inPlacemark) {
                inPlacemark = false;
                if (timed && position) {
                    position->msecs = when;
                    if (!pointAbsolute)
                        position->altitude = std::numeric_limits<double>::quiet_NaN();
                    placemarks.push_back(*position);
                }
            }
            continue;
        }
        if (isNamed(xml, "Track")) {
            if (!readTrack(xml, log, &points, inMultiTrack && multiTrackAbsolute))
                break;
        } else if (isNamed(xml, "MultiTrack")) {
            inMultiTrack = true;
            multiTrackAbsolute = false;
        } else if (isNamed(xml, "altitudeMode") && (inPoint || inMultiTrack)) {
            if (!readAltitudeMode(xml, inPoint ? &pointAbsolute : &multiTrackAbsolute))
                break;
        } else if (isNamed(xml, "Placemark")) {
            inPlacemark = true;
            timed = false;
            pointAbsolute = false;
            position.reset();
        } else if (isNamed(xml, "TimeStamp")) {
            inTimeStamp = inPlacemark;
        } else if (isNamed(xml, "Point")) {
            inPoint = inPlacemark;
        } else if (isNamed(xml, "when") && inTimeStamp) {
            qint64 msecs = 0;
            if (!readWhen(xml, &msecs))
                break;
            when = msecs;
            timed = true;
        } else if (isNamed(xml, "coordinates") && inPoint) {
            const auto text = xml.text();
            TrackPoint point;
            if (!text || !readCoordinate(xml, *text, ',', &point))
                break;
            position = point;
            if (++points > TrackLogLimits::MaxPoints) {
                xml.fail(QStringLiteral("more than %1 points").arg(TrackLogLimits::MaxPoints));
                break;
            }
        }
    }
    if (xml.failed())
        return Result<TrackLog>::fail(xml.error());
    if (!placemarks.empty())
        log.segments.push_back(std::move(placemarks));
    return Result<TrackLog>::ok(std::move(log));
}
