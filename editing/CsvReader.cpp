#include "editing/TrackLogReaders.h"

#include <array>

namespace {

enum Column { Time, Latitude, Longitude, Altitude, ColumnCount };

const char* const columnNames[] = {"time", "latitude", "longitude", "altitude"};

struct Header {
    std::array<int, ColumnCount> at = {-1, -1, -1, -1};
    double altitudeScale = 1; // to metres
};

// The column a header cell names, case, blanks and punctuation aside, with
// a unit in brackets after it: "Date Time", "lat", "Elevation (ft)".
std::optional<Column> columnOf(QByteArrayView cell, double* scale) {
    QByteArray name = cell.trimmed().toByteArray().toLower();
    QByteArray unit;
    if (name.endsWith(')') || name.endsWith(']')) {
        const qsizetype open = name.lastIndexOf(name.endsWith(')') ? '(' : '[');
        if (open >= 0) {
            unit = name.mid(open + 1, name.size() - open - 2).trimmed();
            name.truncate(open);
        }
    }
    name.replace(' ', "").replace('_', "").replace('-', "").replace('.', "");
    static const QList<QByteArray> names[] = {
        {"time", "timestamp", "datetime", "utc", "utctime", "timeutc", "gpstime"},
        {"lat", "latitude"},
        {"lon", "lng", "long", "longitude"},
        {"alt", "altitude", "ele", "elevation", "height"},
    };
    for (int column = 0; column < ColumnCount; ++column) {
        if (!names[column].contains(name))
            continue;
        *scale = column == Altitude && (unit == "ft" || unit == "feet") ? 0.3048 : 1;
        return Column(column);
    }
    return std::nullopt;
}

// The cells of one line, a quoted cell's doubled quotes made one; the
// reason when a quote is left open or followed by more than blanks.
std::optional<QString> cellsOf(QByteArrayView line, char separator, QList<QByteArray>* cells) {
    cells->clear();
    qsizetype at = 0;
    for (;;) {
        QByteArray cell;
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t') && line[at] != separator)
            ++at;
        if (at < line.size() && line[at] == '"') {
            for (++at;; ++at) {
                if (at >= line.size())
                    return QStringLiteral("a quote that is not closed");
                if (line[at] == '"') {
                    if (at + 1 < line.size() && line[at + 1] == '"') {
                        cell += '"';
                        ++at;
                        continue;
                    }
                    ++at;
                    break;
                }
                cell += line[at];
            }
            while (at < line.size() && line[at] != separator) {
                if (line[at] != ' ' && line[at] != '\t')
                    return QStringLiteral("text after a closing quote");
                ++at;
            }
        } else {
            const qsizetype end = line.indexOf(separator, at);
            cell = line.sliced(at, (end < 0 ? line.size() : end) - at).toByteArray();
            at = end < 0 ? line.size() : end;
        }
        cells->append(cell);
        if (at >= line.size())
            return std::nullopt;
        ++at; // the separator
    }
}

char separatorOf(QByteArrayView header) {
    const qsizetype commas = header.count(','), semicolons = header.count(';'),
                    tabs = header.count('\t');
    if (semicolons > commas && semicolons >= tabs)
        return ';';
    return tabs > commas ? '\t' : ',';
}

// ISO 8601 with its zone (a time without one would be a guess), or seconds
// or milliseconds since 1970: any count from 10^11 on is milliseconds, which
// as seconds would be past the year 5000.
std::optional<qint64> instantOf(QByteArrayView text) {
    text = text.trimmed();
    if (const auto count = TrackText::number(text)) {
        if (*count < 0 || *count > 253402300799000.0)
            return std::nullopt;
        return std::llround(*count >= 1e11 ? *count : *count * 1000);
    }
    const QByteArrayView zone = text.size() > 19 ? text.sliced(19) : QByteArrayView();
    if (!zone.contains('Z') && !zone.contains('+') && !zone.contains('-'))
        return std::nullopt;
    return TrackText::isoInstant(text);
}

class CsvLog {
public:
    bool line(QByteArrayView line, qint64 number);
    Result<TrackLog> finish(TrackLog log);

private:
    bool fail(const QString& reason) {
        m_error = QStringLiteral("line %1: %2").arg(m_line).arg(reason);
        return false;
    }
    bool header(const QList<QByteArray>& cells);
    bool row(const QList<QByteArray>& cells);
    std::optional<double> number(const QByteArray& cell, const char* what);

    char m_separator = 0; // none before the header
    Header m_header;
    qsizetype m_width = 0;
    qint64 m_line = 0;
    QList<QByteArray> m_cells;
    TrackSegment m_points;
    qint64 m_unplaced = 0;
    qint64 m_firstUnplaced = 0;
    QString m_error;
};

bool CsvLog::line(QByteArrayView line, qint64 number) {
    m_line = number;
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.trimmed().isEmpty())
        return true;
    if (!m_separator)
        m_separator = separatorOf(line);
    if (const auto fault = cellsOf(line, m_separator, &m_cells))
        return fail(*fault);
    return m_width == 0 ? header(m_cells) : row(m_cells);
}

