#pragma once

#include <QByteArray>

// The signatures that open a metadata block inside its container's segment,
// chunk or item, and tell it from other applications' data there.
namespace BlockSignatures {

// Before the TIFF header of an EXIF block: always in a JPEG's APP1 segment,
// after the offset to it in a HEIF's Exif item as phones write it, and put
// there by some writers in a PNG's or WebP's chunk too.
inline const QByteArray Exif("Exif\0\0", 6);
// A JPEG's APP1 segment that holds the XMP packet.
inline const QByteArray Xmp("http://ns.adobe.com/xap/1.0/\0", 29);
// A JPEG's APP13 segments that hold Photoshop's image resources.
inline const QByteArray Photoshop("Photoshop 3.0\0", 14);
// The content type of a HEIF's mime item that holds the XMP packet.
inline const QByteArray XmpContentType("application/rdf+xml");

} // namespace BlockSignatures
