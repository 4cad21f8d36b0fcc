#include "editing/TrackLog.h"

#include "editing/StrictXmlReader.h"
#include "editing/TrackLogReaders.h"

#include <QFile>

#include <charconv>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

int digitsAt(QByteArrayView text, qsizetype at, qsizetype count) {
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (qsizetype i = at; i < at + count; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

qint64 TrackLog::pointCount() const {
    qint64 count = 0;
    for (const TrackSegment& segment : segments)
        count += qint64(segment.size());
    return count;
}

namespace TrackText {

std::optional<qint64> utcMsecs(int year, int month, int day, int hour, int minute, int second,
                               int msecs) {
    static constexpr int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || hour < 0 || hour > 23 || minute < 0 ||
        minute > 59 || second < 0 || second > 59 || msecs < 0 || msecs > 999)
        return std::nullopt;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (day < 1 || day > monthDays[month - 1] + (month == 2 && leap ? 1 : 0))
        return std::nullopt;
    // Days since 1970-01-01 in the proleptic Gregorian calendar.
    const qint64 y = year - (month <= 2 ? 1 : 0);
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const qint64 yearOfEra = y - era * 400;
    const qint64 dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const qint64 dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const qint64 days = era * 146097 + dayOfEra - 719468;
    return ((days * 24 + hour) * 60 + minute) * 60000 + qint64(second) * 1000 + msecs;
}

std::optional<qint64> isoInstant(QByteArrayView text) {
    text = text.trimmed();
    // yyyy-MM-ddTHH:mm:ss
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' ||
        (text[10] != 'T' && text[10] != ' ') || text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2),
              hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2),
              second = digitsAt(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    qsizetype at = 19;
    int msecs = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        const qsizetype first = at;
        double fraction = 0, scale = 0.1;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            fraction += (text[at] - '0') * scale;
            scale /= 10;
            ++at;
        }
        if (at == first)
            return std::nullopt;
        msecs = std::min(999, int(std::lround(fraction * 1000)));
    }
    qint64 offsetMinutes = 0;
    if (at < text.size()) {
        const QByteArrayView zone = text.sliced(at);
        if (zone == "Z") {
            // UTC
        } else if ((zone.size() == 6 && zone[3] == ':') || zone.size() == 5) {
            const int sign = zone[0] == '+' ? 1 : zone[0] == '-' ? -1 : 0;
            const int hours = digitsAt(zone, 1, 2);
            const int minutes = digitsAt(zone, zone.size() - 2, 2);
            if (sign == 0 || hours < 0 || hours > 23 || minutes < 0 || minutes > 59)
                return std::nullopt;
            offsetMinutes = sign * (hours * 60 + minutes);
        } else {
            return std::nullopt;
        }
    }
    const auto utc = utcMsecs(year, month, day, hour, minute, second, msecs);
    if (!utc)
        return std::nullopt;
    return *utc - offsetMinutes * 60000;
}

std::optional<double> number(QByteArrayView text) {
    text = text.trimmed();
    if (text.startsWith('+'))
        text = text.sliced(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.isEmpty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString positionFault(double latitude, double longitude) {
    if (!(std::fabs(latitude) <= 90))
        return QStringLiteral("latitude %1 is outside -90 to 90").arg(latitude);
    if (!(std::fabs(longitude) <= 180))
        return QStringLiteral("longitude %1 is outside -180 to 180").arg(longitude);
    return QString();
}

} // namespace TrackText

Result<TrackLog> parseTrackLog(const QByteArray& bytes, const QString& name) {
    using R = Result<TrackLog>;
    if (bytes.size() > TrackLogLimits::MaxFileSize)
        return R::fail(QStringLiteral("%1: larger than %2 MB")
                           .arg(name)
                           .arg(TrackLogLimits::MaxFileSize / (1024 * 1024)));
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF"))
        return R::fail(
            QStringLiteral("%1: UTF-16 text, which track logs are not written in").arg(name));
    qsizetype first = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (first < bytes.size() && isBlank(bytes[first]))
        ++first;
    if (first == bytes.size())
        return R::fail(QStringLiteral("%1: an empty file").arg(name));
    Result<TrackLog> log = R::fail(QString());
    if (bytes[first] == '<') {
        StrictXmlReader xml(bytes);
        StrictXmlReader::Token token;
        if (!xml.next(&token))
            return R::fail(QStringLiteral("%1: %2").arg(
                name, xml.failed() ? xml.error() : QStringLiteral("no element")));
        if (xml.name() == QLatin1String("gpx"))
            log = readGpx(xml);
        else if (xml.name() == QLatin1String("kml"))
            log = readKml(xml);
        else if (xml.name() == QLatin1String("TrainingCenterDatabase"))
            log = readTcx(xml);
        else
            return R::fail(QStringLiteral("%1: <%2> is neither a GPX, a KML nor a TCX document")
                               .arg(name, QString(xml.name())));
    } else {
        const QByteArrayView rest = QByteArrayView(bytes).sliced(first);
        const qsizetype end = rest.indexOf('\n');
        const QByteArrayView firstLine = rest.first(end < 0 ? rest.size() : end).trimmed();
        if (looksLikeCsv(firstLine))
            log = readCsv(bytes);
        else if (looksLikeIgc(firstLine))
            log = readIgc(bytes);
        else
            log = readNmea(bytes);
    }
    if (!log)
        return R::fail(QStringLiteral("%1: %2").arg(name, log.error()));
    if (log->pointCount() == 0)
        return R::fail(QStringLiteral("%1: no point with a time").arg(name));
    log.value().path = name;
    return log;
}

Result<TrackLog> readTrackLog(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result<TrackLog>::fail(
            QStringLiteral("%1: cannot be read (%2)").arg(path, file.errorString()));
    if (file.size() > TrackLogLimits::MaxFileSize)
        return Result<TrackLog>::fail(QStringLiteral("%1: larger than %2 MB")
                                          .arg(path)
                                          .arg(TrackLogLimits::MaxFileSize / (1024 * 1024)));
    // A device or a pipe has no size: at most the limit and a byte are read.
    return parseTrackLog(file.read(TrackLogLimits::MaxFileSize + 1), path);
}
