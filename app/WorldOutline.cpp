#include "app/WorldOutline.h"

#include "app/Background.h"
#include "editing/Gazetteer.h"
#include "editing/GazetteerData.h"

#include <QFile>
#include <QPainter>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {

constexpr int tileSize = 256;
// From this zoom on, every point is drawn: the borders' grid of some 400 m
// is then a pixel or more.
constexpr int wholeZoom = 8;
// How far (in pixels of its zoom) a simplified line may pass from the true one.
constexpr double tolerancePixels = 0.5;

template <typename P> double segmentDistance2(P p, P a, P b) {
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((double(p.x) - a.x) * dx + (double(p.y) - a.y) * dy) / length2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return ex * ex + ey * ey;
}

// The points of a closed ring that stray farther than the tolerance from the
// line through the points kept around them (Douglas and Peucker), the ring
// split at its first point and the point farthest from it. A ring that
// shrinks below three points is gone at this scale.
template <typename P> std::vector<P> simplified(const P* p, uint32_t n, double tolerance) {
    if (n > 1 && p[n - 1].x == p[0].x && p[n - 1].y == p[0].y)
        --n; // the closing point repeats the first
    if (n < 3)
        return {};
    const auto at = [&](uint32_t i) { return p[i == n ? 0 : i]; };
    uint32_t far = 0;
    double farthest = -1;
    for (uint32_t i = 1; i < n; ++i) {
        const double dx = double(p[i].x) - p[0].x, dy = double(p[i].y) - p[0].y;
        if (dx * dx + dy * dy > farthest) {
            farthest = dx * dx + dy * dy;
            far = i;
        }
    }
    std::vector<char> keep(n + 1, 0);
    keep[0] = keep[far] = 1;
    std::vector<std::pair<uint32_t, uint32_t>> spans{{0, far}, {far, n}};
    const double tolerance2 = tolerance * tolerance;
    while (!spans.empty()) {
        const auto [a, b] = spans.back();
        spans.pop_back();
        uint32_t worst = 0;
        double worstDistance = tolerance2;
        for (uint32_t i = a + 1; i < b; ++i) {
            const double d = segmentDistance2(p[i], at(a), at(b));
            if (d > worstDistance) {
                worstDistance = d;
                worst = i;
            }
        }
        if (worst != 0) {
            keep[worst] = 1;
            spans.push_back({a, worst});
            spans.push_back({worst, b});
        }
    }
    std::vector<P> out;
    for (uint32_t i = 0; i < n; ++i) {
        if (keep[i])
            out.push_back(p[i]);
    }
    if (out.size() < 3)
        out.clear();
    return out;
}

// The polygon cut to the rectangle (Sutherland and Hodgman): the parts
// outside become edges along the rectangle's sides, which the caller keeps
// out of sight.
void clipToRect(QPolygonF& polygon, const QRectF& r, QPolygonF& scratch) {
    const auto side = [&](int edge, QPointF p) {
        switch (edge) {
        case 0:
            return p.x() >= r.left();
        case 1:
            return p.x() <= r.right();
        case 2:
            return p.y() >= r.top();
        default:
            return p.y() <= r.bottom();
        }
    };
    const auto cross = [&](int edge, QPointF a, QPointF b) {
        const double bound = edge == 0   ? r.left()
                             : edge == 1 ? r.right()
                             : edge == 2 ? r.top()
                                         : r.bottom();
        if (edge < 2) {
            const double t = (bound - a.x()) / (b.x() - a.x());
            return QPointF(bound, a.y() + t * (b.y() - a.y()));
        }
        const double t = (bound - a.y()) / (b.y() - a.y());
        return QPointF(a.x() + t * (b.x() - a.x()), bound);
    };
    for (int edge = 0; edge < 4 && !polygon.isEmpty(); ++edge) {
        scratch.clear();
        QPointF previous = polygon.last();
        bool previousIn = side(edge, previous);
        for (const QPointF& point : std::as_const(polygon)) {
            const bool in = side(edge, point);
            if (in != previousIn)
                scratch.append(cross(edge, previous, point));
            if (in)
                scratch.append(point);
            previous = point;
            previousIn = in;
        }
        polygon.swap(scratch);
    }
}

std::shared_ptr<const WorldOutline> loadInstalled() {
    QFile file(Gazetteer::defaultPath());
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("The map draws no land: %s", qPrintable(file.errorString()));
        return nullptr;
    }
    const auto data = readGazetteerData(file.readAll());
    if (!data) {
        qWarning("The map draws no land: %s", qPrintable(data.error()));
        return nullptr;
    }
    return std::make_shared<const WorldOutline>(data.value());
}

} // namespace

double mercatorY(double latitude) {
    const double radians = std::clamp(latitude, -85.05112878, 85.05112878) * M_PI / 180.0;
    return (1.0 - std::log(std::tan(radians) + 1.0 / std::cos(radians)) / M_PI) / 2.0;
}

