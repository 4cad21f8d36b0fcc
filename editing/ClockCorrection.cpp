#include "editing/ClockCorrection.h"

#include "editing/PhotoClock.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>

ClockCorrection ClockCorrection::fixed(qint64 offsetMsecs) {
    ClockCorrection correction;
    correction.m_offset = offsetMsecs;
    return correction;
}

ClockCorrection ClockCorrection::synced(std::vector<SyncPoint> points) {
    ClockCorrection correction;
    std::stable_sort(points.begin(), points.end(), [](const SyncPoint& a, const SyncPoint& b) {
        return a.photoMsecs < b.photoMsecs;
    });
    correction.m_points = std::move(points);
    return correction;
}

qint64 ClockCorrection::offsetAt(qint64 photoMsecs) const {
    if (m_points.empty())
        return m_offset;
    if (m_points.size() == 1)
        return m_points.front().offsetMsecs;
    // The two points around the instant, or the first or last two beyond them.
    const auto after =
        std::upper_bound(m_points.begin() + 1, m_points.end() - 1, photoMsecs,
                         [](qint64 t, const SyncPoint& point) { return t < point.photoMsecs; });
    const SyncPoint& a = *(after - 1);
    const SyncPoint& b = *after;
    if (b.photoMsecs == a.photoMsecs)
        return a.offsetMsecs;
    const double f = double(photoMsecs - a.photoMsecs) / double(b.photoMsecs - a.photoMsecs);
    return a.offsetMsecs + std::llround(f * double(b.offsetMsecs - a.offsetMsecs));
}

QString ClockCorrection::describe() const {
    if (m_points.size() > 1)
        return QStringLiteral("drift from %1 sync points").arg(m_points.size());
    return clockOffsetText(offsetAt(0));
}

QString clockOffsetText(qint64 msecs) {
    const qint64 magnitude = std::llabs(msecs);
    const qint64 seconds = magnitude / 1000;
    QString text = QStringLiteral("%1%2:%3:%4")
                       .arg(msecs < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                       .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
                       .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                       .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (magnitude % 1000)
        text += QStringLiteral(".%1").arg(magnitude % 1000, 3, 10, QLatin1Char('0'));
    return text;
}

Result<qint64> readClockOffset(const QString& text) {
    // [-]HH:MM:SS, [-]MM:SS or [-]SS, each with an optional fraction.
    static const QRegularExpression form(
        QStringLiteral("^([+-]?)(?:(?:(\\d+):)?(\\d{1,2}):)?(\\d{1,2}(?:\\.\\d+)?)$"));
    const auto match = form.match(text.trimmed());
    if (!match.hasMatch() || text.trimmed().size() > 24)
        return Result<qint64>::fail(
            QStringLiteral("\"%1\" is not a clock offset: use [-]HH:MM:SS").arg(text.trimmed()));
    const qint64 hours = match.captured(2).toLongLong();
    const qint64 minutes = match.captured(3).toLongLong();
    const double seconds = match.captured(4).toDouble();
    if (hours > 100000 || (match.hasCaptured(2) && minutes > 59) ||
        (match.hasCaptured(3) && seconds >= 60))
        return Result<qint64>::fail(
            QStringLiteral("\"%1\" is not a clock offset: use [-]HH:MM:SS").arg(text.trimmed()));
    const qint64 msecs = (hours * 3600 + minutes * 60) * 1000 + std::llround(seconds * 1000);
    return Result<qint64>::ok(match.captured(1) == QLatin1String("-") ? -msecs : msecs);
}

Result<SyncPoint> syncPointAt(qint64 photoMsecs, const QString& gpsTime,
                              const std::optional<QTimeZone>& zone) {
    using R = Result<SyncPoint>;
    std::optional<qint64> gps = localMsecs(gpsTime, zone);
    static const QRegularExpression timeOnly(QStringLiteral("^(\\d{1,2}):(\\d{2}):(\\d{2})$"));
    const auto match = timeOnly.match(gpsTime.trimmed());
    if (!gps && match.hasMatch()) {
        // A time alone: the day, before or after the photo's, that puts it nearest.
        const QDateTime photo = zone ? QDateTime::fromMSecsSinceEpoch(photoMsecs, *zone)
                                     : QDateTime::fromMSecsSinceEpoch(photoMsecs);
        const QTime time(match.captured(1).toInt(), match.captured(2).toInt(),
                         match.captured(3).toInt());
        for (int days = -1; time.isValid() && days <= 1; ++days) {
            const QDate date = photo.date().addDays(days);
            const QDateTime candidate = zone ? QDateTime(date, time, *zone) : QDateTime(date, time);
            const qint64 msecs = candidate.toMSecsSinceEpoch();
            if (!gps || std::llabs(msecs - photoMsecs) < std::llabs(*gps - photoMsecs))
                gps = msecs;
        }
    }
    if (!gps)
        return R::fail(QStringLiteral("\"%1\" is not a GPS time: use YYYY:MM:DD HH:MM:SS or "
                                      "HH:MM:SS")
                           .arg(gpsTime.trimmed()));
    return R::ok(SyncPoint{photoMsecs, *gps - photoMsecs});
}

Result<SyncPoint> readSyncPoint(const QString& text, const std::optional<QTimeZone>& zone) {
    using R = Result<SyncPoint>;
    const qsizetype at = text.indexOf(QLatin1Char('@'));
    if (at < 0)
        return R::fail(QStringLiteral("\"%1\" is not a sync point: use GPSTIME@PHOTOTIME")
                           .arg(text.trimmed()));
    const QString photoText = text.mid(at + 1);
    int offset = 0;
    const auto photo = localMsecs(photoText, zone, &offset);
    if (!photo)
        return R::fail(QStringLiteral("\"%1\" is not a photo time: use YYYY:MM:DD HH:MM:SS")
                           .arg(photoText.trimmed()));
    // A GPS time without a zone is in the photo time's.
    return syncPointAt(*photo, text.left(at), QTimeZone(offset));
}
