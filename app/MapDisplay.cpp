#include "app/MapDisplay.h"

#include "app/MapWidget.h"

void showOnMap(MapWidget* map, double latitude, double longitude, PinPolicy pins) {
    if (pins == PinPolicy::ReplaceAll)
        map->removeAllPins();
    map->setZoomEnabled(true);
    // The tiles are the standard street map: there is no other map type to choose.
    map->setRegion(latitude, longitude, MapSpan::latitude, MapSpan::longitude, true);
    map->addPin(latitude, longitude);
    map->update();
}
