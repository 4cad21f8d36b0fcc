#pragma once

#include "editing/GpsFields.h"
#include "editing/PlannedRewrite.h"

// The GPS window's save: each selected photo written under its own name into
// the storage folder (a device photo's copy there is replaced) with the GPS
// entries the values give (gpsChangesFor); each written file's dates become
// the GPS date and time, read as UTC.
PlannedRewrite gpsSetPlan(const GpsValues& values);
OperationReport runGpsSet(const GpsValues& values, const std::vector<SelectedPhoto>& photos,
                          const QString& storage, MetadataService& service,
                          const BatchOptions& options = {});
std::vector<PhotoChangePreview> previewGpsSet(const GpsValues& values,
                                              const std::vector<SelectedPhoto>& photos,
                                              const QString& storage, MetadataService& service);

// The built-in position of the fixed-position command.
inline constexpr double FixedLatitude = 22.53478;
inline constexpr double FixedLongitude = 113.969215;
inline constexpr double FixedAltitude = 1.2016602;

// The fixed-position command on the current photo. Computer mode: the photo
// under its own name with its GPS set holding the built-in position (as
// 32-bit floats, north, east, above sea level), a new set where it has none.
// Device mode: a "noExif_" copy without the EXIF set.
PlannedRewrite fixedPositionPlan(SourceMode mode);
OperationReport runFixedPosition(SourceMode mode, const SelectedPhoto& photo,
                                 const QString& storage, MetadataService& service);
std::vector<PhotoChangePreview> previewFixedPosition(SourceMode mode, const SelectedPhoto& photo,
                                                     const QString& storage,
                                                     MetadataService& service);
