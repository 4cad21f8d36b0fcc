#pragma once

#include <QByteArray>
#include <QString>

// The still-image containers Tessaview accepts. Anything else is refused from
// its first bytes, before the metadata library sees it: that library has had
// memory faults in parsers of containers we have no use for (RIFF video, ...).
// The formats after Heif are read by the library alone; none of our writers
// rewrites them, so their changes go into an XMP sidecar beside the photo.
enum class PhotoFormat { Unknown, Jpeg, Tiff, Png, WebP, Heif, Psd, Cr3, Crw, Raf, Rw2, Orf, Mrw };

PhotoFormat sniffPhotoFormat(const QByteArray& bytes);
bool isWritableFormat(PhotoFormat format);
// Read, but changed only through the sidecar: the photo itself is left as it is.
bool isSidecarOnlyFormat(PhotoFormat format);
QString photoFormatName(PhotoFormat format);
