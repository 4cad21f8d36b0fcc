#include "editing/TrackLogReaders.h"

#include <string_view>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The digits at [at, at + count) as a number; -1 when one is not a digit.
int digits(std::string_view text, size_t at, size_t count) {
    if (at + count > text.size())
        return -1;
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "DDMMmmm" (or "DDDMMmmm") and its hemisphere letter: signed degrees.
std::optional<double> degrees(std::string_view text, int degreeDigits, char positive,
                              char negative) {
    const int whole = digits(text, 0, size_t(degreeDigits));
    const int thousandths = digits(text, size_t(degreeDigits), 5);
    const char hemisphere = text.size() > size_t(degreeDigits) + 5 ? text[degreeDigits + 5] : 0;
    if (whole < 0 || thousandths < 0 || thousandths >= 60000 ||
        (hemisphere != positive && hemisphere != negative))
        return std::nullopt;
    const double value = whole + thousandths / 60000.0;
    return hemisphere == negative ? -value : value;
}

// Five characters of metres: digits, or a minus and four digits.
std::optional<int> metres(std::string_view text) {
    if (text.size() != 5)
        return std::nullopt;
    if (text[0] == '-') {
        const int value = digits(text, 1, 4);
        return value < 0 ? std::nullopt : std::optional<int>(-value);
    }
    const int value = digits(text, 0, 5);
    return value < 0 ? std::nullopt : std::optional<int>(value);
}

// "HFDTEddmmyy", or "HFDTEDATE:ddmmyy,NN" with the flight of the day after
// it: midnight of the date, UTC.
std::optional<qint64> dateHeader(std::string_view line) {
    std::string_view rest = line.substr(5);
    if (rest.substr(0, 4) == "DATE")
        rest.remove_prefix(4);
    if (!rest.empty() && rest[0] == ':')
        rest.remove_prefix(1);
    const int day = digits(rest, 0, 2), month = digits(rest, 2, 2), year = digits(rest, 4, 2);
    if (day < 0 || month < 0 || year < 0 || (rest.size() > 6 && rest[6] != ','))
        return std::nullopt;
    // Two-digit years as the receivers count them: 80 to 99 in the last century.
    return TrackText::utcMsecs(year < 80 ? 2000 + year : 1900 + year, month, day, 0, 0, 0, 0);
}

class IgcLog {
public:
    // False, with the fault, when the line is malformed.
    bool line(std::string_view line, qint64 number);
    Result<TrackLog> finish(TrackLog log);

private:
    bool fail(const QString& reason) {
        m_error = QStringLiteral("line %1: %2").arg(m_line).arg(reason);
        return false;
    }
    bool fix(std::string_view record);

    TrackSegment m_points;
    qint64 m_line = 0;
    std::optional<qint64> m_date;
    qint64 m_dayOffset = 0;      // days past the date header, from crossing midnight
    qint64 m_lastTimeOfDay = -1; // of the previous B record
    QString m_error;
};

bool IgcLog::line(std::string_view line, qint64 number) {
    m_line = number;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.remove_suffix(1);
    if (line.size() >= 5 && line[0] == 'H' && line.substr(2, 3) == "DTE") {
        m_date = dateHeader(line);
        if (!m_date)
            return fail(QStringLiteral("\"%1\" is not a date header")
                            .arg(QString::fromUtf8(line.substr(0, 40))));
        m_dayOffset = 0;
        m_lastTimeOfDay = -1;
        return true;
    }
    return line.empty() || line[0] != 'B' || fix(line);
}

// B HHMMSS DDMMmmmN DDDMMmmmE V PPPPP GGGGG, then the extensions an I record
// declares, which are not read.
bool IgcLog::fix(std::string_view record) {
    if (record.size() < 35)
        return fail(
            QStringLiteral("a B record of %1 characters, fewer than 35").arg(record.size()));
    if (!m_date)
        return fail(QStringLiteral("a B record before the HFDTE date header"));
    const int hour = digits(record, 1, 2), minute = digits(record, 3, 2),
              second = digits(record, 5, 2);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return fail(QStringLiteral("a B record with a bad time"));
    const auto latitude = degrees(record.substr(7, 8), 2, 'N', 'S');
    const auto longitude = degrees(record.substr(15, 9), 3, 'E', 'W');
    if (!latitude || !longitude)
        return fail(QStringLiteral("a B record with a bad %1")
                        .arg(latitude ? QStringLiteral("longitude") : QStringLiteral("latitude")));
    if (const QString fault = TrackText::positionFault(*latitude, *longitude); !fault.isEmpty())
        return fail(QStringLiteral("a B record whose %1").arg(fault));
    const char validity = record[24];
    if (validity != 'A' && validity != 'V')
        return fail(QStringLiteral("a B record with the validity '%1', not A or V")
                        .arg(QLatin1Char(validity)));
    const auto pressure = metres(record.substr(25, 5));
    const auto gnss = metres(record.substr(30, 5));
    if (!pressure || !gnss)
        return fail(QStringLiteral("a B record with a bad altitude"));
    const qint64 timeOfDay = ((hour * 60 + minute) * 60 + second) * 1000;
    // A flight over midnight UTC goes on with the next day; a step back of
    // less than half a day is a record out of order, not a new day.
    if (m_lastTimeOfDay >= 0 && timeOfDay < m_lastTimeOfDay - 12 * 3600000)
        ++m_dayOffset;
    m_lastTimeOfDay = timeOfDay;
    TrackPoint point{*m_date + m_dayOffset * 86400000 + timeOfDay, *latitude, *longitude};
    // The GNSS altitude where the fix has one (A, and not 0), else the
    // pressure altitude; both 0 is a logger that records neither.
    if (validity == 'A' && *gnss != 0)
        point.altitude = *gnss;
    else if (*pressure != 0)
        point.altitude = *pressure;
    if (qint64(m_points.size()) >= TrackLogLimits::MaxPoints)
        return fail(QStringLiteral("more than %1 points").arg(TrackLogLimits::MaxPoints));
    m_points.push_back(point);
    return true;
}

Result<TrackLog> IgcLog::finish(TrackLog log) {
    if (!m_error.isEmpty())
        return Result<TrackLog>::fail(m_error);
    if (!m_points.empty())
        log.segments.push_back(std::move(m_points));
    return Result<TrackLog>::ok(std::move(log));
}

} // namespace

bool looksLikeIgc(QByteArrayView firstLine) {
    if (firstLine.startsWith("HFDTE"))
        return true;
    // The A record, which comes first: the logger's maker and serial number.
    if (firstLine.size() < 4 || firstLine[0] != 'A')
        return false;
    for (qsizetype i = 1; i < 4; ++i) {
        const char c = firstLine[i];
        if (!isDigit(c) && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z'))
            return false;
    }
    return !firstLine.contains(',') && !firstLine.contains(';') && !firstLine.contains('$');
}

// The flight is one segment.
Result<TrackLog> readIgc(const QByteArray& bytes) {
    TrackLog log;
    log.format = QStringLiteral("IGC");
    IgcLog igc;
    const std::string_view all(bytes.constData(), size_t(bytes.size()));
    qint64 number = 0;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string_view::npos)
            end = all.size();
        if (!igc.line(all.substr(start, end - start), ++number))
            break;
        start = end + 1;
    }
    return igc.finish(std::move(log));
}
