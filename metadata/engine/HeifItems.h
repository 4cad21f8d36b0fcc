#pragma once

#include "metadata/Result.h"
#include "metadata/engine/BlockSignatures.h"
#include "metadata/engine/BoxWalk.h"

#include <QByteArray>
#include <QList>

// The item table of a HEIF file: its top-level boxes, the items of its meta
// box (iinf, iloc, pitm, iref, idat) and where their data lies, by the one
// set of rules its reader, writer, written check and fuzz targets share.
//
// read() takes in what the bytes let it, and names the first damage: boxes
// that do not add up, a second meta box or item box, entries cut short, data
// past the end or over another item's, and forms not written here (other
// iloc versions or field sizes, data by a data reference or an item offset).
// An item whose data it could not place is kept, but not inFile; one the
// iloc box ends in keeps the extents before. A reader keeps what it read; a
// writer refuses the photo with the reason damage gives (parse()).
struct HeifItems {
    using Box = IsoBox;
    struct Extent {
        qint64 index = 0;
        qint64 offset = 0;
        qint64 length = 0;
    };
    struct Item {
        quint32 id = 0;
        QByteArray type; // "hvc1", "grid", "Exif", "mime", ...
        QByteArray contentType;
        int construction = 0; // 0: file offsets, 1: in the meta box's idat
        quint16 dataReference = 0;
        qint64 baseOffset = 0;
        QList<Extent> extents;
        bool inFile = true; // its extents lie inside their area, in this file

        bool isExif() const { return type == "Exif"; }
        bool isXmp() const {
            return type == "mime" && contentType == BlockSignatures::XmpContentType;
        }
        // Exif and mime items: an extent of no length is empty data there.
        bool isMetadata() const { return type == "Exif" || type == "mime"; }
    };
    QList<Box> top;
    qsizetype meta = -1; // index into top
    QList<Box> inMeta;   // the boxes of the meta box, up to any damage
    Box iloc;            // position in the file
    Box idat;            // size 0 when there is none
    Box iinf;
    Box iref; // size 0 when there is none
    int iinfVersion = 0;
    int irefVersion = 0;
    quint32 primary = 0; // the primary image's item, 0 when no pitm names one
    quint32 largestId = 0;
    int ilocVersion = 0;
    int offsetSize = 4, lengthSize = 4, baseOffsetSize = 0, indexSize = 0;
    QList<Item> items;
    QString damage; // "damaged HEIF: ...", empty for a sound table

    static HeifItems read(const QByteArray& bytes);
    // The text of damage to a HEIF's structure, which says what is wrong.
    static QString damaged(const QString& why);
    // The table of a sound file, or the damage.
    static Result<HeifItems> parse(const QByteArray& bytes);

    // Where the item's offsets count from: the file, or its idat box's payload.
    qint64 areaOf(const Item& item) const;
    // The item's data, gathered from its extents.
    QByteArray dataOf(const Item& item, const QByteArray& bytes) const;
    // The iloc box for these items, with its header.
    QByteArray ilocBytes() const;
    // The iinf box with an entry more for each of these items (their id,
    // type and content type), shown.
    QByteArray iinfWith(const QByteArray& bytes, const QList<Item>& added) const;
    // The iref box (a new one if there is none) with a reference more of
    // this type from each of these items to another; empty when the ids do
    // not fit it.
    QByteArray irefWith(const QByteArray& bytes, const QByteArray& type, const QList<quint32>& from,
                        quint32 to) const;

    // What phones put before the TIFF structure in an Exif item's data: the
    // offset past an EXIF signature to it.
    static QByteArray exifItemPrefix();
    // Where the TIFF structure inside an Exif item's data starts: after a
    // 4-byte offset to it, which must lie inside the data.
    static std::optional<qsizetype> tiffStartOf(const QByteArray& exifData);
};
