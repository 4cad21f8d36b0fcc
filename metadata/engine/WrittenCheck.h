#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"
#include "metadata/engine/Exiv2Include.h"

#include <QByteArray>

struct MetadataEdit;

// Whether a written photo is what its edit planned, before it may replace
// anything: every step reads back from the written photo as the library
// decodes it (a value as written, a removed key or set gone), and every
// entry of its EXIF block, every IPTC dataset and the XMP packet that no
// step concerns is as the source had it. written holds the written photo's
// metadata: the whole photo, or a JPEG's headers.
enum class WrittenBy;
Status checkWritten(PhotoFormat format, const QByteArray& source, const QByteArray& written,
                    const MetadataEdit& edit, const Exiv2::ExifData& readBackExif,
                    const Exiv2::IptcData& readBackIptc, WrittenBy writer);

// The same for a photo the library has not read back: its blocks are decoded
// here. A photo the library wrote itself has its maker note rewritten the
// library's way (padding, version bytes), so that one entry is not compared.
enum class WrittenBy { Us, Library };
Status checkWritten(PhotoFormat format, const QByteArray& source, const QByteArray& written,
                    const MetadataEdit& edit, WrittenBy writer = WrittenBy::Us);