bool CsvLog::header(const QList<QByteArray>& cells) {
    for (qsizetype i = 0; i < cells.size(); ++i) {
        double scale = 1;
        const auto column = columnOf(cells[i], &scale);
        if (!column)
            continue;
        if (m_header.at[*column] >= 0)
            return fail(QStringLiteral("two %1 columns (%2 and %3)")
                            .arg(QLatin1String(columnNames[*column]))
                            .arg(m_header.at[*column] + 1)
                            .arg(i + 1));
        m_header.at[*column] = int(i);
        if (*column == Altitude)
            m_header.altitudeScale = scale;
    }
    for (int column : {Time, Latitude, Longitude}) {
        if (m_header.at[column] < 0)
            return fail(QStringLiteral("the header names no %1 column")
                            .arg(QLatin1String(columnNames[column])));
    }
    m_width = cells.size();
    return true;
}

std::optional<double> CsvLog::number(const QByteArray& cell, const char* what) {
    QByteArray text = cell;
    // Where the cells are not separated by commas a comma may be the decimal one.
    if (m_separator != ',' && !text.contains('.'))
        text.replace(',', '.');
    const auto value = TrackText::number(text);
    if (!value)
        fail(QStringLiteral("%1 \"%2\" is not a number")
                 .arg(QLatin1String(what), QString::fromUtf8(cell.trimmed().left(40))));
    return value;
}

bool CsvLog::row(const QList<QByteArray>& cells) {
    if (cells.size() != m_width)
        return fail(
            QStringLiteral("%1 cells where the header names %2").arg(cells.size()).arg(m_width));
    const QByteArray& timeCell = cells[m_header.at[Time]];
    const QByteArray& latitudeCell = cells[m_header.at[Latitude]];
    const QByteArray& longitudeCell = cells[m_header.at[Longitude]];
    // A logger without a fix writes the row with its position empty.
    if (latitudeCell.trimmed().isEmpty() && longitudeCell.trimmed().isEmpty()) {
        if (m_unplaced++ == 0)
            m_firstUnplaced = m_line;
        return true;
    }
    const auto msecs = instantOf(timeCell);
    if (!msecs)
        return fail(QStringLiteral("\"%1\" is neither a date and time with its zone nor seconds "
                                   "since 1970")
                        .arg(QString::fromUtf8(timeCell.trimmed().left(40))));
    const auto latitude = number(latitudeCell, "latitude");
    const auto longitude = latitude ? number(longitudeCell, "longitude") : std::nullopt;
    if (!latitude || !longitude)
        return false;
    if (const QString fault = TrackText::positionFault(*latitude, *longitude); !fault.isEmpty())
        return fail(fault);
    TrackPoint point{*msecs, *latitude, *longitude};
    if (m_header.at[Altitude] >= 0 && !cells[m_header.at[Altitude]].trimmed().isEmpty()) {
        const auto altitude = number(cells[m_header.at[Altitude]], "altitude");
        if (!altitude)
            return false;
        point.altitude = *altitude * m_header.altitudeScale;
    }
    if (qint64(m_points.size()) >= TrackLogLimits::MaxPoints)
        return fail(QStringLiteral("more than %1 points").arg(TrackLogLimits::MaxPoints));
    m_points.push_back(point);
    return true;
}

Result<TrackLog> CsvLog::finish(TrackLog log) {
    if (!m_error.isEmpty())
        return Result<TrackLog>::fail(m_error);
    if (m_unplaced > 0)
        log.notes << (m_unplaced == 1
                          ? QStringLiteral("1 row without a position skipped (at line %1)")
                                .arg(m_firstUnplaced)
                          : QStringLiteral("%1 rows without a position skipped (the first at "
                                           "line %2)")
                                .arg(m_unplaced)
                                .arg(m_firstUnplaced));
    if (!m_points.empty())
        log.segments.push_back(std::move(m_points));
    return Result<TrackLog>::ok(std::move(log));
}

} // namespace

bool looksLikeCsv(QByteArrayView firstLine) {
    if (firstLine.contains('$'))
        return false;
    QList<QByteArray> cells;
    if (cellsOf(firstLine, separatorOf(firstLine), &cells) || cells.size() < 2)
        return false;
    double scale = 1;
    for (const QByteArray& cell : cells) {
        if (columnOf(cell, &scale))
            return true;
    }
    return false;
}

// The rows are one segment, in whatever order they come.
Result<TrackLog> readCsv(const QByteArray& bytes) {
    TrackLog log;
    log.format = QStringLiteral("CSV");
    CsvLog csv;
    const QByteArrayView all =
        bytes.startsWith("\xEF\xBB\xBF") ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    qint64 number = 0;
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        if (!csv.line(all.sliced(start, end - start), ++number))
            break;
        start = end + 1;
    }
    return csv.finish(std::move(log));
}
