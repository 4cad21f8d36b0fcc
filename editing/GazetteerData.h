#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The gazetteer file decoded (editing/GazetteerFile.cpp describes its
// layout): the places, the tables they point into, and the country borders
// as rings of quantized points.
struct GazetteerData {
    struct Country {
        char code[2];
        uint32_t name; // text index
    };
    struct State {
        uint32_t country;
        uint32_t name;
    };
    struct Place {
        int32_t lat; // 1e-5 degrees
        int32_t lon;
        uint32_t name;
        uint32_t state;
        uint32_t zone;
    };
    // The names of places in one language, by place index, ascending.
    struct Language {
        char code[2];
        std::vector<std::pair<uint32_t, uint32_t>> names; // place, text
    };
    struct Ring {
        uint32_t first; // into points
        uint32_t count;
    };
    struct Polygon {
        uint32_t country;
        uint32_t firstRing;
        uint32_t ringCount;
        int32_t minX, maxX, minY, maxY;
    };
    struct Point {
        int32_t x, y;
    };

    QByteArray textBytes;
    std::vector<uint32_t> textStarts; // one past the last is textBytes.size()
    std::vector<Country> countries;
    std::vector<uint32_t> zones; // text index of each IANA name
    std::vector<State> states;
    std::vector<Place> places;
    std::vector<Language> languages;
    // Border points are x = (lon - translateX) / scaleX, y likewise; a ring
    // crossing the antimeridian runs on past ±180 degrees.
    double scaleX = 1, scaleY = 1, translateX = 0, translateY = 0;
    std::vector<Polygon> polygons;
    std::vector<Ring> rings;
    std::vector<Point> points;

    QString text(uint32_t index) const;
};

// The whole file read strictly: every count and index checked against what
// is there; a damaged file fails with the reason.
Result<GazetteerData> readGazetteerData(const QByteArray& file);
