#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cmath>
#include <limits>
#include <vector>

// One fix of a track log: an instant (milliseconds since the epoch, UTC) and a
// position in degrees; the altitude in metres when the log has one.
struct TrackPoint {
    qint64 msecs = 0;
    double latitude = 0;
    double longitude = 0;
    double altitude = std::numeric_limits<double>::quiet_NaN();

    bool hasAltitude() const { return !std::isnan(altitude); }
};

// The points of one segment in time order. Positions are interpolated only
// between two points of one segment.
using TrackSegment = std::vector<TrackPoint>;

// A track log as read: its timed points by segment, and what was passed over.
struct TrackLog {
    QString path;
    QString format; // "GPX", "KML", "NMEA", "IGC", "TCX" or "CSV"
    std::vector<TrackSegment> segments;
    QStringList notes; // "3 sentences with a bad checksum skipped (the first at line 12)"

    qint64 pointCount() const;
};

// Track logs come from anywhere: every limit is an error with its reason.
namespace TrackLogLimits {
inline constexpr qint64 MaxFileSize = 256 * 1024 * 1024;
inline constexpr qint64 MaxPoints = 4000000;
inline constexpr int MaxDepth = 64;
} // namespace TrackLogLimits

// A GPX 1.0 or 1.1, KML 2.2, Garmin TCX, IGC, CSV or NMEA 0183 log, told
// apart by its content.
// A failure names the file, and the line where the fault is.
Result<TrackLog> readTrackLog(const QString& path);
// The same for bytes in memory; `name` stands for the file in messages.
Result<TrackLog> parseTrackLog(const QByteArray& bytes, const QString& name);
