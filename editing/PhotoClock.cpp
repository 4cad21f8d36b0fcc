#include "editing/PhotoClock.h"

#include "metadata/PropertyKeys.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

const QRegularExpression& dateTimeForm() {
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4})[:-](\\d{2})[:-](\\d{2})[ T](\\d{2}):(\\d{2}):(\\d{2})(\\.(\\d+))?\\s*"
        "(Z|[+-]\\d{2}:?\\d{2})?$"));
    return form;
}

// "+02:00", "-0530" or "Z": seconds east of UTC.
std::optional<int> offsetOf(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed == QLatin1String("Z"))
        return 0;
    static const QRegularExpression form(QStringLiteral("^([+-])(\\d{2}):?(\\d{2})$"));
    const auto match = form.match(trimmed);
    if (!match.hasMatch())
        return std::nullopt;
    const int hours = match.captured(2).toInt(), minutes = match.captured(3).toInt();
    if (hours > 14 || minutes > 59)
        return std::nullopt;
    return (match.captured(1) == QLatin1String("-") ? -1 : 1) * (hours * 3600 + minutes * 60);
}

int fractionMsecs(const QString& digits) {
    if (digits.isEmpty())
        return 0;
    return std::min(999, int(std::lround((QStringLiteral("0.") + digits).toDouble() * 1000)));
}

QString sourceText(ZoneSource source) {
    switch (source) {
    case ZoneSource::Photo:
        return QStringLiteral("the photo's zone");
    case ZoneSource::Given:
        return QStringLiteral("the given zone");
    case ZoneSource::System:
        break;
    }
    return QStringLiteral("the system zone, %1")
        .arg(QString::fromUtf8(QTimeZone::systemTimeZoneId()));
}

// The instant of a local date and time; the zone's offset then is put in *offset.
std::optional<qint64> inZone(const QDate& date, const QTime& time,
                             const std::optional<QTimeZone>& zone, int* offset) {
    const QDateTime local = zone ? QDateTime(date, time, *zone) : QDateTime(date, time);
    if (!local.isValid())
        return std::nullopt;
    *offset = local.offsetFromUtc();
    return local.toMSecsSinceEpoch();
}

} // namespace

PhotoClock PhotoClock::of(const QVariantMap& dictionary) {
    using namespace PropertyKeys;
    const QVariantMap exif = dictionary.value(ExifSet).toMap();
    const QVariantMap gps = dictionary.value(GpsSet).toMap();
    PhotoClock clock;
    clock.original = exif.value(DateTimeOriginal).toString().trimmed();
    clock.subSeconds = exif.value(QStringLiteral("SubSecTimeOriginal")).toString().trimmed();
    clock.offset = exif.value(QStringLiteral("OffsetTimeOriginal")).toString().trimmed();
    clock.hasPosition = gps.contains(Latitude) && gps.contains(Longitude);
    return clock;
}

QString offsetText(int seconds) {
    const int magnitude = std::abs(seconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(seconds < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(magnitude / 60, 2, 10, QLatin1Char('0'))
        .arg(magnitude % 60, 2, 10, QLatin1Char('0'));
}

QString PhotoInstant::describe() const {
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone(offsetSeconds));
    const QString fraction =
        msecs % 1000 ? QStringLiteral(".%1").arg(local.time().msec(), 3, 10, QLatin1Char('0'))
                     : QString();
    return QStringLiteral("%1%2 %3 (%4)")
        .arg(local.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")), fraction,
             offsetText(offsetSeconds), sourceText(source));
}

std::optional<qint64> localMsecs(const QString& text, const std::optional<QTimeZone>& zone,
                                 int* offsetSeconds) {
    const auto match = dateTimeForm().match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                     match.captured(6).toInt(), fractionMsecs(match.captured(8)));
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    int offset = 0;
    std::optional<qint64> msecs;
    if (match.hasCaptured(9)) {
        const auto own = offsetOf(match.captured(9));
        if (!own)
            return std::nullopt;
        msecs = inZone(date, time, QTimeZone(*own), &offset);
    } else {
        msecs = inZone(date, time, zone, &offset);
    }
    if (offsetSeconds)
        *offsetSeconds = offset;
    return msecs;
}

Result<PhotoInstant> photoInstant(const PhotoClock& clock, const std::optional<QTimeZone>& zone) {
    using R = Result<PhotoInstant>;
    if (clock.original.isEmpty())
        return R::fail(QStringLiteral("no DateTimeOriginal"));
    const auto match = dateTimeForm().match(clock.original);
    const QDate date =
        match.hasMatch()
            ? QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt())
            : QDate();
    static const QRegularExpression digits(QStringLiteral("^\\d*$"));
    const QString fraction =
        match.hasCaptured(8)
            ? match.captured(8)
            : (digits.match(clock.subSeconds).hasMatch() ? clock.subSeconds : QString());
    const QTime time = match.hasMatch()
                           ? QTime(match.captured(4).toInt(), match.captured(5).toInt(),
                                   match.captured(6).toInt(), fractionMsecs(fraction))
                           : QTime();
    if (!date.isValid() || !time.isValid())
        return R::fail(
            QStringLiteral("DateTimeOriginal \"%1\" is not a date and time").arg(clock.original));
    PhotoInstant instant;
    std::optional<QTimeZone> chosen;
    if (const auto own = offsetOf(clock.offset)) {
        instant.source = ZoneSource::Photo;
        chosen = QTimeZone(*own);
    } else if (zone) {
        instant.source = ZoneSource::Given;
        chosen = zone;
    }
    const auto msecs = inZone(date, time, chosen, &instant.offsetSeconds);
    if (!msecs)
        return R::fail(QStringLiteral("DateTimeOriginal \"%1\" does not exist in its zone")
                           .arg(clock.original));
    instant.msecs = *msecs;
    return R::ok(instant);
}

Result<QTimeZone> readZone(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.compare(QLatin1String("UTC"), Qt::CaseInsensitive) == 0)
        return Result<QTimeZone>::ok(QTimeZone::utc());
    if (const auto seconds = offsetOf(trimmed))
        return Result<QTimeZone>::ok(QTimeZone(*seconds));
    const QTimeZone named(trimmed.toUtf8());
    if (trimmed.contains(QLatin1Char('/')) && named.isValid())
        return Result<QTimeZone>::ok(named);
    return Result<QTimeZone>::fail(
        QStringLiteral("\"%1\" is not a zone: use +HH:MM or an area and city such as Europe/Rome")
            .arg(trimmed));
}
