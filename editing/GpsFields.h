#pragma once

#include "metadata/Result.h"

#include <QDateTime>
#include <QString>
#include <QVariantMap>

#include <optional>

// The leading decimal number of a text (blanks skipped, optional sign,
// digits with one point, optional exponent): "12.5 m" reads 12.5. Nothing
// when the text does not begin with a number.
std::optional<double> leadingNumber(const QString& text);

// The five GPS texts as the GPS window and the edit form hold them.
struct GpsTexts {
    QString latitude;  // decimal degrees, north positive
    QString longitude; // decimal degrees, east positive
    QString altitude;  // metres, negative below sea level; empty: no altitude
    QString date;      // "YYYY:MM:DD" or "YYYY-MM-DD"
    QString time;      // "HH:MM:SS" with an optional fraction, UTC
};

// The texts read and checked.
struct GpsValues {
    double latitude = 0;
    double longitude = 0;
    std::optional<double> altitude;
    QString date; // "YYYY:MM:DD", or empty when none was given
    QString time; // as typed, or empty when none was given
    // The date and time as one instant in UTC, when both were given.
    std::optional<QDateTime> instant;
};

enum class GpsDateRule {
    Required, // the GPS window's save and "gps set": a date and a time must be given
    Optional, // the edit form: an empty date or time is left out
};

// Refuses, naming the field, a latitude, longitude or altitude that does not
// begin with a number, a latitude outside -90..90 or a longitude outside
// -180..180, and a date or time that is a placeholder or malformed.
Result<GpsValues> readGpsTexts(const GpsTexts& texts, GpsDateRule rule);

// A GPS date text in the EXIF form "YYYY:MM:DD"; fails naming the field.
Result<QString> readGpsDate(const QString& text);
// A GPS time "HH:MM:SS[.fraction]" as given; fails naming the field.
Result<QString> readGpsTime(const QString& text);
// GPS date and time name an instant in UTC.
std::optional<QDateTime> gpsInstant(const QString& date, const QString& time);

// The GPS entries the values change in a photo of this dictionary: the
// position's magnitudes as 32-bit floats with their reference letters, and
// the altitude, date and time where given. Every other entry of the photo's
// set stays; a photo without a set gets the version "2.2.0.0" besides, which
// EXIF requires of a GPS directory. Nothing is made up: no speed, no track.
QVariantMap gpsChangesFor(const GpsValues& values, const QVariantMap& dictionary);
