#include "metadata/DateText.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>

namespace DateText {

std::optional<QDateTime> parseInLayout(const QString& text, Layout layout) {
    static const QRegularExpression exif(
        QStringLiteral("^(\\d{4}):(\\d{2}):(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    static const QRegularExpression dashed(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2}) (\\d{2}):(\\d{2}):(\\d{2})$"));
    const QRegularExpressionMatch match = (layout == Layout::Exif ? exif : dashed).match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(),
                     match.captured(6).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    const QDateTime when(date, time);
    if (!when.isValid())
        return std::nullopt;
    return when;
}

Zoned splitZone(const QString& text) {
    static const QRegularExpression zone(
        QStringLiteral("^(.{19})(?:(Z)|([+-])(\\d{2}):?(\\d{2}))$"));
    const QRegularExpressionMatch match = zone.match(text);
    if (!match.hasMatch())
        return {text, QString()};
    if (!match.captured(2).isEmpty())
        return {match.captured(1), QStringLiteral("+00:00")};
    return {match.captured(1),
            match.captured(3) + match.captured(4) + QLatin1Char(':') + match.captured(5)};
}

std::optional<QDateTime> parse(const QString& text) {
    const Zoned zoned = splitZone(text);
    auto when = parseInLayout(zoned.wall, Layout::Exif);
    if (!when)
        when = parseInLayout(zoned.wall, Layout::Dashed);
    if (!when || zoned.offset.isEmpty())
        return when;
    const int hours = zoned.offset.mid(1, 2).toInt();
    const int minutes = zoned.offset.mid(4, 2).toInt();
    // Zones reach no further than 14 hours either way; a time beyond them
    // names no instant.
    if (minutes > 59 || hours * 60 + minutes > 14 * 60)
        return std::nullopt;
    const int seconds =
        (zoned.offset.startsWith(QLatin1Char('-')) ? -1 : 1) * (hours * 3600 + minutes * 60);
    const QDateTime zonedTime(when->date(), when->time(), QTimeZone(seconds));
    if (!zonedTime.isValid())
        return std::nullopt;
    return zonedTime;
}

bool isValid(const QString& text) {
    return parse(text).has_value();
}

QString normalise(const QString& text) {
    const Zoned zoned = splitZone(text);
    QString wall = zoned.wall;
    wall.replace(QLatin1Char('-'), QLatin1Char(':'));
    return zoned.offset.isEmpty() ? wall : wall + zoned.offset;
}

QString shorten(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 3)
        return text;
    return parts[0] + QLatin1Char(' ') + parts[1];
}

QString describeTimePoint(const QDateTime& when) {
    const QDateTime local = when.toLocalTime();
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString timePointText(const QDateTime& when) {
    return shorten(describeTimePoint(when));
}

} // namespace DateText
