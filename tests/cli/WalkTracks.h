#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>

namespace Walk {

// The walk the tests' tracks record, north-east a step a minute from 10:00
// UTC: a first segment to 10:19 and a point at 10:30 (an 11-minute hole), a
// second segment from 11:00 to 11:30. Minute m is at 45 + m/1000 north,
// 7 + m/500 east, 100 + m metres high: a line, so any interpolation of it is
// the same line.
extern const QDateTime Start;
extern const QList<QList<int>> Segments;

double latitudeAt(double seconds);
double longitudeAt(double seconds);

// The walk in each format a track log is read in, from the same points.
QByteArray gpx();
QByteArray kml(bool absolute);
QByteArray igc();
QByteArray tcx();
QByteArray csv();
QByteArray nmea();

} // namespace Walk
