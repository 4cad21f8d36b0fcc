#include "app/MapWidget.h"

#include "app/WorldOutline.h"

#include <QDir>
#include <QLineF>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QNetworkDiskCache>
#include <QNetworkReply>
#include <QPainter>
#include <QStandardPaths>
#include <QWheelEvent>

#include <cmath>

namespace {
constexpr int tileSize = 256;
constexpr int maxZoom = 19;
constexpr int glideMilliseconds = 250;
// A press that moves less than this is a click, not a drag.
constexpr int clickSlop = 4;
constexpr double pinGrabRadius = 10;

} // namespace

MapWidget::MapWidget(QWidget* parent)
    : QWidget(parent), m_network(new QNetworkAccessManager(this)) {
    auto* cache = new QNetworkDiskCache(m_network);
    cache->setCacheDirectory(QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                             QStringLiteral("/tiles"));
    cache->setMaximumCacheSize(200 * 1024 * 1024);
    m_network->setCache(cache);
    m_urlTemplate = defaultTileUrlTemplate();
    m_tiles.setMaxCost(256);
    m_landTiles.setMaxCost(48 * 1024); // kilobytes: a screenful at 200%, and some
    setMinimumSize(120, 90);
    setMouseTracking(false);
}

QString MapWidget::defaultTileUrlTemplate() {
    return QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");
}

QString MapWidget::userAgent() {
    // The tile servers' usage policy asks every client to name itself.
    return QStringLiteral("Tessaview/%1 (photo metadata editor)")
        .arg(QStringLiteral(TESSAVIEW_VERSION));
}

void MapWidget::setTileUrlTemplate(const QString& urlTemplate) {
    m_urlTemplate = urlTemplate;
    m_tiles.clear();
    m_requested.clear();
    m_offline = false;
    update();
}

int MapWidget::zoomForSpan(double latitude, double spanLatitude, double spanLongitude,
                           QSize viewport) {
    const double byWidth =
        std::log2(viewport.width() * 360.0 / (tileSize * std::max(spanLongitude, 1e-9)));
    const double fraction =
        std::fabs(mercatorY(latitude - spanLatitude / 2) - mercatorY(latitude + spanLatitude / 2));
    const double byHeight = std::log2(viewport.height() / (tileSize * std::max(fraction, 1e-12)));
    return std::clamp(int(std::floor(std::min(byWidth, byHeight))), 0, maxZoom);
}

void MapWidget::setRegion(double latitude, double longitude, double spanLatitude,
                          double spanLongitude, bool animated) {
    stopGlide();
    m_picked.reset();
    const QPointF from = m_shown;
    const int fromZoom = m_zoom;
    m_latitude = std::clamp(latitude, -85.0, 85.0);
    m_longitude = longitude;
    m_zoom = zoomForSpan(m_latitude, spanLatitude, spanLongitude, size());
    m_shown = QPointF(m_longitude, m_latitude);
    // A glide is worth it only while the old view and the new overlap; across
    // zooms or far away the tiles between would be fetched for nothing.
    const QPointF distance = worldPixel(from.y(), from.x()) - worldPixel(m_latitude, m_longitude);
    const bool near = std::fabs(distance.x()) < 2.0 * width() &&
                      std::fabs(distance.y()) < 2.0 * height() && distance != QPointF();
    if (animated && isVisible() && fromZoom == m_zoom && near) {
        m_shown = from;
        m_glide = new QVariantAnimation(this);
        m_glide->setDuration(glideMilliseconds);
        m_glide->setEasingCurve(QEasingCurve::OutCubic);
        m_glide->setStartValue(from);
        m_glide->setEndValue(QPointF(m_longitude, m_latitude));
        connect(m_glide, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
            m_shown = value.toPointF();
            update();
        });
        m_glide->start(QAbstractAnimation::DeleteWhenStopped);
    }
    update();
}

bool MapWidget::isGliding() const {
    return m_glide != nullptr && m_glide->state() == QAbstractAnimation::Running;
}

void MapWidget::stopGlide() {
    if (m_glide) {
        m_glide->disconnect(this);
        m_glide->stop(); // deletes it
    }
    m_shown = QPointF(m_longitude, m_latitude);
}

