#include "editing/GpsFields.h"

#include "metadata/PropertyKeys.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <cmath>

using namespace PropertyKeys;

namespace {

const QString DatePlaceholder = QStringLiteral("YYYY:MM:DD");
const QString TimePlaceholder = QStringLiteral("HH:MM:SS");

Result<double> readNumber(const QString& field, const QString& text, double limit) {
    const auto number = leadingNumber(text);
    if (!number || !std::isfinite(*number))
        return Result<double>::fail(
            QStringLiteral("%1: \"%2\" is not a number").arg(field, text.trimmed()));
    if (limit > 0 && std::fabs(*number) > limit)
        return Result<double>::fail(QStringLiteral("%1: %2 is outside -%3 to %3")
                                        .arg(field, QString::number(*number, 'g', 12))
                                        .arg(limit));
    return Result<double>::ok(*number);
}

double singlePrecision(double x) {
    return double(float(x));
}

} // namespace

std::optional<double> leadingNumber(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^\\s*([-+]?(\\d+\\.?\\d*|\\.\\d+)([eE][-+]?\\d+)?)"));
    const auto match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toDouble();
}

Result<QString> readGpsDate(const QString& text) {
    using R = Result<QString>;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return R::fail(QStringLiteral("GPS date: no date given (YYYY:MM:DD)"));
    if (trimmed.compare(DatePlaceholder, Qt::CaseInsensitive) == 0)
        return R::fail(QStringLiteral("GPS date: fill in the date in place of YYYY:MM:DD"));
    static const QRegularExpression form(QStringLiteral("^(\\d{4})([:-])(\\d{2})\\2(\\d{2})$"));
    const auto match = form.match(trimmed);
    const QDate date =
        match.hasMatch()
            ? QDate(match.captured(1).toInt(), match.captured(3).toInt(), match.captured(4).toInt())
            : QDate();
    if (!date.isValid())
        return R::fail(QStringLiteral("GPS date: \"%1\" is not a date of the form YYYY:MM:DD or "
                                      "YYYY-MM-DD")
                           .arg(trimmed));
    return R::ok(date.toString(QStringLiteral("yyyy:MM:dd")));
}

namespace {
std::optional<QTime> timeOf(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{2}):(\\d{2}):(\\d{2})(\\.(\\d+))?$"));
    const auto match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    // A fraction of a second counts to the millisecond.
    const QString fraction = match.captured(5);
    const int ms = fraction.isEmpty()
                       ? 0
                       : int(std::lround((QStringLiteral("0.") + fraction).toDouble() * 1000));
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt(), std::min(ms, 999));
    if (!time.isValid())
        return std::nullopt;
    return time;
}
} // namespace

Result<QString> readGpsTime(const QString& text) {
    using R = Result<QString>;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return R::fail(QStringLiteral("GPS time: no time given (HH:MM:SS)"));
    if (trimmed.compare(TimePlaceholder, Qt::CaseInsensitive) == 0)
        return R::fail(QStringLiteral("GPS time: fill in the time in place of HH:MM:SS"));
    if (!timeOf(trimmed))
        return R::fail(
            QStringLiteral("GPS time: \"%1\" is not a time of the form HH:MM:SS").arg(trimmed));
    return R::ok(trimmed);
}

std::optional<QDateTime> gpsInstant(const QString& date, const QString& time) {
    const auto day = readGpsDate(date);
    const auto clock = timeOf(time.trimmed());
    if (!day || !clock)
        return std::nullopt;
    return QDateTime(QDate::fromString(day.value(), QStringLiteral("yyyy:MM:dd")), *clock,
                     QTimeZone::utc());
}

Result<GpsValues> readGpsTexts(const GpsTexts& texts, GpsDateRule rule) {
    using R = Result<GpsValues>;
    GpsValues values;
    const auto latitude = readNumber(QStringLiteral("latitude"), texts.latitude, 90);
    if (!latitude)
        return R::fail(latitude.error());
    const auto longitude = readNumber(QStringLiteral("longitude"), texts.longitude, 180);
    if (!longitude)
        return R::fail(longitude.error());
    values.latitude = latitude.value();
    values.longitude = longitude.value();
    if (!texts.altitude.trimmed().isEmpty()) {
        // Stored as a fraction of two 32-bit numbers, as every path checks.
        const auto altitude = readNumber(QStringLiteral("altitude"), texts.altitude, 2147483647.0);
        if (!altitude)
            return R::fail(altitude.error());
        values.altitude = altitude.value();
    }
    const bool required = rule == GpsDateRule::Required;
    if (required || !texts.date.trimmed().isEmpty()) {
        const auto date = readGpsDate(texts.date);
        if (!date)
            return R::fail(date.error());
        values.date = date.value();
    }
    if (required || !texts.time.trimmed().isEmpty()) {
        const auto time = readGpsTime(texts.time);
        if (!time)
            return R::fail(time.error());
        values.time = time.value();
    }
    if (!values.date.isEmpty() && !values.time.isEmpty())
        values.instant = gpsInstant(values.date, values.time);
    return R::ok(values);
}

QVariantMap gpsChangesFor(const GpsValues& v, const QVariantMap& dictionary) {
    QVariantMap gps = {
        {Latitude, singlePrecision(std::fabs(v.latitude))},
        {LatitudeRef, v.latitude < 0 ? QStringLiteral("S") : QStringLiteral("N")},
        {Longitude, singlePrecision(std::fabs(v.longitude))},
        {LongitudeRef, v.longitude < 0 ? QStringLiteral("W") : QStringLiteral("E")},
    };
    if (!dictionary.contains(GpsSet))
        gps.insert(GPSVersion, QStringLiteral("2.2.0.0"));
    if (v.altitude) {
        gps.insert(Altitude, singlePrecision(std::fabs(*v.altitude)));
        // EXIF's reference: 1 below sea level, 0 above.
        gps.insert(AltitudeRef, *v.altitude < 0 ? 1 : 0);
    }
    if (!v.date.isEmpty())
        gps.insert(DateStamp, v.date);
    if (!v.time.isEmpty())
        gps.insert(TimeStamp, v.time);
    return gps;
}
