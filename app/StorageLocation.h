#pragma once

#include <QDir>
#include <QString>

// The folder every written photo and property list goes into, mirrored in
// the "storagePath" setting. The preferences choose it; every other holder
// reads it.
struct StorageLocation {
    QString storagelocation;

    // With its parents, where it is missing.
    void create() const { QDir().mkpath(storagelocation); }
};