void MapWidget::addPin(double latitude, double longitude) {
    m_pins.append(QPointF(longitude, latitude));
    update();
}

void MapWidget::removeAllPins() {
    m_pins.clear();
    update();
}

void MapWidget::setPins(const QList<QPointF>& pins) {
    m_pins = pins;
    update();
}

void MapWidget::setTrack(const QList<QList<QPointF>>& lines) {
    m_track.clear();
    for (const QList<QPointF>& line : lines) {
        QList<QPointF> projected;
        projected.reserve(line.size());
        for (const QPointF& point : line)
            projected.append({(point.x() + 180.0) / 360.0, mercatorY(point.y())});
        m_track.append(projected);
    }
    update();
}

// A long track has many points to a pixel, and zoomed in most of them lie
// off the map: each line is drawn through the points that move it a pixel or
// more, and only its steps that cross the map.
void MapWidget::drawTrack(QPainter& painter, QPointF origin) {
    const double scale = tileSize * std::pow(2.0, m_zoom);
    const QRectF shownArea = QRectF(rect()).adjusted(-8, -8, 8, 8);
    painter.setPen(QPen(QColor(0, 110, 220), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() > 1)
            painter.drawPolyline(run);
        run.clear();
    };
    const auto crosses = [&](QPointF a, QPointF b) {
        return std::max(a.x(), b.x()) >= shownArea.left() &&
               std::min(a.x(), b.x()) <= shownArea.right() &&
               std::max(a.y(), b.y()) >= shownArea.top() &&
               std::min(a.y(), b.y()) <= shownArea.bottom();
    };
    for (const QList<QPointF>& line : m_track) {
        QPointF last;
        bool moved = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QPointF at = line[i] * scale - origin;
            if (i > 0 && std::fabs(at.x() - last.x()) < 1 && std::fabs(at.y() - last.y()) < 1)
                continue;
            if (i == 0) {
                last = at;
                continue;
            }
            moved = true;
            if (crosses(last, at)) {
                if (run.isEmpty())
                    run.append(last);
                run.append(at);
            } else {
                flush();
            }
            last = at;
        }
        flush();
        // A line within one pixel, such as a log kept in one place.
        if (!moved && !line.isEmpty() && shownArea.contains(last))
            painter.drawPoint(last);
    }
}

QPointF MapWidget::worldPixel(double latitude, double longitude) const {
    const double scale = tileSize * std::pow(2.0, m_zoom);
    return {(longitude + 180.0) / 360.0 * scale, mercatorY(latitude) * scale};
}

void MapWidget::positionFromWorldPixel(QPointF pixel, double* latitude, double* longitude) const {
    const double scale = tileSize * std::pow(2.0, m_zoom);
    *longitude = pixel.x() / scale * 360.0 - 180.0;
    const double n = M_PI * (1.0 - 2.0 * pixel.y() / scale);
    *latitude = std::atan(std::sinh(n)) * 180.0 / M_PI;
}

QPointF MapWidget::shownOrigin() const {
    return worldPixel(m_shown.y(), m_shown.x()) - QPointF(width() / 2.0, height() / 2.0);
}

QPointF MapWidget::pointOf(double latitude, double longitude) const {
    return worldPixel(latitude, longitude) - shownOrigin();
}

void MapWidget::positionAt(QPointF point, double* latitude, double* longitude) const {
    positionFromWorldPixel(point + shownOrigin(), latitude, longitude);
}

// The pin drawn last is on top, so it is the one a press picks up.
int MapWidget::pinAt(QPointF point) const {
    for (int i = int(m_pins.size()) - 1; i >= 0; --i) {
        const QPointF head = pointOf(m_pins[i].y(), m_pins[i].x()) + pinHeadOffset();
        if (QLineF(head, point).length() <= pinGrabRadius)
            return i;
    }
    return -1;
}

void MapWidget::requestTile(int z, int x, int y) {
    const QString key = QStringLiteral("%1/%2/%3").arg(z).arg(x).arg(y);
    if (m_requested.contains(key) || m_requested.size() > 64)
        return;
    m_requested.insert(key);
    QString url = m_urlTemplate;
    url.replace(QLatin1String("{z}"), QString::number(z))
        .replace(QLatin1String("{x}"), QString::number(x))
        .replace(QLatin1String("{y}"), QString::number(y));
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::PreferCache);
    request.setTransferTimeout(10000);
    QNetworkReply* reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, key] { tileFinished(reply, key); });
}

