#pragma once

#include <QCache>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QSet>
#include <QWidget>

class QNetworkAccessManager;
class QNetworkReply;

// A slippy map of raster tiles fetched over HTTP and cached on disk, with
// point pins that stay until removed, wheel zoom and drag. Without tiles (no
// network) it still draws a graticule, the pins and the coordinates, and says
// it is offline.
class MapWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString tileUrlTemplate READ tileUrlTemplate WRITE setTileUrlTemplate)
public:
    explicit MapWidget(QWidget* parent = nullptr);

    static QString defaultTileUrlTemplate();
    static QString userAgent();
    QString tileUrlTemplate() const { return m_urlTemplate; }
    // "{z}", "{x}" and "{y}" are replaced by the tile's zoom and position.
    void setTileUrlTemplate(const QString& urlTemplate);

    // Centres on the position at the zoom that best shows the span (degrees).
    void setRegion(double latitude, double longitude, double spanLatitude, double spanLongitude);
    void addPin(double latitude, double longitude);
    void removeAllPins();
    void setZoomEnabled(bool enabled) { m_zoomEnabled = enabled; }

    int zoom() const { return m_zoom; }
    double centerLatitude() const { return m_latitude; }
    double centerLongitude() const { return m_longitude; }
    QList<QPointF> pins() const { return m_pins; } // (longitude, latitude)
    bool isOffline() const { return m_offline; }
    int tilesShown() const { return m_tilesShown; }

    static int zoomForSpan(double latitude, double spanLatitude, double spanLongitude,
                           QSize viewport);

Q_SIGNALS:
    void tileArrived();

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QPointF worldPixel(double latitude, double longitude) const;
    void positionFromWorldPixel(QPointF pixel, double* latitude, double* longitude) const;
    void requestTile(int z, int x, int y);
    void tileFinished(QNetworkReply* reply, const QString& key);
    void drawGraticule(QPainter& painter, QPointF origin);

    QNetworkAccessManager* m_network;
    QString m_urlTemplate;
    QCache<QString, QImage> m_tiles;
    QSet<QString> m_requested;
    QList<QPointF> m_pins;
    double m_latitude = 0;
    double m_longitude = 0;
    int m_zoom = 2;
    bool m_zoomEnabled = true;
    bool m_offline = false;
    int m_tilesShown = 0;
    QPoint m_dragFrom;
};
