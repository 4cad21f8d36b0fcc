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
Status checkWritten(PhotoFormat format, const QByteArray& source, const QByteArray& written,
                    const MetadataEdit& edit, const Exiv2::ExifData& readBackExif,
                    const Exiv2::IptcData& readBackIptc);

// The same for a photo the library has not read back: its blocks are decoded
// here.
Status checkWritten(PhotoFormat format, const QByteArray& source, const QByteArray& written,
                    const MetadataEdit& edit);
