#pragma once

#include "editing/TrackLog.h"

#include <QByteArrayView>

#include <optional>

class StrictXmlReader;

// The readers of each format. They fail with "line N: reason"; the caller
// puts the file's name before it.
Result<TrackLog> readGpx(StrictXmlReader& xml);
Result<TrackLog> readKml(StrictXmlReader& xml);
Result<TrackLog> readNmea(const QByteArray& bytes);
Result<TrackLog> readTcx(StrictXmlReader& xml);
Result<TrackLog> readIgc(const QByteArray& bytes);
Result<TrackLog> readCsv(const QByteArray& bytes);

// Told apart by the first line that is not blank: a header naming a
// latitude, time or other column; an IGC A record or date header.
bool looksLikeCsv(QByteArrayView firstLine);
bool looksLikeIgc(QByteArrayView firstLine);

namespace TrackText {
// Milliseconds since the epoch of a civil date and time in UTC; nothing when
// a field is out of range.
std::optional<qint64> utcMsecs(int year, int month, int day, int hour, int minute, int second,
                               int msecs);
// An XML Schema date and time, "2024-05-01T10:00:00Z", with an optional
// fraction and an offset ("+02:00") instead of "Z"; without either it is UTC.
std::optional<qint64> isoInstant(QByteArrayView text);
// A decimal number, blanks around it allowed; nothing for anything else.
std::optional<double> number(QByteArrayView text);
// A latitude and longitude in range; the reason otherwise.
QString positionFault(double latitude, double longitude);
} // namespace TrackText
