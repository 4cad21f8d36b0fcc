#pragma once

#include "metadata/Result.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// How far each kind of date of a photo moves, in seconds: the date it was
// taken, the date it was digitized, and the date it was last changed.
struct DateShiftAmounts {
    qint64 original = 0;
    qint64 digitized = 0;
    qint64 modified = 0;
};

// The changes that move every date a photo holds, and every copy of it, by
// its kind's amount: the EXIF original and digitized dates and the TIFF
// date, their XMP copies (exif:, photoshop:, xmp: and tiff: dates) and the
// IPTC dates and times. Each keeps its zone offset, its fraction of a second
// and its precision; a date the photo lacks is not made. Empty when the
// photo holds no date; fails when a date would leave the years 1 to 9999.
Result<QVariantMap> shiftedDates(const QVariantMap& dictionary, const DateShiftAmounts& amounts);

// A date text of any of those layouts moved by the seconds, in its own
// layout; nothing when it does not read as a date (or names only a year or
// a month), or would leave the years 1 to 9999.
std::optional<QString> shiftedDateText(const QString& text, qint64 seconds);
