#pragma once

#include "metadata/Result.h"

#include <QString>
#include <QTimeZone>

#include <optional>
#include <vector>

// A camera clock set against GPS time: what the GPS said at an instant the
// camera put on a photo.
struct SyncPoint {
    qint64 photoMsecs = 0;  // the camera's time, read as the photos' times are
    qint64 offsetMsecs = 0; // GPS time minus the camera's time
};

// The correction from a photo's time to GPS time: a fixed offset, or from
// two or more sync points a drift, linear between them and beyond them
// along the nearest two.
class ClockCorrection {
public:
    ClockCorrection() = default;
    static ClockCorrection fixed(qint64 offsetMsecs);
    static ClockCorrection synced(std::vector<SyncPoint> points);

    qint64 offsetAt(qint64 photoMsecs) const;
    const std::vector<SyncPoint>& points() const { return m_points; }
    // "+00:01:20", or "drift from 2 sync points".
    QString describe() const;

private:
    qint64 m_offset = 0;
    std::vector<SyncPoint> m_points; // by photo time
};

// "[-]HH:MM:SS" with an optional fraction ("+01:20" and "-0:00:05.5" too).
Result<qint64> readClockOffset(const QString& text);
// "+01:02:03" for 3723000.
QString clockOffsetText(qint64 msecs);

// "GPSTIME@PHOTOTIME": each a date and time ("YYYY:MM:DD HH:MM:SS"), the
// photo time read in the zone given unless it names its own, the GPS time in
// the photo time's unless it names its own; the GPS time may be a time alone
// ("HH:MM:SS"), on the day that puts it nearest.
Result<SyncPoint> readSyncPoint(const QString& text, const std::optional<QTimeZone>& zone);
// A sync point from a photo's instant and the GPS time shown on it.
Result<SyncPoint> syncPointAt(qint64 photoMsecs, const QString& gpsTime,
                              const std::optional<QTimeZone>& zone);
