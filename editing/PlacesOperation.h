#pragma once

#include "editing/Gazetteer.h"
#include "editing/PlannedRewrite.h"

#include <memory>

struct PlacesSettings {
    bool overwrite = false;    // else a photo's location fields stay
    double maxDistanceKm = 10; // a farther place names no city
    QString language;          // a city's name in this language where the data has one
};

// Each photo's city, state, country and country code from its GPS position:
// to IPTC (City, Province/State, Country/PrimaryLocationName and
// Country/PrimaryLocationCode), mirrored to XMP where the photo has it; a
// photo with neither gets them in XMP alone. A dry run lists the place
// found ("place", "distanceKm", "bearing").
PlannedRewrite placesPlan(std::shared_ptr<const Gazetteer> gazetteer,
                          const PlacesSettings& settings);

OperationReport runPlaces(std::shared_ptr<const Gazetteer> gazetteer,
                          const PlacesSettings& settings, const std::vector<SelectedPhoto>& photos,
                          const QString& storage, MetadataService& service,
                          const BatchOptions& options = {});
std::vector<PhotoChangePreview> previewPlaces(std::shared_ptr<const Gazetteer> gazetteer,
                                              const PlacesSettings& settings,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service);
