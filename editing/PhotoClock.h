#pragma once

#include "metadata/Result.h"

#include <QString>
#include <QTimeZone>
#include <QVariantMap>

#include <optional>

// What geotagging needs of a photo: when its camera says it was taken, and
// whether it already has a position.
struct PhotoClock {
    QString original;   // DateTimeOriginal, "YYYY:MM:DD HH:MM:SS"
    QString subSeconds; // SubSecTimeOriginal, digits of a fraction of a second
    QString offset;     // OffsetTimeOriginal, "+HH:MM"
    bool hasPosition = false;

    static PhotoClock of(const QVariantMap& dictionary);
};

// Where the zone of a photo's time came from.
enum class ZoneSource { Photo, Given, System };

// The instant a photo's camera clock names, before any clock correction.
struct PhotoInstant {
    qint64 msecs = 0;      // since the epoch, UTC
    int offsetSeconds = 0; // of the zone the time was read in, at that time
    ZoneSource source = ZoneSource::System;
    // "2024:05:01 12:00:00.25 +02:00 (the photo's zone)"
    QString describe() const;
};

// The time read in the photo's own zone (OffsetTimeOriginal), else in the
// given zone, else in the system's; a photo without a readable
// DateTimeOriginal has none.
Result<PhotoInstant> photoInstant(const PhotoClock& clock, const std::optional<QTimeZone>& zone);

// A local date and time "YYYY:MM:DD HH:MM:SS[.fff]" (or with "-" in the date
// and "T" before the time) in a zone, or with its own "Z" or "+HH:MM"; the
// offset from UTC it was read at goes to *offsetSeconds.
std::optional<qint64> localMsecs(const QString& text, const std::optional<QTimeZone>& zone,
                                 int* offsetSeconds = nullptr);

// "+HH:MM", "-HHMM", "Z", "UTC" or an area and city ("Europe/Rome").
Result<QTimeZone> readZone(const QString& text);
// "+02:00" for 7200.
QString offsetText(int seconds);
