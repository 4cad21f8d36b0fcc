#pragma once

#include <QByteArray>
#include <QString>

// The still-image containers Tessaview accepts. Anything else is refused from
// its first bytes, before the metadata library sees it: that library has had
// memory faults in parsers of containers we have no use for (RIFF video, ...).
enum class PhotoFormat { Unknown, Jpeg, Tiff, Png, WebP, Heif };

PhotoFormat sniffPhotoFormat(const QByteArray& bytes);
bool isWritableFormat(PhotoFormat format);
QString photoFormatName(PhotoFormat format);
