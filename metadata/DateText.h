#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// The date texts of the editing commands. Dates are read and written in the
// local time zone, so a text read from a time point and parsed again names
// the same instant.
namespace DateText {

// "yyyy:MM:dd HH:mm:ss", then "yyyy-MM-dd HH:mm:ss", local time, every field
// in range for its calendar month; nothing otherwise. Either may end in a
// zone offset ("+02:00", "-0500", "Z"): the time is then in that zone.
std::optional<QDateTime> parse(const QString& text);

// A date text split into its wall time and its zone offset ("+02:00"; "Z"
// becomes "+00:00"), the offset empty when it has none.
struct Zoned {
    QString wall;
    QString offset;
};
Zoned splitZone(const QString& text);

enum class Layout { Exif, Dashed };
// One layout only, local time, the same checks.
std::optional<QDateTime> parseInLayout(const QString& text, Layout layout);
bool isValid(const QString& text);

// Every "-" of the date and time becomes ":" (a dashed text becomes the
// EXIF form); a zone offset stays as it is.
QString normalise(const QString& text);

// A text of exactly three space-separated parts loses its third (a zone
// offset); anything else is returned unchanged.
QString shorten(const QString& text);

// "yyyy-MM-dd HH:mm:ss +hhmm", the time point in the local time zone.
QString describeTimePoint(const QDateTime& when);

// describeTimePoint() shortened: "yyyy-MM-dd HH:mm:ss" in local time.
QString timePointText(const QDateTime& when);

} // namespace DateText