void MapWidget::tileFinished(QNetworkReply* reply, const QString& key) {
    reply->deleteLater();
    m_requested.remove(key);
    if (reply->error() != QNetworkReply::NoError) {
        // A server that answers, even with an error page, is not "offline".
        if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            m_offline = true;
        update();
        return;
    }
    QImage tile;
    if (tile.loadFromData(reply->readAll())) {
        m_tiles.insert(key, new QImage(tile));
        m_offline = false;
        Q_EMIT tileArrived();
        update();
    }
}

const QImage& MapWidget::landTile(const WorldOutline& outline, int x, int y) {
    const qreal ratio = devicePixelRatioF();
    const QString key = QStringLiteral("%1/%2/%3@%4").arg(m_zoom).arg(x).arg(y).arg(ratio);
    if (const QImage* kept = m_landTiles.object(key))
        return *kept;
    auto* made = new QImage(outline.tile(m_zoom, x, y, ratio));
    m_landTiles.insert(key, made, int(made->sizeInBytes() / 1024));
    return *made;
}

void MapWidget::drawGraticule(QPainter& painter, QPointF origin) {
    // Lines every 10^k degrees, spaced some 80 pixels or more apart.
    const double degreesPerPixel = 360.0 / (tileSize * std::pow(2.0, m_zoom));
    double step = std::pow(10.0, std::ceil(std::log10(80 * degreesPerPixel)));
    painter.setPen(QPen(QColor(60, 90, 120, 90), 1));
    double topLatitude = 0, leftLongitude = 0, bottomLatitude = 0, rightLongitude = 0;
    positionFromWorldPixel(origin, &topLatitude, &leftLongitude);
    positionFromWorldPixel(origin + QPointF(width(), height()), &bottomLatitude, &rightLongitude);
    for (double lon = std::floor(leftLongitude / step) * step; lon <= rightLongitude; lon += step) {
        const double x = worldPixel(0, lon).x() - origin.x();
        painter.drawLine(QPointF(x, 0), QPointF(x, height()));
    }
    for (double lat = std::floor(bottomLatitude / step) * step; lat <= topLatitude; lat += step) {
        const double y = worldPixel(lat, 0).y() - origin.y();
        painter.drawLine(QPointF(0, y), QPointF(width(), y));
    }
}

// Without tiles the map is still a map: the gazetteer's land under the
// graticule. Tiles that have come cover it, and once every tile of the view
// is there it is not drawn at all.
void MapWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF origin = shownOrigin();
    const int tiles = 1 << m_zoom;
    const int firstX = int(std::floor(origin.x() / tileSize));
    const int lastX = int(std::floor((origin.x() + width()) / tileSize));
    const int firstY = std::max(0, int(std::floor(origin.y() / tileSize)));
    const int lastY = std::min(tiles - 1, int(std::floor((origin.y() + height()) / tileSize)));
    QList<std::pair<QPointF, const QImage*>> arrived;
    bool missing = false;
    m_landDrawn = false;
    painter.fillRect(rect(), WorldOutline::seaColor());
    std::shared_ptr<const WorldOutline> outline;
    for (int y = firstY; y <= lastY; ++y) {
        for (int x = firstX; x <= lastX; ++x) {
            const int wrapped = ((x % tiles) + tiles) % tiles;
            const QString key = QStringLiteral("%1/%2/%3").arg(m_zoom).arg(wrapped).arg(y);
            const QPointF at(x * tileSize - origin.x(), y * tileSize - origin.y());
            if (const QImage* tile = m_tiles.object(key)) {
                arrived.append({at, tile});
                continue;
            }
            missing = true;
            requestTile(m_zoom, wrapped, y);
            if (!outline)
                outline = WorldOutline::shared(this);
            if (outline) {
                painter.drawImage(at, landTile(*outline, wrapped, y));
                m_landDrawn = true;
            }
        }
    }
    m_tilesShown = int(arrived.size());
    if (missing)
        drawGraticule(painter, origin);
    for (const auto& [at, tile] : std::as_const(arrived))
        painter.drawImage(at, *tile);
    drawTrack(painter, origin);
    for (const QPointF& pin : m_pins) {
        const QPointF at = worldPixel(pin.y(), pin.x()) - origin;
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(QColor(220, 50, 47));
        painter.drawEllipse(at + pinHeadOffset(), 7, 7);
        painter.drawLine(at - QPointF(0, 5), at);
    }
    // The caption, and the tiles' credit while tiles show, on a dark band so
    // that they read over light tiles too: on one line where both fit.
    const bool credited = !(m_offline && m_tilesShown == 0);
    const QString credit = QStringLiteral("\u00A9 OpenStreetMap contributors");
    const bool oneLine = fontMetrics().horizontalAdvance(caption() + credit) + 30 < width();
    const int lines = credited && !oneLine ? 2 : 1;
    const int bandHeight = lines * fontMetrics().height() + 8;
    painter.fillRect(QRect(0, height() - bandHeight, width(), bandHeight), QColor(0, 0, 0, 120));
    painter.setPen(Qt::white);
    const QRect inner = rect().adjusted(6, 4, -6, -4);
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom, caption());
    if (credited)
        painter.drawText(inner.adjusted(0, 0, 0, oneLine ? 0 : -fontMetrics().height()),
                         Qt::AlignRight | Qt::AlignBottom, credit);
    if (!credited) {
        // Over the land's light colours the note needs its band too.
        const QString offline = tr("Offline: map tiles are not available");
        const QRect text =
            fontMetrics().boundingRect(inner, Qt::AlignLeft | Qt::TextWordWrap, offline);
        painter.fillRect(QRect(0, 0, width(), text.bottom() + 4), QColor(0, 0, 0, 120));
        painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, offline);
    }
}

