#pragma once

#include "metadata/RewriteRequest.h"

#include <QDir>
#include <QString>

// The folder every written photo and property list goes into, mirrored in
// the "storagePath" setting, and whether sidecars go with the photos. The preferences choose it; every other holder
// reads it.
struct StorageLocation {
    QString storagelocation;
    // Whether the photos written there get XMP sidecars beside them.
    SidecarPolicy sidecar = SidecarPolicy::Present;

    // With its parents, where it is missing.
    void create() const { QDir().mkpath(storagelocation); }
};
