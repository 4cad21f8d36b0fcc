#pragma once

#include "editing/TrackLog.h"

#include <QString>

#include <optional>
#include <vector>

// How far the matching of a photo may reach, in milliseconds.
struct TrackLimits {
    qint64 maxGap = 30 * 60 * 1000; // longest gap between two points interpolated across
    qint64 maxExtrapolation = 0;    // how far before or after a point that point is taken
};

// Where the track puts an instant, or why it puts it nowhere.
struct TrackFix {
    enum class Kind { None, Interpolated, Point };
    Kind kind = Kind::None;
    double latitude = 0;
    double longitude = 0;
    std::optional<double> altitude;
    // To the nearest of the points the position comes from: metres and milliseconds.
    double nearestMetres = 0;
    qint64 nearestMsecs = 0;
    // Along the step of the segment the instant falls in: km/h, and degrees
    // clockwise from true north (none where the step stands still). Neither
    // off a segment, where nothing says how the device moved.
    std::optional<double> speedKmh;
    std::optional<double> trackDegrees;
    QString reason; // when none: "12 minutes after the track ends"

    bool found() const { return kind != Kind::None; }
};

// The track logs of one geotagging merged: every point in time order, each
// keeping its segment, so that a position is interpolated only between two
// neighbours of one segment, never across the boundary of a segment or a file.
class GpsTrack {
public:
    GpsTrack() = default;
    explicit GpsTrack(const std::vector<TrackLog>& logs);

    bool isEmpty() const { return m_order.empty(); }
    qint64 pointCount() const { return qint64(m_order.size()); }
    // The segments, each in time order, for drawing.
    const std::vector<TrackSegment>& segments() const { return m_segments; }
    qint64 firstMsecs() const { return m_order.front().msecs; }
    qint64 lastMsecs() const { return m_order.back().msecs; }

    // Between two points of a segment at most maxGap apart: interpolated
    // linearly in time, the altitude between the nearest points of the
    // segment that have one. Otherwise the point nearest in time when it is at
    // most maxExtrapolation away (a longer gap thus splits its segment).
    TrackFix locate(qint64 msecs, const TrackLimits& limits) const;

private:
    struct Entry {
        qint64 msecs;
        int segment;
        int index; // in its segment
    };
    const TrackPoint& pointOf(const Entry& entry) const {
        return m_segments[size_t(entry.segment)][size_t(entry.index)];
    }

    std::vector<TrackSegment> m_segments;
    std::vector<Entry> m_order;
};

// Great-circle distance in metres.
double distanceMetres(double latitude1, double longitude1, double latitude2, double longitude2);
// The initial bearing of the great circle from the first point to the second,
// 0 to 360 degrees clockwise from true north.
double bearingDegrees(double latitude1, double longitude1, double latitude2, double longitude2);
// "45 seconds", "12 minutes", "3 hours 5 minutes", "2 days 4 hours".
QString durationText(qint64 msecs);
