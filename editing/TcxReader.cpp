#include "editing/StrictXmlReader.h"
#include "editing/TrackLogReaders.h"

namespace {

using Token = StrictXmlReader::Token;

bool isNamed(const StrictXmlReader& xml, const char* name) {
    return xml.name() == QLatin1String(name);
}

// The number in the element whose start was read last.
bool readNumber(StrictXmlReader& xml, double* value) {
    const QString element = xml.name();
    const auto text = xml.text();
    if (!text)
        return false;
    const auto number = TrackText::number(*text);
    if (!number)
        return xml.fail(QStringLiteral("<%1> \"%2\" is not a number")
                            .arg(element, QString::fromUtf8(text->trimmed().left(40))));
    *value = *number;
    return true;
}

bool readPosition(StrictXmlReader& xml, TrackPoint* point) {
    bool latitude = false, longitude = false;
    Token token;
    while (xml.next(&token)) {
        if (token == Token::End) {
            if (!latitude || !longitude)
                return xml.fail(
                    QStringLiteral("a <Position> without LatitudeDegrees and LongitudeDegrees"));
            if (const QString fault = TrackText::positionFault(point->latitude, point->longitude);
                !fault.isEmpty())
                return xml.fail(QStringLiteral("<Position>: %1").arg(fault));
            return true;
        }
        if (isNamed(xml, "LatitudeDegrees")) {
            if (!readNumber(xml, &point->latitude))
                return false;
            latitude = true;
        } else if (isNamed(xml, "LongitudeDegrees")) {
            if (!readNumber(xml, &point->longitude))
                return false;
            longitude = true;
        } else if (!xml.skip()) {
            return false;
        }
    }
    return false;
}

// A <Trackpoint> whose start was read last. One without a time or a
// position (a heart rate with the receiver off) is not kept.
bool readTrackpoint(StrictXmlReader& xml, TrackPoint* point, bool* kept) {
    bool timed = false, placed = false;
    *point = TrackPoint{};
    Token token;
    while (xml.next(&token)) {
        if (token == Token::End) {
            *kept = timed && placed;
            return true;
        }
        if (isNamed(xml, "Time")) {
            const auto text = xml.text();
            if (!text)
                return false;
            const auto msecs = TrackText::isoInstant(*text);
            if (!msecs)
                return xml.fail(QStringLiteral("\"%1\" is not a date and time")
                                    .arg(QString::fromUtf8(text->trimmed().left(40))));
            point->msecs = *msecs;
            timed = true;
        } else if (isNamed(xml, "Position")) {
            if (!readPosition(xml, point))
                return false;
            placed = true;
        } else if (isNamed(xml, "AltitudeMeters")) {
            if (!readNumber(xml, &point->altitude))
                return false;
        } else if (!xml.skip()) {
            return false;
        }
    }
    return false;
}

bool readTrack(StrictXmlReader& xml, TrackLog& log, qint64* points) {
    TrackSegment segment;
    Token token;
    while (xml.next(&token)) {
        if (token == Token::End) {
            if (!segment.empty())
                log.segments.push_back(std::move(segment));
            return true;
        }
        if (!isNamed(xml, "Trackpoint")) {
            if (!xml.skip())
                return false;
            continue;
        }
        TrackPoint point;
        bool kept = false;
        if (!readTrackpoint(xml, &point, &kept))
            return false;
        if (!kept)
            continue;
        if (++*points > TrackLogLimits::MaxPoints)
            return xml.fail(QStringLiteral("more than %1 points").arg(TrackLogLimits::MaxPoints));
        segment.push_back(point);
    }
    return false;
}

} // namespace

// Each <Track> of an activity's laps or of a course is a segment: a device
// starts a new one where it was paused. Everything else is walked through.
Result<TrackLog> readTcx(StrictXmlReader& xml) {
    TrackLog log;
    log.format = QStringLiteral("TCX");
    qint64 points = 0;
    Token token;
    while (xml.next(&token)) {
        if (token == Token::Start && isNamed(xml, "Track") && !readTrack(xml, log, &points))
            break;
    }
    if (xml.failed())
        return Result<TrackLog>::fail(xml.error());
    return Result<TrackLog>::ok(std::move(log));
}
