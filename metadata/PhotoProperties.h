#pragma once

#include "metadata/PhotoFormat.h"

#include <QByteArray>
#include <QSize>
#include <QVariantMap>

struct PhotoProperties {
    PhotoFormat format = PhotoFormat::Unknown;
    int imageCount = 0;
    QVariantMap dictionary; // the properties of image 0
};

// A small image the photo carries for quick display, as encoded bytes.
struct PhotoPreview {
    QByteArray bytes; // JPEG, or another format Qt reads
    QSize size;
};
