#pragma once

#include "editing/GpsFields.h"
#include "editing/PlannedRewrite.h"

#include <QString>
#include <QStringList>

#include <optional>

// The texts of the edit form, one for each of its fields (formFields() in
// editing/FormField.h). An absent field is not touched; the window hands
// every field, the command line only those it was given.
struct EditFormFields {
    std::optional<QString> artist = std::nullopt;      // TIFF Artist
    std::optional<QString> description = std::nullopt; // TIFF ImageDescription
    std::optional<QString> copyright = std::nullopt;   // TIFF Copyright
    std::optional<QString> make = std::nullopt;        // TIFF Make and EXIF LensMake
    std::optional<QString> model = std::nullopt;       // TIFF Model and EXIF LensModel
    std::optional<QString> date = std::nullopt;     // EXIF DateTimeOriginal and DateTimeDigitized
    std::optional<QString> comment = std::nullopt;  // EXIF UserComment
    std::optional<QString> keywords = std::nullopt; // IPTC Keywords, comma-separated
    std::optional<QString> latitude = std::nullopt; // with the longitude: the GPS set
    std::optional<QString> longitude = std::nullopt;
    std::optional<QString> altitude = std::nullopt;
    std::optional<QString> gpsDate = std::nullopt; // with the time: the written files' dates (UTC)
    std::optional<QString> gpsTime = std::nullopt;
    // IPTC City, Province/State, Country/PrimaryLocationName and
    // Country/PrimaryLocationCode, mirrored to XMP (XMP alone in a photo with
    // neither IPTC nor XMP)
    std::optional<QString> city = std::nullopt;
    std::optional<QString> state = std::nullopt;
    std::optional<QString> country = std::nullopt;
    std::optional<QString> countryCode = std::nullopt;
    // IPTC ObjectName and XMP dc:title, by the location fields' rule
    std::optional<QString> title = std::nullopt;
    // XMP xmp:Rating, stars from 0 to 5; empty removes it
    std::optional<QString> rating = std::nullopt;
};

// Keywords split at commas, trimmed, empty ones dropped.
QStringList keywordsOf(const QString& text);

// The form checked and turned into what Apply writes, before any photo is
// touched. Refused, naming the field: a camera date that is not a date, and
// GPS texts as readGpsTexts() refuses them, a country code that is not
// two or three letters and a rating that is no whole number from 0 to 5. Latitude and longitude
// both empty (or absent) leave every photo's GPS set as it is; an empty camera date leaves the EXIF
// dates as they are. The keywords are set in the photo's own IPTC set, whose other datasets stay;
// no keywords removes them.
Result<PlannedRewrite> editFormPlan(const EditFormFields& fields);

// The form applied to several photos: only the fields given change, and every
// other value of each photo stays. The GPS texts given replace only their own
// keys in each photo's GPS set (a new altitude keeps each photo's position);
// a photo without a position gets a GPS set only when both latitude and
// longitude are given. The written files' dates follow the GPS date and time
// only where both are given. Refused as editFormPlan() refuses.
Result<PlannedRewrite> editFormPlanForSeveral(const EditFormFields& fields);

OperationReport runEditForm(const PlannedRewrite& plan, const std::vector<SelectedPhoto>& photos,
                            const QString& storage, MetadataService& service,
                            const BatchOptions& options = {});
std::vector<PhotoChangePreview> previewEditForm(const PlannedRewrite& plan,
                                                const std::vector<SelectedPhoto>& photos,
                                                const QString& storage, MetadataService& service);
