#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"

#include <QByteArray>

struct MetadataEdit;

// Whether a written photo is what its edit planned, before it may replace
// anything: every step reads back from the written photo (a value as written,
// decoded by the library from its stored bytes; a removed key or set gone),
// and every entry of its EXIF block, every IPTC dataset and the XMP packet
// that no step concerns is as the source had it. written holds the written
// photo's metadata: the whole photo, or a JPEG's headers. A photo the library
// wrote itself has its maker note rewritten the library's way (padding,
// version bytes), so that one entry is not compared.
enum class WrittenBy { Us, Library };
Status checkWritten(PhotoFormat format, const QByteArray& source, const QByteArray& written,
                    const MetadataEdit& edit, WrittenBy writer = WrittenBy::Us);
