#include "metadata/ValueChecks.h"

#include "metadata/PropertyKeys.h"
#include "metadata/PropertyValues.h"

#include <QDate>
#include <QRegularExpression>
#include <QTime>

#include <cmath>
#include <optional>

namespace ValueChecks {
namespace {

using namespace PropertyKeys;

Status refuse(const QString& set, const QString& key, const QString& why) {
    return Status::fail(QStringLiteral("%1.%2: %3").arg(set, key, why));
}

std::optional<double> numberOf(const QVariant& value) {
    if (PropertyValues::isNumber(value))
        return value.toDouble();
    if (value.typeId() == QMetaType::QString) {
        bool ok = false;
        const double x = value.toString().trimmed().toDouble(&ok);
        if (ok)
            return x;
    }
    return std::nullopt;
}

bool isDay(int year, int month, int day) {
    return year >= 1 && QDate(year, month, day).isValid();
}

// "HH:MM:SS" with an optional fraction of a second.
bool isClock(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{2}):(\\d{2}):(\\d{2})(\\.\\d+)?$"));
    const auto match = form.match(text);
    return match.hasMatch() &&
           QTime(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt())
               .isValid();
}

bool isDateStamp(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2})$"));
    const auto match = form.match(text);
    return match.hasMatch() &&
           isDay(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}

bool isOffset(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^[+-](\\d{2}):(\\d{2})$"));
    const auto match = form.match(text);
    return match.hasMatch() && match.captured(1).toInt() <= 14 && match.captured(2).toInt() < 60;
}

// Every number of a value (a list's items too) is finite.
bool allFinite(const QVariant& value) {
    if (value.typeId() == QMetaType::QVariantList) {
        const QVariantList items = value.toList();
        return std::all_of(items.cbegin(), items.cend(), allFinite);
    }
    return !PropertyValues::isNumber(value) || std::isfinite(value.toDouble());
}

Status checkRange(const QString& set, const QString& key, const QVariant& value, double limit) {
    const auto x = numberOf(value);
    if (!x || !std::isfinite(*x))
        return refuse(set, key, QStringLiteral("%1 is not a number").arg(value.toString()));
    if (std::fabs(*x) > limit)
        return refuse(set, key,
                      QStringLiteral("%1 is outside -%2 to %2").arg(value.toString()).arg(limit));
    return Status::ok();
}

Status checkOneOf(const QString& set, const QString& key, const QVariant& value,
                  const QStringList& allowed) {
    if (allowed.contains(value.toString()))
        return Status::ok();
    return refuse(set, key,
                  QStringLiteral("\"%1\" is not one of %2")
                      .arg(value.toString(), allowed.join(QLatin1String(", "))));
}

Status checkGps(const QString& key, const QVariant& value) {
    if (key == Latitude || key == QLatin1String("DestLatitude"))
        return checkRange(GpsSet, key, value, 90);
    if (key == Longitude || key == QLatin1String("DestLongitude"))
        return checkRange(GpsSet, key, value, 180);
    // An altitude is stored as a fraction of two 32-bit numbers.
    if (key == Altitude)
        return checkRange(GpsSet, key, value, 2147483647.0);
    if (key == LatitudeRef || key == QLatin1String("DestLatitudeRef"))
        return checkOneOf(GpsSet, key, value, {QStringLiteral("N"), QStringLiteral("S")});
    if (key == LongitudeRef || key == QLatin1String("DestLongitudeRef"))
        return checkOneOf(GpsSet, key, value, {QStringLiteral("E"), QStringLiteral("W")});
    if (key == AltitudeRef)
        return checkOneOf(GpsSet, key, value, {QStringLiteral("0"), QStringLiteral("1")});
    if (key == DateStamp && !isDateStamp(value.toString()))
        return refuse(
            GpsSet, key,
            QStringLiteral("\"%1\" is not a date of the form YYYY:MM:DD").arg(value.toString()));
    if (key == TimeStamp && !isClock(value.toString()))
        return refuse(
            GpsSet, key,
            QStringLiteral("\"%1\" is not a time of the form HH:MM:SS").arg(value.toString()));
    return Status::ok();
}

bool isDateKey(const QString& set, const QString& key) {
    return (set == ExifSet && (key == DateTimeOriginal || key == DateTimeDigitized)) ||
           (set == TiffSet && key == DateTime);
}

bool isOffsetKey(const QString& set, const QString& key) {
    return set == ExifSet && key.startsWith(QLatin1String("OffsetTime"));
}

} // namespace

bool isExifDateTime(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}:\\d{2}:\\d{2})$"));
    const auto match = form.match(text);
    return match.hasMatch() &&
           isDay(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()) &&
           isClock(match.captured(4));
}

Status check(const QString& set, const QString& key, const QVariant& value) {
    if (isRemoval(value))
        return Status::ok();
    if (!allFinite(value))
        return refuse(set, key, QStringLiteral("%1 is not a finite number").arg(value.toString()));
    if (set == GpsSet)
        return checkGps(key, value);
    if (isDateKey(set, key) && !isExifDateTime(value.toString()))
        return refuse(set, key,
                      QStringLiteral("\"%1\" is not a date of the form YYYY:MM:DD HH:MM:SS")
                          .arg(value.toString()));
    if (isOffsetKey(set, key) && !isOffset(value.toString()))
        return refuse(set, key,
                      QStringLiteral("\"%1\" is not a time zone offset of the form +HH:MM")
                          .arg(value.toString()));
    return Status::ok();
}

Status checkChanges(const QVariantMap& changes) {
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (!isSetKey(it.key()) || it.value().typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap values = it.value().toMap();
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            const Status status = check(it.key(), value.key(), value.value());
            if (!status)
                return status;
        }
    }
    return Status::ok();
}

} // namespace ValueChecks