QString MapWidget::caption() const {
    // A map the user picks on names the position picked, not where it is centred.
    const QPointF shown = m_picked.value_or(QPointF(m_longitude, m_latitude));
    return QStringLiteral("%1, %2").arg(shown.y(), 0, 'f', 5).arg(shown.x(), 0, 'f', 5);
}

void MapWidget::wheelEvent(QWheelEvent* event) {
    if (!m_zoomEnabled)
        return;
    const int steps = event->angleDelta().y() / 120;
    m_zoom = std::clamp(m_zoom + steps, 0, maxZoom);
    update();
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
    stopGlide();
    m_dragFrom = event->position().toPoint();
    m_pressedAt = m_dragFrom;
    m_moved = false;
    m_draggedPin = m_picking ? pinAt(event->position()) : -1;
    if (m_draggedPin >= 0) {
        const QPointF pin = m_pins[m_draggedPin];
        m_grabOffset = pointOf(pin.y(), pin.x()) - event->position();
    }
}

void MapWidget::mouseMoveEvent(QMouseEvent* event) {
    const QPoint now = event->position().toPoint();
    if ((now - m_pressedAt).manhattanLength() >= clickSlop)
        m_moved = true;
    if (m_draggedPin >= 0) {
        double latitude = 0, longitude = 0;
        positionAt(event->position() + m_grabOffset, &latitude, &longitude);
        m_pins[m_draggedPin] = QPointF(longitude, latitude);
        update();
        return;
    }
    const QPointF center = worldPixel(m_latitude, m_longitude) - QPointF(now - m_dragFrom);
    positionFromWorldPixel(center, &m_latitude, &m_longitude);
    m_shown = QPointF(m_longitude, m_latitude);
    m_dragFrom = now;
    update();
}

void MapWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_picking)
        return;
    double latitude = 0, longitude = 0;
    if (m_draggedPin >= 0) {
        positionAt(event->position() + m_grabOffset, &latitude, &longitude);
        m_pins[m_draggedPin] = QPointF(longitude, latitude);
    } else if (!m_moved) {
        // A click moves the newest pin there, or sets the first one.
        positionAt(event->position(), &latitude, &longitude);
        if (m_pins.isEmpty())
            m_pins.append(QPointF(longitude, latitude));
        else
            m_pins.last() = QPointF(longitude, latitude);
    } else {
        return; // the map was panned
    }
    m_draggedPin = -1;
    m_picked = QPointF(longitude, latitude);
    update();
    Q_EMIT positionPicked(latitude, longitude);
}
