#pragma once

#include "metadata/PhotoFormat.h"

#include <QByteArray>
#include <QSize>
#include <QStringList>
#include <QVariantMap>

struct PhotoProperties {
    PhotoFormat format = PhotoFormat::Unknown;
    int imageCount = 0;
    QVariantMap dictionary; // the properties of image 0
    // Blocks that could not be read (a damaged ICC profile, XMP packet or
    // maker note): the rest of the photo is still read.
    QStringList warnings;
    // The XMP sidecar beside the photo, if it has one, and the keys of the
    // dictionary ("{XMP}.dc:creator") whose values came from it: the
    // photo's own values win where both have one.
    QString sidecarPath;
    QStringList sidecarKeys;
};

// A small image the photo carries for quick display, as encoded bytes.
struct PhotoPreview {
    QByteArray bytes; // JPEG, or another format Qt reads
    QSize size;
};
