#include "editing/Gazetteer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double earthKm = 6371.0088;
constexpr double kmPerDegree = earthKm * std::numbers::pi / 180;
constexpr int lonCells = 360, latCells = 180;
constexpr double borderToleranceKm = 1;

double radians(double degrees) {
    return degrees * std::numbers::pi / 180;
}

struct Unit {
    double x, y, z;
};

Unit unitOf(double lat, double lon) {
    const double p = radians(lat), l = radians(lon);
    return {std::cos(p) * std::cos(l), std::cos(p) * std::sin(l), std::sin(p)};
}

// The squared chord of an arc of that many km, and back.
double squaredChordOf(double km) {
    const double chord = 2 * std::sin(std::min(km / earthKm, std::numbers::pi) / 2);
    return chord * chord;
}

double kmOfSquaredChord(double squared) {
    return 2 * earthKm * std::asin(std::min(1.0, std::sqrt(squared) / 2));
}

int cellOf(int latCell, int lonCell) {
    return latCell * lonCells + lonCell;
}

int latCellOf(double lat) {
    return std::clamp(int(std::floor(lat + 90)), 0, latCells - 1);
}

int lonCellOf(double lon) {
    return ((int(std::floor(lon + 180)) % lonCells) + lonCells) % lonCells;
}

// The nautical zone of a longitude: Etc/GMT-1 is an hour east of UTC.
QString nauticalZone(double lon) {
    const int hours = int(std::lround(lon / 15));
    if (hours == 0)
        return QStringLiteral("Etc/GMT");
    return QStringLiteral("Etc/GMT%1%2")
        .arg(hours > 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(std::abs(hours));
}

} // namespace

double greatCircleKm(double lat1, double lon1, double lat2, double lon2) {
    const double p1 = radians(lat1), p2 = radians(lat2);
    const double dp = p2 - p1, dl = radians(lon2 - lon1);
    const double a =
        std::pow(std::sin(dp / 2), 2) + std::cos(p1) * std::cos(p2) * std::pow(std::sin(dl / 2), 2);
    return 2 * earthKm * std::asin(std::min(1.0, std::sqrt(a)));
}

double initialBearing(double lat1, double lon1, double lat2, double lon2) {
    const double p1 = radians(lat1), p2 = radians(lat2), dl = radians(lon2 - lon1);
    const double y = std::sin(dl) * std::cos(p2);
    const double x = std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl);
    const double degrees = std::atan2(y, x) * 180 / std::numbers::pi;
    return std::fmod(degrees + 360, 360);
}

Gazetteer::Gazetteer(GazetteerData data) : m_data(std::move(data)) {
    std::vector<uint32_t> cells(m_data.places.size());
    m_cellStart.assign(size_t(latCells) * lonCells + 1, 0);
    for (size_t i = 0; i < cells.size(); ++i) {
        const auto& place = m_data.places[i];
        cells[i] = uint32_t(cellOf(latCellOf(place.lat * 1e-5), lonCellOf(place.lon * 1e-5)));
        ++m_cellStart[cells[i] + 1];
    }
    for (size_t c = 1; c < m_cellStart.size(); ++c)
        m_cellStart[c] += m_cellStart[c - 1];
    std::vector<uint32_t> next(m_cellStart.begin(), m_cellStart.end() - 1);
    m_order.resize(m_data.places.size());
    for (uint32_t i = 0; i < cells.size(); ++i)
        m_order[next[cells[i]]++] = i;
    for (const auto& polygon : m_data.polygons) {
        if (m_bordersMinX > m_bordersMaxX) {
            m_bordersMinX = polygon.minX;
            m_bordersMaxX = polygon.maxX;
        }
        m_bordersMinX = std::min(m_bordersMinX, polygon.minX);
        m_bordersMaxX = std::max(m_bordersMaxX, polygon.maxX);
    }
    m_units.resize(m_order.size());
    m_cellPrepared = std::make_unique<std::once_flag[]>(size_t(latCells) * lonCells);
}

void Gazetteer::prepareCell(int cell) const {
    // Each cell's points are written once, by one thread, into a range of
    // their own.
    std::call_once(m_cellPrepared[size_t(cell)], [&] {
        for (uint32_t k = m_cellStart[size_t(cell)]; k < m_cellStart[size_t(cell) + 1]; ++k) {
            const auto& place = m_data.places[m_order[k]];
            const Unit unit = unitOf(place.lat * 1e-5, place.lon * 1e-5);
            m_units[k] = {unit.x, unit.y, unit.z};
        }
    });
}

Result<std::shared_ptr<const Gazetteer>> Gazetteer::fromBytes(const QByteArray& file) {
    using R = Result<std::shared_ptr<const Gazetteer>>;
    auto data = readGazetteerData(file);
    if (!data)
        return R::fail(data.error());
    return R::ok(std::shared_ptr<const Gazetteer>(new Gazetteer(std::move(data).value())));
}

