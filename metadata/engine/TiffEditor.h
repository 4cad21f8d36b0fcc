#pragma once

#include "metadata/Result.h"
#include "metadata/engine/TiffLayout.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

// Edits a TIFF structure (an EXIF block, or a whole TIFF file) in place, so
// that every byte the edit does not concern stays where it was: maker notes
// and thumbnails keep the offsets they point at, and other readers read the
// rest as they read the input. A removal unlinks its directory or entry and
// overwrites the bytes it no longer uses with zeros; a value that fits where
// the old one was is written there; a grown value, a new entry or a new
// directory is appended at the end and pointed to.
//
// Broken entries (invalid type, value outside the bytes) are dropped and
// named in repairs(); a directory that loops, or lies outside the bytes, is
// refused with the reason.
class TiffEditor {
public:
    enum class Origin { ExifBlock, TiffFile };
    enum class Directory { Ifd0, Exif, Gps, Interop };

    static Result<TiffEditor> open(QByteArray bytes, Origin origin);
    // A block holding an empty IFD0, for a photo that has no EXIF yet.
    static TiffEditor empty(bool littleEndian);

    bool littleEndian() const { return m_little; }
    // Whether open() gave this editor, unedited, for these bytes: a copy of
    // it then stands for opening them again.
    bool isOpenedFrom(const QByteArray& bytes, Origin origin) const {
        return !m_changed && m_origin == origin && m_bytes == bytes;
    }
    bool hasDirectory(Directory directory) const;
    std::optional<quint16> typeOf(Directory directory, quint16 tag) const;
    // The tags of IFD0 of the first page.
    QList<quint16> tagsOf(Directory directory) const;
    // The stored bytes of an entry's value, in the block's byte order.
    std::optional<QByteArray> valueOf(Directory directory, quint16 tag) const;
    // An entry as stored: its type, count and value field (the value itself,
    // or its offset).
    struct Stored {
        quint16 type = 0;
        quint32 count = 0;
        quint32 field = 0;
    };
    // How many entries of the tag the directory holds, duplicates included;
    // the first of them, and a view of its value's bytes, valid while the
    // editor is.
    int storedCount(Directory directory, quint16 tag, Stored* first = nullptr,
                    QByteArrayView* value = nullptr) const;
    // Every entry of the directory in its order, with a view of its value's
    // bytes as storedCount() gives it: one walk for a comparison of all.
    struct StoredEntry {
        quint16 tag = 0;
        Stored stored;
        QByteArrayView value;
    };
    QList<StoredEntry> storedEntries(Directory directory) const;
    qsizetype entryCount(Directory directory) const;

    // Removes the directory (and the directories below it) from every page.
    void removeDirectory(Directory directory);
    void removeEntry(Directory directory, quint16 tag);
    // The value's bytes are in the block's byte order; count is in units of the type.
    Status setEntry(Directory directory, quint16 tag, quint16 type, quint32 count,
                    const QByteArray& value);

    // The edited bytes; fails when they would be larger than maxSize.
    Result<QByteArray> finish(qsizetype maxSize) const;
    bool changed() const { return m_changed; }
    const QStringList& repairs() const { return m_repairs; }

private:
    struct Entry {
        quint16 tag = 0;
        quint16 type = 0;
        quint32 count = 0;
        quint32 field = 0;   // the value, or its offset, as stored
        qint64 at = -1;      // where the entry stood; -1 for a new one
        QByteArray newValue; // set when the value changes
        bool valueChanged = false;
    };
    struct Ifd {
        Directory kind = Directory::Ifd0;
        qint64 offset = -1; // -1: new
        quint32 next = 0;
        QList<Entry> entries;
        int storedEntries = 0; // entries on disk before any edit
        bool removed = false;
        int children[3] = {-1, -1, -1}; // Exif, Gps, Interop (index into m_ifds)
    };

    TiffEditor() = default;
    Status parse();
    Result<int> parseIfd(IfdWalk walk, Directory kind, int depth);
    int find(Directory directory, int page = 0) const;
    QByteArrayView valueView(const Entry& entry) const;
    void removeEntries(int ifd, quint16 tag, int from);
    Entry* entryOf(int ifd, quint16 tag);
    const Entry* entryOf(int ifd, quint16 tag) const;
    quint32 readU(qint64 at, int size) const;
    qint64 valueSize(const Entry& entry) const;
    static quint16 pointerTag(Directory kind);

    QByteArray m_bytes;
    Origin m_origin = Origin::ExifBlock;
    bool m_little = true;
    QList<Ifd> m_ifds;
    QList<int> m_pages;                      // the chain of main directories, by index into m_ifds
    QList<std::pair<qint64, qint64>> m_dead; // regions no longer used: zeroed when finishing
    QStringList m_repairs;
    bool m_changed = false;
};
