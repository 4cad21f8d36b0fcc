#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSizeF>

#include <cstdint>
#include <memory>
#include <vector>

struct GazetteerData;
class QPainter;
class QWidget;

// The Web Mercator y of a latitude, 0 at the top of the world and 1 at the
// bottom, as the map's tiles are cut.
double mercatorY(double latitude);

// The land of the world for a map that has no tiles: the country polygons
// the gazetteer carries for its borders, projected once into the Mercator
// square of side 1 and simplified for each zoom at which their whole detail
// would be more points than pixels. Drawing keeps only what meets the tile
// drawn, so that a tile costs a few thousand points, not half a million.
class WorldOutline {
public:
    explicit WorldOutline(const GazetteerData& data);

    // The outline of the installed gazetteer, read on a pool thread the first
    // time it is asked for and kept from then on. Null until it is there (or
    // when the gazetteer cannot be read); the widget asking is updated once
    // it has arrived.
    static std::shared_ptr<const WorldOutline> shared(QWidget* waiting);

    // The tile of the zoom at (x, y), as the tile servers count them: the
    // sea, the land and its coasts and borders, for a screen of the ratio.
    // A map draws these where it has no tiles of the server's, so that a
    // pan draws only the squares that come into view.
    QImage tile(int zoom, int x, int y, qreal ratio) const;
    // The points drawn at the zoom, summed over the world.
    size_t pointCount(int zoom) const;

    static const QColor& landColor();
    static const QColor& seaColor();

private:
    struct Point {
        float x, y;
    };
    struct Ring {
        uint32_t first, count;
        float minX, minY, maxX, maxY;
    };
    struct Level {
        std::vector<Point> points;
        std::vector<Ring> rings;
    };
    void addRing(Level& level, const std::vector<Point>& ring) const;
    // The land filled and its coasts and borders drawn, for a view at the
    // zoom whose world pixel at its top left corner is origin.
    void draw(QPainter& painter, int zoom, QPointF origin, QSizeF view) const;
    const Level& levelFor(int zoom) const;

    // One level for each zoom below the last, which holds every point.
    std::vector<Level> m_levels;
};
