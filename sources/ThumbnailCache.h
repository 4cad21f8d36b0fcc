#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QImage>
#include <QString>

struct DeviceFile;

// Device thumbnails live in a private folder of the user's cache
// (mode 0700), named by a digest of device, folder and file name, so no
// device name ever becomes a path and no other user can swap them.
namespace ThumbnailCache {
// Creates the folder if needed and makes it private.
Result<QString> folder();
QString key(const QString& port, const DeviceFile& file);
// The path a thumbnail is at, if one has been stored.
QString existing(const QString& folder, const QString& key);
// A JPEG preview is kept as it is; anything else that decodes is stored as PNG.
Result<QString> storePreview(const QString& folder, const QString& key, const QByteArray& bytes);
Result<QString> storeImage(const QString& folder, const QString& key, const QImage& image);
// The picture of a file the device gives no thumbnail for.
QImage placeholder(bool movie);
} // namespace ThumbnailCache
