#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

// How values of the EXIF, GPS and IPTC sets are written in XMP and IPTC.
namespace XmpMirrorValues {

// A value as one text: numbers as they read, lists joined by "; ".
QString text(const QVariant& value);
// A value as a list of texts; a text is split at ";" as the EXIF artist
// separates several creators.
QVariantList list(const QVariant& value, bool splitText);
// One item as itself, several as a list: how an IPTC dataset reads back.
QVariant single(const QVariantList& items);
// A text cut to the length the IPTC dataset may hold, at a character.
QString iptcText(const QString& dataset, const QString& text);

// "2010:12:12 12:41:35" (or dashed) with an offset as an XMP date
// ("2010-12-12T12:41:35+01:00"); nothing when it is not a date.
std::optional<QString> xmpDate(const QString& wall, const QString& offset);
// An IPTC date ("2010-12-12") and time ("12:41:35+01:00") of the same.
std::optional<std::pair<QString, QString>> iptcDateTime(const QString& wall, const QString& offset);
// An IPTC date and time as an XMP date.
std::optional<QString> xmpDateOfIptc(const QString& date, const QString& time);
// The zone offset at the end of an XMP date or IPTC time, or an empty text.
QString offsetOf(const QString& text);

// A degree of latitude or longitude with its reference as XMP writes it
// ("43,27.6N").
QString coordinate(double degrees, const QString& reference);
// A number as an XMP rational ("1205/10").
QString rational(double value);
// The GPS date and time as an XMP date in UTC; nothing without a date.
std::optional<QString> gpsTimeStamp(const QString& date, const QString& time);

} // namespace XmpMirrorValues