Result<std::shared_ptr<const Gazetteer>> Gazetteer::load(const QString& path) {
    using R = Result<std::shared_ptr<const Gazetteer>>;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return R::fail(
            QStringLiteral("cannot read the gazetteer %1: %2").arg(path, file.errorString()));
    // The file is a few megabytes: one read, then the checks.
    if (file.size() > (64 << 20))
        return R::fail(QStringLiteral("%1 is too large for a gazetteer").arg(path));
    auto read = fromBytes(file.readAll());
    if (!read)
        return R::fail(QStringLiteral("%1: %2").arg(path, read.error()));
    return read;
}

QString Gazetteer::defaultPath() {
    const QString given = qEnvironmentVariable("TESSAVIEW_GAZETTEER");
    if (!given.isEmpty())
        return given;
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QDir::cleanPath(QFileInfo(self).absolutePath() +
                           QStringLiteral("/../share/tessaview/places.tvgz"));
}

PlaceFound Gazetteer::found(uint32_t index, double lat, double lon) const {
    const auto& place = m_data.places[index];
    const auto& state = m_data.states[place.state];
    const auto& country = m_data.countries[state.country];
    PlaceFound out;
    out.name = m_data.text(place.name);
    out.state = m_data.text(state.name);
    out.country = m_data.text(country.name);
    out.countryCode = QString::fromLatin1(country.code, 2);
    out.zone = m_data.text(m_data.zones[place.zone]);
    out.index = index;
    out.latitude = place.lat * 1e-5;
    out.longitude = place.lon * 1e-5;
    out.distanceKm = greatCircleKm(lat, lon, out.latitude, out.longitude);
    out.bearing = initialBearing(lat, lon, out.latitude, out.longitude);
    return out;
}

QString Gazetteer::nameIn(const PlaceFound& place, const QString& language) const {
    const QByteArray code = language.left(2).toLower().toLatin1();
    for (const auto& entry : m_data.languages) {
        if (code.size() != 2 || entry.code[0] != code[0] || entry.code[1] != code[1])
            continue;
        const auto it = std::lower_bound(entry.names.begin(), entry.names.end(),
                                         std::pair<uint32_t, uint32_t>{place.index, 0});
        if (it != entry.names.end() && it->first == place.index)
            return m_data.text(it->second);
    }
    return place.name;
}

PlaceFound Gazetteer::placeAt(uint32_t index) const {
    const auto& place = m_data.places[index];
    return found(index, place.lat * 1e-5, place.lon * 1e-5);
}

std::optional<PlaceFound> Gazetteer::nearest(double lat, double lon, double maxKm,
                                             std::optional<uint32_t> country) const {
    if (!std::isfinite(lat) || !std::isfinite(lon) || m_data.places.empty())
        return std::nullopt;
    const int latCell = latCellOf(lat), lonCell = lonCellOf(lon);
    const Unit at = unitOf(lat, lon);
    std::optional<uint32_t> best;
    double bestKm = maxKm, bestSquared = squaredChordOf(maxKm);
    for (int radius = 0; radius <= lonCells / 2; ++radius) {
        // A cell of this ring is at least this far: a degree of latitude, or
        // of longitude at the ring's highest latitude (a chord on a parallel
        // is at least 2/pi of its arc).
        const double reach = std::min(90.0, std::abs(lat) + radius + 1);
        const double bound = (radius - 1) * kmPerDegree *
                             std::min(1.0, std::cos(radians(reach)) * 2 / std::numbers::pi);
        if (radius > 1 && bound > bestKm)
            break;
        for (int i = -radius; i <= radius; ++i) {
            const int row = latCell + i;
            if (row < 0 || row >= latCells)
                continue;
            const int step = (std::abs(i) == radius || radius == 0) ? 1 : 2 * radius;
            for (int j = -radius; j <= radius; j += step) {
                if (2 * radius + 1 > lonCells && j > -radius && j + radius >= lonCells)
                    break;
                const int column = ((lonCell + j) % lonCells + lonCells) % lonCells;
                const int cell = cellOf(row, column);
                prepareCell(cell);
                for (uint32_t k = m_cellStart[size_t(cell)]; k < m_cellStart[size_t(cell) + 1];
                     ++k) {
                    const UnitPoint& unit = m_units[k];
                    const double dx = unit.x - at.x, dy = unit.y - at.y, dz = unit.z - at.z;
                    const double squared = dx * dx + dy * dy + dz * dz;
                    if (squared > bestSquared)
                        continue;
                    const uint32_t index = m_order[k];
                    if (country && m_data.states[m_data.places[index].state].country != *country)
                        continue;
                    bestSquared = squared;
                    bestKm = kmOfSquaredChord(squared);
                    best = index;
                }
            }
        }
    }
    if (!best)
        return std::nullopt;
    return found(*best, lat, lon);
}

