#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// The raw TIFF structure of a photo's EXIF block (or of a TIFF file), read
// and patched byte by byte: for finding what a photo stores and for making
// damaged copies of real photos. Offsets are from the TIFF header, as in the
// structure itself.
class TiffBytes {
public:
    // The bytes of one value of the type; 0 for an unknown type.
    static int typeSize(quint16 type);
    struct Entry {
        qsizetype at = 0; // of the 12-byte entry, from the TIFF header
        quint16 tag = 0;
        quint16 type = 0;
        quint32 count = 0;
        quint32 field = 0;
    };
    struct NewEntry {
        quint16 tag = 0;
        quint16 type = 0;
        quint32 count = 0;
        QByteArray value; // in the structure's byte order
    };

    // Where the TIFF header of the EXIF block starts in a JPEG, PNG or WebP
    // file, or 0 for a TIFF file.
    static std::optional<qsizetype> exifBase(const QByteArray& file);

    TiffBytes(QByteArray& file, qsizetype base);

    bool littleEndian() const { return m_little; }
    quint32 read(qsizetype offset, int size) const;
    void write(qsizetype offset, quint32 value, int size);
    QByteArray number(quint32 value, int size) const;

    quint32 firstIfd() const { return read(4, 4); }
    quint32 nextIfd(quint32 ifd) const;
    QList<quint32> pages() const;
    QList<Entry> entries(quint32 ifd) const;
    std::optional<Entry> entry(quint32 ifd, quint16 tag) const;
    // The directory a pointer tag of the directory leads to, or 0.
    quint32 child(quint32 ifd, quint16 pointerTag) const;
    // The stored bytes of a value, in the structure's byte order.
    QByteArray value(const Entry& entry) const;

    // Appends a directory with the entries (sorted by tag) and their values
    // to the end of the file; a TIFF file only.
    quint32 appendIfd(const QList<NewEntry>& entries, quint32 next = 0);
    // Rewrites a page's directory at the end of the file with one entry more,
    // and links it in where the old one was.
    void addEntryToPage(int page, const NewEntry& entry);

private:
    QByteArray& m_file;
    qsizetype m_base;
    bool m_little = true;
};
