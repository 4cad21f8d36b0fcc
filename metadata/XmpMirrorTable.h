#pragma once

#include <QString>
#include <QStringList>

// Where the guidelines of the Metadata Working Group keep each value of the
// TIFF, EXIF, GPS and IPTC sets besides its own place.
namespace XmpMirrorTable {

// A value of the TIFF or EXIF set kept as one XMP property and, where
// named, one IPTC dataset.
struct Plain {
    const QString& set;
    const char* key;
    const char* xmp;
    const char* iptc;
};
extern const Plain plainMirrors[7];

// IPTC datasets and their XMP properties; lists where the property is an array.
struct IptcMirror {
    const char* iptc;
    const char* xmp;
    bool list;
};
extern const IptcMirror iptcMirrors[22];

// The dates, their zone offsets and where else they are kept.
struct DateMirror {
    const QString& set;
    const QString& key;
    const QString& offset;
    QStringList xmp;
    const char* iptcDate;
    const char* iptcTime;
    // Copies that some writers keep as well (a DNG converter's
    // "exif:DateTimeDigitized"): replaced where the photo has them, never added.
    QStringList xmpWherePresent;
};
extern const DateMirror dateMirrors[3];

// The copies Windows keeps of a few values in the main directory (the TIFF
// set), as UTF-16 text with items separated by ";", and shows in a file's
// properties: each of a key of a set, or of an XMP property where the
// changes give the value there alone. Replaced where the photo has them,
// never added.
struct WindowsCopy {
    const char* key;
    const QString& set;
    const char* from;
    const char* xmp;
};
extern const WindowsCopy windowsCopies[4];

// Which XMP properties (by "{XMP}" key) a removed set takes with it.
bool mirrorsRemovedSet(const QString& set, const QString& key);

} // namespace XmpMirrorTable
