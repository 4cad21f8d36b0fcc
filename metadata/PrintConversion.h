#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// How people read a stored value: "1/75 s", "f/5.6", "Off, Did not fire",
// 43° 28' 2.81" N, a date in the user's locale. The conversions are one
// table keyed by set and key (the top level is the set ""); a key without
// one reads as its stored value. Nothing here changes what is written.
namespace PrintConversion {

// The value of key in set as people read it. The set's other values are
// given so that a value can take its reference from its neighbour (a
// latitude its "N" or "S").
QString readable(const QString& set, const QString& key, const QVariant& value,
                 const QVariantMap& setValues = {});

// The stored value as text: numbers as numbers, lists joined by ", ".
QString stored(const QVariant& value);

// One format for every date the window shows: the locale's month names,
// day, year and a 24-hour time to the second.
QString readableDateTime(const QDateTime& when);
QString readableDate(const QDate& date);

// "1/75", "0.5", "2" as the reciprocal form people read exposure times in.
QString exposureTime(double seconds);

} // namespace PrintConversion