WorldOutline::WorldOutline(const GazetteerData& data) {
    m_levels.resize(wholeZoom + 1);
    Level& whole = m_levels[wholeZoom];
    std::vector<Point> ring;
    for (const GazetteerData::Ring& stored : data.rings) {
        ring.clear();
        ring.reserve(stored.count);
        for (uint32_t i = 0; i < stored.count; ++i) {
            const GazetteerData::Point& p = data.points[stored.first + i];
            const double longitude = p.x * data.scaleX + data.translateX;
            const double latitude = p.y * data.scaleY + data.translateY;
            ring.push_back({float((longitude + 180.0) / 360.0), float(mercatorY(latitude))});
        }
        addRing(whole, ring);
    }
    // Each level from the finer one above it: its tolerance doubles, so the
    // errors add up to less than twice the coarser one's.
    for (int zoom = wholeZoom - 1; zoom >= 0; --zoom) {
        const Level& finer = m_levels[size_t(zoom) + 1];
        const double tolerance = tolerancePixels / (tileSize * std::pow(2.0, zoom));
        for (const Ring& r : finer.rings) {
            if (std::max(r.maxX - r.minX, r.maxY - r.minY) < 2 * tolerance)
                continue; // an island smaller than a pixel
            addRing(m_levels[size_t(zoom)],
                    simplified(finer.points.data() + r.first, r.count, tolerance));
        }
    }
}

void WorldOutline::addRing(Level& level, const std::vector<Point>& ring) const {
    if (ring.size() < 3)
        return;
    Ring r{uint32_t(level.points.size()),
           uint32_t(ring.size()),
           ring[0].x,
           ring[0].y,
           ring[0].x,
           ring[0].y};
    for (const Point& p : ring) {
        r.minX = std::min(r.minX, p.x);
        r.maxX = std::max(r.maxX, p.x);
        r.minY = std::min(r.minY, p.y);
        r.maxY = std::max(r.maxY, p.y);
    }
    level.points.insert(level.points.end(), ring.begin(), ring.end());
    level.rings.push_back(r);
}

const WorldOutline::Level& WorldOutline::levelFor(int zoom) const {
    return m_levels[size_t(std::clamp(zoom, 0, wholeZoom))];
}

size_t WorldOutline::pointCount(int zoom) const {
    return levelFor(zoom).points.size();
}

const QColor& WorldOutline::landColor() {
    static const QColor land(236, 232, 218);
    return land;
}

const QColor& WorldOutline::seaColor() {
    static const QColor sea(166, 196, 222);
    return sea;
}

void WorldOutline::draw(QPainter& painter, int zoom, QPointF origin, QSizeF view) const {
    const Level& level = levelFor(zoom);
    const double scale = tileSize * std::pow(2.0, zoom);
    // The cut edges lie on this rectangle, out of sight beyond the pen.
    const QRectF area(-4, -4, view.width() + 8, view.height() + 8);
    const double left = (origin.x() + area.left()) / scale;
    const double right = (origin.x() + area.right()) / scale;
    const double top = (origin.y() + area.top()) / scale;
    const double bottom = (origin.y() + area.bottom()) / scale;
    // Every ring is filled on its own: the holes in the borders are
    // countries inside others, land as well, and one path of the whole
    // world's rings takes the rasterizer ten times as long as its parts.
    QPen coast(QColor(150, 140, 122), 1);
    coast.setCosmetic(true); // drawn as lines, not outlined first
    painter.setPen(coast);
    painter.setBrush(landColor());
    QPolygonF polygon, scratch;
    // The world repeats east and west, as the tiles do; a ring that crosses
    // the antimeridian runs on past the square's side.
    for (int copy = int(std::floor(left)) - 1; copy <= int(std::floor(right)) + 1; ++copy) {
        for (const Ring& ring : level.rings) {
            if (ring.maxX + copy < left || ring.minX + copy > right || ring.maxY < top ||
                ring.minY > bottom)
                continue;
            polygon.resize(ring.count);
            const Point* p = level.points.data() + ring.first;
            for (uint32_t i = 0; i < ring.count; ++i)
                polygon[i] =
                    QPointF((p[i].x + copy) * scale - origin.x(), p[i].y * scale - origin.y());
            const bool inside = ring.minX + copy >= left && ring.maxX + copy <= right &&
                                ring.minY >= top && ring.maxY <= bottom;
            if (!inside)
                clipToRect(polygon, area, scratch);
            if (polygon.size() >= 3)
                painter.drawPolygon(polygon);
        }
    }
}

QImage WorldOutline::tile(int zoom, int x, int y, qreal ratio) const {
    QImage image(QSize(tileSize, tileSize) * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(seaColor());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter, zoom, QPointF(x, y) * tileSize, QSizeF(tileSize, tileSize));
    return image;
}

std::shared_ptr<const WorldOutline> WorldOutline::shared(QWidget* waiting) {
    // Only the GUI thread asks and is told, so these need no lock.
    static std::shared_ptr<const WorldOutline> outline;
    static bool asked = false;
    static QList<QPointer<QWidget>> waiters;
    if (outline)
        return outline;
    if (waiting && !waiters.contains(waiting))
        waiters.append(waiting);
    if (!asked) {
        asked = true;
        // A thread of its own at low priority: the reading takes a second or
        // more on a slow machine, and the selection's reads must not wait.
        auto* pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
        pool->setThreadPriority(QThread::LowPriority);
        runInBackground(
            QCoreApplication::instance(), loadInstalled,
            [](const std::shared_ptr<const WorldOutline>& made) {
                outline = made;
                for (const QPointer<QWidget>& widget : std::as_const(waiters)) {
                    if (widget)
                        widget->update();
                }
                waiters.clear();
            },
            pool);
    }
    return nullptr;
}
