#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/MetadataEdit.h"

#include <QByteArray>
#include <QVariantMap>

#include <memory>

class TiffEditor;

// What a write of one photo is to do, worked out before any writer runs: the
// steps, each value checked, and which writer makes them. Whoever then
// writes, what was written is checked against this plan (verifyWrite).
struct WritePlan {
    enum class Writer {
        // Only the photo's sidecar changes: the photo is copied as it is
        // (planSidecarOnly).
        SidecarOnly,
        // The container's own writer, and where it answers "not mine" the
        // metadata library's.
        InPlaceOrLibrary,
        // The container's own writer alone: the library does not write HEIF.
        InPlace,
    };
    PhotoFormat format = PhotoFormat::Unknown;
    MetadataEdit edit;
    // The photo's values the changes were resolved against.
    QVariantMap dictionary;
    Writer writer = Writer::SidecarOnly;
    ContainerWriter inPlace = nullptr; // null for SidecarOnly
};

// Refuses unknown, incomplete or unsafe photos and values that cannot be
// written; otherwise the plan. The arguments are planRewrite's.
Result<WritePlan> planWrite(const QByteArray& source, const QVariantMap& changes,
                            const QVariantMap& containerProperties,
                            const QVariantMap* sourceDictionary,
                            std::shared_ptr<const TiffEditor> parsedExifBlock, bool stripHidden);
