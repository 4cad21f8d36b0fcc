#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class MetadataService;

// A photo's pixels scaled to fit the box, turned as its orientation says.
// Formats Qt cannot decode here (HEIF) are decoded by the metadata worker.
QImage loadPhotoImage(MetadataService& metadata, const QString& path, const QSize& box);
