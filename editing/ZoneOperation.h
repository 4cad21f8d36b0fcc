#pragma once

#include "editing/Gazetteer.h"
#include "editing/PlannedRewrite.h"

#include <QTimeZone>

#include <memory>
#include <optional>

// What the camera's clock showed.
enum class ZoneClock {
    KeepWallTime, // local time where the photo was taken: only the offsets change
    KeepInstant,  // another zone's time: the dates move to the local time
};

struct ZoneSettings {
    std::shared_ptr<const Gazetteer> gazetteer; // set: the zone of each photo's position
    std::optional<QTimeZone> zone;              // else this one
    ZoneClock clock = ZoneClock::KeepWallTime;
    std::optional<QTimeZone> fromZone; // KeepInstant: the camera's zone, else the photo's offsets
};

// The offset from UTC of a wall time in a zone. Of a time that comes twice
// (the hour summer time ends) the first, summer time; of one that never comes
// (the hour it starts) the offset before the change, as the camera's clock
// had not yet been put forward.
int offsetForWallTime(const QDateTime& wall, const QTimeZone& zone);

// Each photo's EXIF offsets (OffsetTimeOriginal, OffsetTimeDigitized,
// OffsetTime for each date it holds) and the zone of every XMP and IPTC copy
// of those dates set for the zone at the photo's own dates; with KeepInstant
// every date and copy also moves by the difference between the zones.
PlannedRewrite zonePlan(const ZoneSettings& settings);

OperationReport runZone(const ZoneSettings& settings, const std::vector<SelectedPhoto>& photos,
                        const QString& storage, MetadataService& service,
                        const BatchOptions& options = {});
std::vector<PhotoChangePreview> previewZone(const ZoneSettings& settings,
                                            const std::vector<SelectedPhoto>& photos,
                                            const QString& storage, MetadataService& service);
