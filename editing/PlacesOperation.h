#pragma once

#include "editing/Gazetteer.h"
#include "editing/PlannedRewrite.h"

#include <memory>
#include <optional>

// The location fields as people type them. An absent one is left as it is;
// an empty one is removed.
struct LocationTexts {
    std::optional<QString> city, state, country, countryCode;
};

// The location texts of a photo: IPTC first, else XMP.
LocationTexts locationTextsOf(const QVariantMap& dictionary);

// The texts given, to their homes in a photo of this dictionary: IPTC City,
// Province/State, Country/PrimaryLocationName and Country/PrimaryLocationCode,
// which the writer mirrors to XMP where the photo keeps XMP; a photo with
// neither IPTC nor XMP gets them in XMP alone, as they have no EXIF home.
// IPTC holds a cut name; its XMP copy is cut the same, so that both agree.
QVariantMap locationChanges(const LocationTexts& texts, const QVariantMap& dictionary);

// A text with an IPTC dataset and its XMP copy (the dataset empty for a
// property only XMP has), written by the location fields' rule: to IPTC,
// which the writer mirrors, where the photo keeps IPTC or XMP; else to XMP
// alone. An empty text removes each copy the photo has.
struct MirroredText {
    QString iptc, xmp;
    std::optional<QString> text;
};
QVariantMap mirroredTextChanges(const QList<MirroredText>& texts, const QVariantMap& dictionary);

// The location a gazetteer names at a position, as texts; only what it found.
LocationTexts locationTextsAt(const Gazetteer& gazetteer, double latitude, double longitude,
                              double maxDistanceKm, const QString& language);

// The texts given that the photo does not have yet.
LocationTexts onlyMissing(LocationTexts texts, const QVariantMap& dictionary);

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
