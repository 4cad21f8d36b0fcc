#include "editing/GpsTrack.h"

#include <algorithm>
#include <cmath>

double distanceMetres(double latitude1, double longitude1, double latitude2, double longitude2) {
    constexpr double earthRadius = 6371008.8;
    constexpr double radians = M_PI / 180;
    const double dLatitude = (latitude2 - latitude1) * radians;
    const double dLongitude = (longitude2 - longitude1) * radians;
    const double a = std::pow(std::sin(dLatitude / 2), 2) +
                     std::cos(latitude1 * radians) * std::cos(latitude2 * radians) *
                         std::pow(std::sin(dLongitude / 2), 2);
    return 2 * earthRadius * std::asin(std::min(1.0, std::sqrt(a)));
}

double bearingDegrees(double latitude1, double longitude1, double latitude2, double longitude2) {
    constexpr double radians = M_PI / 180;
    const double phi1 = latitude1 * radians, phi2 = latitude2 * radians;
    const double dLongitude = (longitude2 - longitude1) * radians;
    const double y = std::sin(dLongitude) * std::cos(phi2);
    const double x =
        std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * std::cos(phi2) * std::cos(dLongitude);
    const double degrees = std::atan2(y, x) / radians;
    // A hair west of north is 359.99..., which may round up to a full turn.
    const double turned = degrees < 0 ? degrees + 360 : degrees;
    return turned >= 360 ? 0 : turned;
}

