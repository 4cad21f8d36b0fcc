#include "editing/TrackLogReaders.h"

#include <charconv>
#include <string_view>

namespace {

using Fields = std::vector<std::string_view>;

Fields split(std::string_view sentence) {
    Fields fields;
    for (;;) {
        const size_t comma = sentence.find(',');
        fields.push_back(sentence.substr(0, comma));
        if (comma == std::string_view::npos)
            return fields;
        sentence.remove_prefix(comma + 1);
    }
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<double> decimal(std::string_view text) {
    double value = 0;
    if (text.empty() || text.front() == '+')
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

int twoDigits(std::string_view text, size_t at) {
    if (at + 2 > text.size() || text[at] < '0' || text[at] > '9' || text[at + 1] < '0' ||
        text[at + 1] > '9')
        return -1;
    return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

// "hhmmss" with an optional fraction: milliseconds since midnight.
std::optional<qint64> timeOfDay(std::string_view text) {
    const int hour = twoDigits(text, 0), minute = twoDigits(text, 2), second = twoDigits(text, 4);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    qint64 msecs = ((hour * 60 + minute) * 60 + second) * 1000;
    if (text.size() > 6) {
        const auto fraction = decimal(std::string("0").append(text.substr(6)));
        if (text[6] != '.' || !fraction)
            return std::nullopt;
        msecs += std::min<qint64>(999, std::llround(*fraction * 1000));
    }
    return msecs;
}

// "ddmm.mmmm" (or "dddmm.mmmm") and its hemisphere: signed degrees.
std::optional<double> degrees(std::string_view text, std::string_view hemisphere, char negative,
                              char positive) {
    const auto value = decimal(text);
    if (!value || *value < 0 || hemisphere.size() != 1 ||
        (hemisphere[0] != negative && hemisphere[0] != positive))
        return std::nullopt;
    const double whole = std::floor(*value / 100);
    const double minutes = *value - whole * 100;
    if (minutes >= 60)
        return std::nullopt;
    const double result = whole + minutes / 60;
    return hemisphere[0] == negative ? -result : result;
}

class NmeaLog {
public:
    void sentence(std::string_view line, qint64 lineNumber);
    Result<TrackLog> finish(TrackLog log);

private:
    void rmc(const Fields& f);
    void gga(const Fields& f);
    void malformed(const QString& why) {
        if (m_malformed++ == 0)
            m_firstMalformed = QStringLiteral("line %1: %2").arg(m_line).arg(why);
    }

    TrackSegment m_points;
    qint64 m_line = 0;
    int m_sentences = 0;
    int m_badChecksums = 0;
    qint64 m_firstBadChecksum = 0;
    int m_malformed = 0;
    QString m_firstMalformed;
    // A GGA's altitude waits for the RMC of the same second, which may follow it.
    qint64 m_ggaTime = -1;
    double m_ggaAltitude = 0;
};

void NmeaLog::sentence(std::string_view line, qint64 lineNumber) {
    m_line = lineNumber;
    const size_t dollar = line.find('$');
    if (dollar == std::string_view::npos)
        return;
    line.remove_prefix(dollar + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.remove_suffix(1);
    const size_t star = line.rfind('*');
    if (star != std::string_view::npos) {
        int sum = 0;
        for (size_t i = 0; i < star; ++i)
            sum ^= static_cast<unsigned char>(line[i]);
        const std::string_view given = line.substr(star + 1);
        if (given.size() != 2 || hexDigit(given[0]) < 0 || hexDigit(given[1]) < 0 ||
            hexDigit(given[0]) * 16 + hexDigit(given[1]) != sum) {
            if (m_badChecksums++ == 0)
                m_firstBadChecksum = lineNumber;
            return;
        }
        line = line.substr(0, star);
    }
    const Fields fields = split(line);
    const std::string_view id = fields[0];
    if (id.size() != 5)
        return;
    ++m_sentences;
    if (id.substr(2) == "RMC")
        rmc(fields);
    else if (id.substr(2) == "GGA")
        gga(fields);
}

void NmeaLog::rmc(const Fields& f) {
    if (f.size() < 10) {
        malformed(QStringLiteral("an RMC sentence of %1 fields").arg(f.size()));
        return;
    }
    if (f[2] != "A") // no fix
        return;
    const auto time = timeOfDay(f[1]);
    const auto latitude = degrees(f[3], f[4], 'S', 'N');
    const auto longitude = degrees(f[5], f[6], 'W', 'E');
    const int day = twoDigits(f[9], 0), month = twoDigits(f[9], 2), year = twoDigits(f[9], 4);
    // Two-digit years: the receivers' own rule, 80 to 99 in the last century.
    const auto date = f[9].size() == 6 ? TrackText::utcMsecs(year < 80 ? 2000 + year : 1900 + year,
                                                             month, day, 0, 0, 0, 0)
                                       : std::nullopt;
    if (!time || !date || !latitude || !longitude ||
        !TrackText::positionFault(*latitude, *longitude).isEmpty()) {
        malformed(QStringLiteral("an RMC sentence with a bad %1")
                      .arg(!time   ? QStringLiteral("time")
                           : !date ? QStringLiteral("date")
                                   : QStringLiteral("position")));
        return;
    }
    TrackPoint point{*date + *time, *latitude, *longitude};
    if (m_ggaTime == *time)
        point.altitude = m_ggaAltitude;
    m_points.push_back(point);
}

void NmeaLog::gga(const Fields& f) {
    if (f.size() < 11) {
        malformed(QStringLiteral("a GGA sentence of %1 fields").arg(f.size()));
        return;
    }
    if (f[6].empty() || f[6] == "0" || f[9].empty()) // no fix, or no altitude
        return;
    const auto time = timeOfDay(f[1]);
    const auto altitude = decimal(f[9]);
    if (!time || !altitude) {
        malformed(QStringLiteral("a GGA sentence with a bad %1")
                      .arg(!time ? QStringLiteral("time") : QStringLiteral("altitude")));
        return;
    }
    m_ggaTime = *time;
    m_ggaAltitude = *altitude;
    if (!m_points.empty() && m_points.back().msecs % 86400000 == *time &&
        !m_points.back().hasAltitude())
        m_points.back().altitude = *altitude;
}

Result<TrackLog> NmeaLog::finish(TrackLog log) {
    if (m_badChecksums > 0)
        log.notes << (m_badChecksums == 1
                          ? QStringLiteral("1 sentence with a bad checksum skipped (at line %1)")
                                .arg(m_firstBadChecksum)
                          : QStringLiteral("%1 sentences with a bad checksum skipped (the first "
                                           "at line %2)")
                                .arg(m_badChecksums)
                                .arg(m_firstBadChecksum));
    if (m_malformed > 0)
        log.notes
            << (m_malformed == 1
                    ? QStringLiteral("1 malformed sentence skipped (at %1)").arg(m_firstMalformed)
                    : QStringLiteral("%1 malformed sentences skipped (the first at %2)")
                          .arg(m_malformed)
                          .arg(m_firstMalformed));
    if (m_points.empty()) {
        QString why = m_sentences == 0 && m_badChecksums == 0
                          ? QStringLiteral("neither XML nor NMEA sentences: not a track log")
                          : QStringLiteral("no RMC sentence with a fix, which an NMEA log needs "
                                           "for the date");
        if (!log.notes.isEmpty())
            why += QStringLiteral(" (%1)").arg(log.notes.join(QStringLiteral("; ")));
        return Result<TrackLog>::fail(why);
    }
    log.segments.push_back(std::move(m_points));
    return Result<TrackLog>::ok(std::move(log));
}

} // namespace

// One segment per log: a receiver that lost its fix leaves a gap in time,
// which the largest gap the user allows then splits.
Result<TrackLog> readNmea(const QByteArray& bytes) {
    TrackLog log;
    log.format = QStringLiteral("NMEA");
    NmeaLog nmea;
    const std::string_view all(bytes.constData(), size_t(bytes.size()));
    qint64 lineNumber = 0;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string_view::npos)
            end = all.size();
        ++lineNumber;
        // A sentence is at most 82 characters; longer lines are not sentences.
        if (end - start <= 1024)
            nmea.sentence(all.substr(start, end - start), lineNumber);
        if (qint64(lineNumber) > TrackLogLimits::MaxPoints * 8)
            return Result<TrackLog>::fail(
                QStringLiteral("more than %1 lines").arg(TrackLogLimits::MaxPoints * 8));
        start = end + 1;
    }
    return nmea.finish(std::move(log));
}
