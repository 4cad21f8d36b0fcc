#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// What the summary shows of a selected photo and where the photo is (the
// edit form's texts are its fields' own: editing/FormField.h). A field
// without a value keeps what it showed before.
struct PhotoDisplay {
    std::optional<QString> photoImageSizelab;
    bool hasPosition = false;
    double latitude = 0;  // north positive
    double longitude = 0; // east positive
};

PhotoDisplay photoDisplayFor(const QVariantMap& dictionary);

// The date a photo shows, in the EXIF layout "YYYY:MM:DD HH:MM:SS": its
// digitized date, else the date it was taken, else its modification date,
// each from EXIF, then XMP, then IPTC. Nothing when it holds none.
std::optional<QString> photoDate(const QVariantMap& dictionary);
// The same, the date it was taken first.
std::optional<QString> photoOriginalDate(const QVariantMap& dictionary);

// The camera as people name it: "NIKON COOLPIX P6000", the make left out
// where the model already starts with it ("Canon EOS 40D"). Empty without a
// TIFF make or model.
QString cameraName(const QVariantMap& dictionary);

// The signed position of a GPS set: only "N" and "E" count as positive.
double signedLatitude(const QVariantMap& gps);
double signedLongitude(const QVariantMap& gps);
// The altitude, negative below sea level (AltitudeRef 1).
double signedAltitude(const QVariantMap& gps);
