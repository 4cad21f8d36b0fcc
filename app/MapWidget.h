#pragma once

#include <QCache>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QPointer>
#include <QSet>
#include <QVariantAnimation>
#include <QWidget>

#include <optional>

class QNetworkAccessManager;
class WorldOutline;
class QNetworkReply;

// A slippy map of raster tiles fetched over HTTP and cached on disk, with
// point pins that stay until removed, wheel zoom and drag. Where tiles are
// missing (no network, or not yet come) it draws the land of the world from
// the gazetteer's borders under a graticule, the pins and the coordinates,
// and says when it is offline. A map that picks positions also takes a click or a pin
// dragged to a new place as the position the user means.
class MapWidget : public QWidget {
    Q_OBJECT
public:
    explicit MapWidget(QWidget* parent = nullptr);

    static QString defaultTileUrlTemplate();
    static QString userAgent();
    // "{z}", "{x}" and "{y}" are replaced by the tile's zoom and position.
    void setTileUrlTemplate(const QString& urlTemplate);

    // Centres on the position at the zoom that best shows the span (degrees).
    // Animated, a short move at the same zoom glides there; anything else jumps.
    void setRegion(double latitude, double longitude, double spanLatitude, double spanLongitude,
                   bool animated = false);
    void addPin(double latitude, double longitude);
    void removeAllPins();
    // All pins at once, as (longitude, latitude).
    void setPins(const QList<QPointF>& pins);
    // Lines drawn under the pins, over the tiles or the graticule: each a
    // list of (longitude, latitude) in order.
    void setTrack(const QList<QList<QPointF>>& lines);
    bool hasTrack() const { return !m_track.isEmpty(); }
    void setZoomEnabled(bool enabled) { m_zoomEnabled = enabled; }
    void setPositionPicking(bool picking) { m_picking = picking; }

    int zoom() const { return m_zoom; }
    // Where the map is going: the centre it shows once a glide ends.
    double centerLatitude() const { return m_latitude; }
    double centerLongitude() const { return m_longitude; }
    bool isGliding() const;
    QList<QPointF> pins() const { return m_pins; } // (longitude, latitude)
    bool isOffline() const { return m_offline; }
    // The coordinates written along the bottom edge.
    QString caption() const;
    int tilesShown() const { return m_tilesShown; }
    // The last paint drew the gazetteer's land and borders where tiles were missing.
    bool drawsOutline() const { return m_landDrawn; }
    // Where a position is drawn now, in the widget's coordinates.
    QPointF pointOf(double latitude, double longitude) const;
    // The pin's head, where a press picks the pin up.
    static QPointF pinHeadOffset() { return {0, -12}; }

    static int zoomForSpan(double latitude, double spanLatitude, double spanLongitude,
                           QSize viewport);

Q_SIGNALS:
    void tileArrived();
    // A picking map was clicked or had a pin dropped at this position.
    void positionPicked(double latitude, double longitude);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QPointF worldPixel(double latitude, double longitude) const;
    void positionFromWorldPixel(QPointF pixel, double* latitude, double* longitude) const;
    QPointF shownOrigin() const;
    void positionAt(QPointF point, double* latitude, double* longitude) const;
    int pinAt(QPointF point) const;
    void stopGlide();
    void requestTile(int z, int x, int y);
    void tileFinished(QNetworkReply* reply, const QString& key);
    void drawGraticule(QPainter& painter, QPointF origin);
    // The gazetteer's land for a square without a tile, made once per zoom.
    const QImage& landTile(const WorldOutline& outline, int x, int y);
    void drawTrack(QPainter& painter, QPointF origin);

    QNetworkAccessManager* m_network;
    QString m_urlTemplate;
    QCache<QString, QImage> m_tiles;
    QCache<QString, QImage> m_landTiles;
    QSet<QString> m_requested;
    QList<QPointF> m_pins;
    QList<QList<QPointF>> m_track; // in the Mercator square of side 1, for any zoom
    double m_latitude = 0;
    double m_longitude = 0;
    QPointF m_shown; // the centre drawn now (longitude, latitude); differs only while gliding
    QPointer<QVariantAnimation> m_glide; // deletes itself when it ends
    int m_zoom = 2;
    bool m_zoomEnabled = true;
    bool m_picking = false;
    bool m_offline = false;
    int m_tilesShown = 0;
    bool m_landDrawn = false;
    QPoint m_dragFrom;
    QPoint m_pressedAt;
    bool m_moved = false;
    int m_draggedPin = -1;
    QPointF m_grabOffset;            // from the press to the dragged pin's point
    std::optional<QPointF> m_picked; // (longitude, latitude) the user picked since the last region
};
