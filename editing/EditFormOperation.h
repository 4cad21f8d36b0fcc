#pragma once

#include "editing/GpsFields.h"
#include "editing/PlannedRewrite.h"

#include <QString>
#include <QStringList>

#include <optional>

// The thirteen texts of the edit form. An absent field is not touched; the
// window hands all thirteen, the command line only those it was given.
struct EditFormFields {
    std::optional<QString> artist;      // TIFF Artist
    std::optional<QString> description; // TIFF ImageDescription
    std::optional<QString> copyright;   // TIFF Copyright
    std::optional<QString> make;        // TIFF Make and EXIF LensMake
    std::optional<QString> model;       // TIFF Model and EXIF LensModel
    std::optional<QString> date;        // EXIF DateTimeOriginal and DateTimeDigitized
    std::optional<QString> comment;     // EXIF UserComment
    std::optional<QString> keywords;    // IPTC Keywords, comma-separated
    std::optional<QString> latitude;    // with the longitude: the GPS set
    std::optional<QString> longitude;
    std::optional<QString> altitude;
    std::optional<QString> gpsDate; // with the time: the written files' dates (UTC)
    std::optional<QString> gpsTime;
};

// Keywords split at commas, trimmed, empty ones dropped.
QStringList keywordsOf(const QString& text);

// The form checked and turned into what Apply writes, before any photo is
// touched. Refused, naming the field: a camera date that is not a date, and
// GPS texts as readGpsTexts() refuses them. Latitude and longitude both
// empty (or absent) leave every photo's GPS set as it is; an empty camera
// date leaves the EXIF dates as they are. The keywords are set in the
// photo's own IPTC set, whose other datasets stay; no keywords removes them.
Result<PlannedRewrite> editFormPlan(const EditFormFields& fields);

OperationReport runEditForm(const PlannedRewrite& plan, const std::vector<SelectedPhoto>& photos,
                            const QString& storage, MetadataService& service,
                            const BatchOptions& options = {});
std::vector<PhotoChangePreview> previewEditForm(const PlannedRewrite& plan,
                                                const std::vector<SelectedPhoto>& photos,
                                                const QString& storage,
                                                MetadataService& service);
