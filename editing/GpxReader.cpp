#include "editing/StrictXmlReader.h"
#include "editing/TrackLogReaders.h"

namespace {

using Token = StrictXmlReader::Token;

// Reads one <trkpt>, <rtept> or <wpt> whose start was read last; false on a
// fault, which the reader then holds. A point without a time is not kept.
bool readPoint(StrictXmlReader& xml, TrackPoint* point, bool* timed) {
    const QString element = xml.name();
    const auto latText = xml.attribute(QLatin1StringView("lat"));
    const auto lonText = xml.attribute(QLatin1StringView("lon"));
    if (xml.failed())
        return false;
    const auto latitude = TrackText::number(latText.value_or(QByteArray()));
    const auto longitude = TrackText::number(lonText.value_or(QByteArray()));
    if (!latitude || !longitude)
        return xml.fail(QStringLiteral("<%1> without a numeric lat and lon").arg(element));
    *point = TrackPoint{0, latitude.value_or(0), longitude.value_or(0)};
    if (const QString fault = TrackText::positionFault(point->latitude, point->longitude);
        !fault.isEmpty())
        return xml.fail(QStringLiteral("<%1>: %2").arg(element, fault));
    *timed = false;
    Token token;
    while (xml.next(&token)) {
        if (token == Token::End)
            return true;
        if (xml.name() == QLatin1String("time")) {
            const auto text = xml.text();
            if (!text)
                return false;
            const auto msecs = TrackText::isoInstant(*text);
            if (!msecs)
                return xml.fail(QStringLiteral("\"%1\" is not a date and time")
                                    .arg(QString::fromUtf8(text->trimmed().left(40))));
            point->msecs = *msecs;
            *timed = true;
        } else if (xml.name() == QLatin1String("ele")) {
            const auto text = xml.text();
            if (!text)
                return false;
            const auto metres = TrackText::number(*text);
            if (!metres)
                return xml.fail(QStringLiteral("elevation \"%1\" is not a number")
                                    .arg(QString::fromUtf8(text->trimmed().left(40))));
            point->altitude = *metres;
        } else if (!xml.skip()) {
            return false;
        }
    }
    return false;
}

} // namespace

// Each track segment and each route is a segment; the timed waypoints make
// one more. Metadata and extensions are passed over.
Result<TrackLog> readGpx(StrictXmlReader& xml) {
    TrackLog log;
    log.format = QStringLiteral("GPX");
    TrackSegment waypoints;
    qint64 points = 0;
    int open = -1; // the segment being read
    Token token;
    while (xml.next(&token)) {
        const QLatin1StringView name = xml.name();
        if (token == Token::End) {
            if (name == QLatin1String("trkseg") || name == QLatin1String("rte") ||
                name == QLatin1String("trk"))
                open = -1;
            continue;
        }
        if (name == QLatin1String("trkseg") || name == QLatin1String("rte")) {
            log.segments.emplace_back();
            open = int(log.segments.size()) - 1;
        } else if (name == QLatin1String("trkpt") || name == QLatin1String("rtept") ||
                   name == QLatin1String("wpt")) {
            const bool waypoint = name == QLatin1String("wpt");
            TrackPoint point;
            bool timed = false;
            if (!readPoint(xml, &point, &timed))
                break;
            if (!timed)
                continue;
            if (++points > TrackLogLimits::MaxPoints) {
                xml.fail(QStringLiteral("more than %1 points").arg(TrackLogLimits::MaxPoints));
                break;
            }
            if (waypoint) {
                waypoints.push_back(point);
                continue;
            }
            if (open < 0) { // a point outside any segment starts one
                log.segments.emplace_back();
                open = int(log.segments.size()) - 1;
            }
            log.segments[size_t(open)].push_back(point);
        } else if (name != QLatin1String("trk") && xml.depth() > 1 && !xml.skip()) {
            break;
        }
    }
    if (xml.failed())
        return Result<TrackLog>::fail(xml.error());
    if (!waypoints.empty())
        log.segments.push_back(std::move(waypoints));
    return Result<TrackLog>::ok(std::move(log));
}
