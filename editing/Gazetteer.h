#pragma once

#include "editing/GazetteerData.h"
#include "metadata/Result.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>

// A populated place of the gazetteer, with how far and in which direction
// it lies from the position asked about.
struct PlaceFound {
    QString name;
    QString state;
    QString country;     // English name
    QString countryCode; // ISO 3166-1 alpha-2
    QString zone;        // IANA name
    double latitude = 0;
    double longitude = 0;
    double distanceKm = 0;
    double bearing = 0; // degrees from true north, from the position to the place
    uint32_t index = 0; // in the gazetteer
};

// What a position lies in. At sea (outside every border, no place within
// the distance) it has no country, state or city.
struct Location {
    std::optional<PlaceFound> city;    // the nearest place, when within the distance
    std::optional<PlaceFound> nearest; // the nearest place of the country, else of all
    QString state;
    QString country;
    QString countryCode;
    QString zone; // the nearest place's, or the nautical Etc/GMT zone at sea
};

// The offline gazetteer: GeoNames places with their states and zones, and
// the Natural Earth borders, so that a position near a border takes the
// country it lies in rather than the nearest place's.
class Gazetteer {
public:
    static Result<std::shared_ptr<const Gazetteer>> load(const QString& path);
    static Result<std::shared_ptr<const Gazetteer>> fromBytes(const QByteArray& file);
    // TESSAVIEW_GAZETTEER, else ../share/tessaview/places.tvgz beside the program.
    static QString defaultPath();

    // The nearest place, of the country only when one is given, no farther than maxKm.
    std::optional<PlaceFound> nearest(double lat, double lon, double maxKm = 20040,
                                      std::optional<uint32_t> country = std::nullopt) const;
    // The index of the country whose borders hold the position.
    std::optional<uint32_t> countryAt(double lat, double lon) const;
    // The IANA zone of the position, as locate gives it.
    QString zoneAt(double lat, double lon) const;
    // City within maxKm, state and country where the position lies.
    Location locate(double lat, double lon, double maxKm) const;

    size_t placeCount() const { return m_data.places.size(); }
    // The place's name in a language ("de", "pt-BR" as "pt"), else its own.
    QString nameIn(const PlaceFound& place, const QString& language) const;
    // A place by its index, below placeCount, seen from where it lies.
    PlaceFound placeAt(uint32_t index) const;

private:
    explicit Gazetteer(GazetteerData data);
    PlaceFound found(uint32_t place, double lat, double lon) const;
    bool inPolygon(const GazetteerData::Polygon& polygon, double x, double y) const;
    // How far the position lies from the nearest border line of the
    // country, looking no farther than limitKm (which it then returns).
    double borderKm(uint32_t country, double lat, double lon, double limitKm) const;

    GazetteerData m_data;
    // Places by one-degree cell: the places of cell c are m_order[m_cellStart[c]
    // .. m_cellStart[c + 1]).
    std::vector<uint32_t> m_order;
    std::vector<uint32_t> m_cellStart;
    // Where the border polygons lie on their grid, all together: a position
    // tried a turn east or west mostly falls outside it.
    int32_t m_bordersMinX = 0, m_bordersMaxX = -1;
    // The places as points on the unit sphere, in m_order's order: the
    // straight-line distance between two such points grows with the distance
    // on the sphere, so the search compares them without trigonometry.
    // Made for a cell the first time a search reaches it, as most runs
    // only look near a few places.
    struct UnitPoint {
        double x, y, z;
    };
    void prepareCell(int cell) const;
    mutable std::vector<UnitPoint> m_units;
    std::unique_ptr<std::once_flag[]> m_cellPrepared;
};

// Distance on the mean Earth sphere and initial bearing.
double greatCircleKm(double lat1, double lon1, double lat2, double lon2);
double initialBearing(double lat1, double lon1, double lat2, double lon2);
