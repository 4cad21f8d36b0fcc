#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QList>

// The item structure of a HEIF file: its top-level boxes, the items of its
// meta box and where their data lies. Read strictly: boxes that do not add
// up, extents past the end or over each other, and forms we do not write
// (other iloc versions, data in other items) are refused with the reason.
struct HeifItems {
    struct Box {
        QByteArray type;
        qint64 start = 0;
        qint64 size = 0;
        int header = 8;
    };
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
    };
    QList<Box> top;
    qsizetype meta = -1; // index into top
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

    static Result<HeifItems> parse(const QByteArray& bytes);
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
};
