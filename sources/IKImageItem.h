#pragma once

#include <QFileInfo>
#include <QString>

// One listed photo. It keeps the photo's path, not its pixels: the browser's
// thumbnails come from the thumbnail loader and its bounded cache.
struct IKImageItem {
    QString filePath; // the photo, or a device photo's thumbnail file
    QString fileType = QStringLiteral("Image");
    QString fileName;                 // last path component, or the device file's name
    const void* cameraItem = nullptr; // the device's item for a device photo

    static IKImageItem forLocalFile(const QString& path) {
        IKImageItem item;
        item.filePath = path;
        item.fileName = QFileInfo(path).fileName();
        return item;
    }
};