bool Gazetteer::inPolygon(const GazetteerData::Polygon& polygon, double x, double y) const {
    bool inside = false;
    for (uint32_t r = polygon.firstRing; r < polygon.firstRing + polygon.ringCount; ++r) {
        const auto& ring = m_data.rings[r];
        const GazetteerData::Point* p = m_data.points.data() + ring.first;
        for (uint32_t i = 0, j = ring.count - 1; i < ring.count; j = i++) {
            if ((p[i].y > y) != (p[j].y > y) &&
                x < p[i].x + (y - p[i].y) * double(p[j].x - p[i].x) / double(p[j].y - p[i].y))
                inside = !inside;
        }
    }
    return inside;
}

double Gazetteer::borderKm(uint32_t country, double lat, double lon, double limitKm) const {
    // Near the position the grid is flat enough to measure on.
    const double kmX = m_data.scaleX * kmPerDegree * std::max(std::cos(radians(lat)), 1e-6);
    const double kmY = m_data.scaleY * kmPerDegree;
    const double x = (lon - m_data.translateX) / m_data.scaleX;
    const double y = (lat - m_data.translateY) / m_data.scaleY;
    const double reachX = limitKm / kmX, reachY = limitKm / kmY;
    double best = limitKm * limitKm;
    for (const auto& polygon : m_data.polygons) {
        if (polygon.country != country || x + reachX < polygon.minX || x - reachX > polygon.maxX ||
            y + reachY < polygon.minY || y - reachY > polygon.maxY)
            continue;
        for (uint32_t r = polygon.firstRing; r < polygon.firstRing + polygon.ringCount; ++r) {
            const auto& ring = m_data.rings[r];
            const GazetteerData::Point* p = m_data.points.data() + ring.first;
            for (uint32_t i = 0, j = ring.count - 1; i < ring.count; j = i++) {
                const double ax = (p[j].x - x) * kmX, ay = (p[j].y - y) * kmY;
                const double dx = (p[i].x - p[j].x) * kmX, dy = (p[i].y - p[j].y) * kmY;
                const double length = dx * dx + dy * dy;
                const double t =
                    length > 0 ? std::clamp(-(ax * dx + ay * dy) / length, 0.0, 1.0) : 0.0;
                const double cx = ax + t * dx, cy = ay + t * dy;
                best = std::min(best, cx * cx + cy * cy);
            }
        }
    }
    return std::sqrt(best);
}

std::optional<uint32_t> Gazetteer::countryAt(double lat, double lon) const {
    if (!std::isfinite(lat) || !std::isfinite(lon))
        return std::nullopt;
    const double y = (lat - m_data.translateY) / m_data.scaleY;
    const double turn = 360 / m_data.scaleX;
    // A ring across the antimeridian runs on past it: the point is tried a
    // turn either way too.
    for (const double shift : {0.0, turn, -turn}) {
        const double x = (lon - m_data.translateX) / m_data.scaleX + shift;
        if (x < m_bordersMinX || x > m_bordersMaxX)
            continue;
        for (const auto& polygon : m_data.polygons) {
            if (x < polygon.minX || x > polygon.maxX || y < polygon.minY || y > polygon.maxY)
                continue;
            if (inPolygon(polygon, x, y))
                return polygon.country;
        }
    }
    return std::nullopt;
}

Location Gazetteer::locate(double lat, double lon, double maxKm) const {
    Location out;
    auto country = countryAt(lat, lon);
    // Off every border, a place near enough stands for the land: a beach or
    // a pier the borders' resolution leaves in the sea.
    std::optional<PlaceFound> place =
        country ? nearest(lat, lon, 1500, country) : nearest(lat, lon);
    // Drawn at 1:10 million, a border line cannot tell the sides apart
    // within a kilometre of it (a river's banks): where the position's own
    // country has no place near enough to name, a place across the line
    // that is near enough names the City, and its country the Country.
    if (country && (!place || place->distanceKm > maxKm)) {
        auto across = nearest(lat, lon);
        if (across && across->distanceKm <= maxKm &&
            across->countryCode != QLatin1String(m_data.countries[*country].code, 2) &&
            borderKm(*country, lat, lon, borderToleranceKm) < borderToleranceKm) {
            country.reset();
            place = std::move(across);
        }
    }
    if (!country && place && place->distanceKm > maxKm) {
        out.nearest = place;
        out.zone = nauticalZone(lon);
        return out;
    }
    if (country) {
        const auto& entry = m_data.countries[*country];
        out.country = m_data.text(entry.name);
        out.countryCode = QString::fromLatin1(entry.code, 2);
    } else if (place) {
        out.country = place->country;
        out.countryCode = place->countryCode;
    }
    // A country with no place near (Antarctica) keeps the time of the sea.
    if (!place) {
        out.nearest = nearest(lat, lon);
        out.zone = nauticalZone(lon);
        return out;
    }
    out.nearest = place;
    out.zone = place->zone;
    if (place->countryCode == out.countryCode)
        out.state = place->state;
    if (place->distanceKm <= maxKm && place->countryCode == out.countryCode)
        out.city = place;
    return out;
}

QString Gazetteer::zoneAt(double lat, double lon) const {
    return locate(lat, lon, 10).zone;
}