QString durationText(qint64 msecs) {
    const qint64 seconds = std::llround(std::fabs(double(msecs)) / 1000);
    auto count = [](qint64 n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    if (seconds < 60)
        return count(seconds, "second", "seconds");
    if (seconds < 3600)
        return count(seconds / 60, "minute", "minutes");
    if (seconds < 86400) {
        const qint64 minutes = seconds / 60 % 60;
        return count(seconds / 3600, "hour", "hours") +
               (minutes ? QLatin1Char(' ') + count(minutes, "minute", "minutes") : QString());
    }
    const qint64 hours = seconds / 3600 % 24;
    return count(seconds / 86400, "day", "days") +
           (hours ? QLatin1Char(' ') + count(hours, "hour", "hours") : QString());
}

namespace {

// A log that misses the altitude of some fixes (an NMEA fix without its GGA,
// a row with an empty cell) still has one between the fixes around them.
void fillAltitudes(TrackSegment& segment) {
    std::optional<size_t> last;
    for (size_t j = 0; j < segment.size(); ++j) {
        if (!segment[j].hasAltitude())
            continue;
        if (last && j > *last + 1) {
            const TrackPoint& a = segment[*last];
            const TrackPoint& b = segment[j];
            for (size_t i = *last + 1; i < j; ++i) {
                const double f = b.msecs == a.msecs ? 0
                                                    : double(segment[i].msecs - a.msecs) /
                                                          double(b.msecs - a.msecs);
                segment[i].altitude = a.altitude + f * (b.altitude - a.altitude);
            }
        }
        last = j;
    }
}

} // namespace

GpsTrack::GpsTrack(const std::vector<TrackLog>& logs) {
    for (const TrackLog& log : logs) {
        for (const TrackSegment& segment : log.segments) {
            if (segment.empty())
                continue;
            TrackSegment sorted = segment;
            std::stable_sort(
                sorted.begin(), sorted.end(),
                [](const TrackPoint& a, const TrackPoint& b) { return a.msecs < b.msecs; });
            fillAltitudes(sorted);
            m_segments.push_back(std::move(sorted));
        }
    }
    for (size_t s = 0; s < m_segments.size(); ++s) {
        for (size_t i = 0; i < m_segments[s].size(); ++i)
            m_order.push_back({m_segments[s][i].msecs, int(s), int(i)});
    }
    std::stable_sort(m_order.begin(), m_order.end(),
                     [](const Entry& a, const Entry& b) { return a.msecs < b.msecs; });
}

namespace {

void setMotion(TrackFix& fix, const TrackPoint& a, const TrackPoint& b) {
    const double metres = distanceMetres(a.latitude, a.longitude, b.latitude, b.longitude);
    fix.speedKmh = metres / (double(b.msecs - a.msecs) / 1000) * 3.6;
    if (metres > 0)
        fix.trackDegrees = bearingDegrees(a.latitude, a.longitude, b.latitude, b.longitude);
}

TrackFix pointFix(const TrackPoint& point, qint64 msecs) {
    TrackFix fix;
    fix.kind = TrackFix::Kind::Point;
    fix.latitude = point.latitude;
    fix.longitude = point.longitude;
    if (point.hasAltitude())
        fix.altitude = point.altitude;
    fix.nearestMsecs = std::llabs(msecs - point.msecs);
    return fix;
}

TrackFix interpolate(const TrackPoint& a, const TrackPoint& b, qint64 msecs) {
    const double f = double(msecs - a.msecs) / double(b.msecs - a.msecs);
    TrackFix fix;
    fix.kind = TrackFix::Kind::Interpolated;
    fix.latitude = a.latitude + f * (b.latitude - a.latitude);
    // Across the antimeridian the short way round, not across the world.
    double dLongitude = b.longitude - a.longitude;
    if (dLongitude > 180)
        dLongitude -= 360;
    else if (dLongitude < -180)
        dLongitude += 360;
    fix.longitude = a.longitude + f * dLongitude;
    if (fix.longitude > 180)
        fix.longitude -= 360;
    else if (fix.longitude < -180)
        fix.longitude += 360;
    if (a.hasAltitude() && b.hasAltitude())
        fix.altitude = a.altitude + f * (b.altitude - a.altitude);
    fix.nearestMetres =
        std::min(distanceMetres(fix.latitude, fix.longitude, a.latitude, a.longitude),
                 distanceMetres(fix.latitude, fix.longitude, b.latitude, b.longitude));
    fix.nearestMsecs = std::min(msecs - a.msecs, b.msecs - msecs);
    setMotion(fix, a, b);
    return fix;
}

} // namespace

TrackFix GpsTrack::locate(qint64 msecs, const TrackLimits& limits) const {
    TrackFix none;
    if (m_order.empty()) {
        none.reason = QStringLiteral("no track log with timed points");
        return none;
    }
    const auto after = std::upper_bound(m_order.begin(), m_order.end(), msecs,
                                        [](qint64 t, const Entry& e) { return t < e.msecs; });
    const qsizetype next = after - m_order.begin(); // the first point after the instant
    // A segment that spans the instant with a short enough step has its
    // point before it within maxGap. Logs may overlap: of the segments that
    // span it, the one with the shortest step there.
    const TrackPoint* from = nullptr;
    const TrackPoint* to = nullptr;
    for (qsizetype j = next - 1; j >= 0 && msecs - m_order[size_t(j)].msecs <= limits.maxGap; --j) {
        const Entry& entry = m_order[size_t(j)];
        const TrackPoint& a = pointOf(entry);
        const TrackSegment& segment = m_segments[size_t(entry.segment)];
        if (a.msecs == msecs) {
            // At a point: the step that leaves it, or at the end the one that reaches it.
            TrackFix fix = pointFix(a, msecs);
            const size_t i = size_t(entry.index);
            if (i + 1 < segment.size() && segment[i + 1].msecs > a.msecs &&
                segment[i + 1].msecs - a.msecs <= limits.maxGap)
                setMotion(fix, a, segment[i + 1]);
            else if (i > 0 && segment[i - 1].msecs < a.msecs &&
                     a.msecs - segment[i - 1].msecs <= limits.maxGap)
                setMotion(fix, segment[i - 1], a);
            return fix;
        }
        if (size_t(entry.index) + 1 >= segment.size())
            continue;
        const TrackPoint& b = segment[size_t(entry.index) + 1];
        if (b.msecs > msecs && b.msecs - a.msecs <= limits.maxGap &&
            (!from || b.msecs - a.msecs < to->msecs - from->msecs)) {
            from = &a;
            to = &b;
        }
    }
    if (from)
        return interpolate(*from, *to, msecs);
    // Outside every segment, or in a gap too long to bridge: the nearest point.
    const Entry* before = next > 0 ? &m_order[size_t(next - 1)] : nullptr;
    const Entry* later = next < qsizetype(m_order.size()) ? &m_order[size_t(next)] : nullptr;
    const Entry* nearest =
        !later || (before && msecs - before->msecs < later->msecs - msecs) ? before : later;
    const qint64 distance = std::llabs(msecs - nearest->msecs);
    if (distance <= limits.maxExtrapolation)
        return pointFix(pointOf(*nearest), msecs);
    if (!before)
        none.reason = QStringLiteral("%1 before the track starts").arg(durationText(distance));
    else if (!later)
        none.reason = QStringLiteral("%1 after the track ends").arg(durationText(distance));
    else
        none.reason = QStringLiteral("%1 from the nearest track point, in a gap of %2")
                          .arg(durationText(distance), durationText(later->msecs - before->msecs));
    return none;
}
