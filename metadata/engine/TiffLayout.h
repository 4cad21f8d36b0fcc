#pragma once

#include "metadata/engine/ByteReading.h"

#include <QByteArray>
#include <QSet>

// The bytes a value of the TIFF type takes; 0 for a type no reader knows.
int tiffTypeSize(quint16 type);

// Whether the two bytes at `at` are a byte order mark of little-endian
// ("II") or big-endian ("MM") data; nothing where they are neither.
std::optional<bool> littleEndianMark(const QByteArray& bytes, qint64 at);

// One entry of a TIFF directory as stored: 12 bytes at `at`.
struct IfdEntry {
    quint16 tag = 0;
    quint16 type = 0;
    quint32 count = 0;
    quint32 field = 0; // the value itself, or its offset
    qint64 at = 0;     // where the entry starts

    qint64 valueSize() const { return qint64(count) * tiffTypeSize(type); }
    // Where the value starts: in the entry's field, or at its offset from
    // the TIFF header at base.
    qint64 valueAt(qint64 base = 0) const { return valueSize() <= 4 ? at + 8 : base + field; }
};

// The header of a TIFF structure: its byte order mark ("II" little-endian,
// "MM" big-endian), its magic number (42 in a TIFF, another in some RAW
// layouts: the caller's to judge) and the offset of its first directory.
struct TiffHeader {
    bool little = true;
    quint16 magic = 0;
    quint32 firstDirectory = 0;

    // The header at base, all of it before limit (-1: the end of the bytes);
    // nothing without a byte order mark.
    static std::optional<TiffHeader> read(const QByteArray& bytes, qint64 base = 0,
                                          qint64 limit = -1);
};

// The walk over the entries of one TIFF directory, by the one set of rules
// every reader, writer and check of TIFF structure here follows:
//
//     IfdWalk walk(bytes, little, offset);
//     for (const IfdEntry& entry : walk)
//         ...
//     if (walk.damage() != IfdWalk::Damage::None)
//         ...
//
// Offsets count from the TIFF header at base. A directory must start past
// the header (at 8 or later) and hold its count, its entries and the offset
// of the next directory before limit; one that does not is damaged and
// gives no entry. Whether an entry's value lies inside the bytes is the
// caller's to judge: a reader skips it, an editor drops it.
class IfdWalk {
public:
    enum class Damage { None, Outside, CutShort };

    IfdWalk(const QByteArray& bytes, bool little, quint32 offset, qint64 base = 0,
            qint64 limit = -1);
    IfdWalk(QByteArray&&, bool, quint32, qint64 = 0, qint64 = -1) = delete;

    std::optional<IfdEntry> next();
    // The first entry of the tag; nothing where there is none or the
    // directory is damaged.
    std::optional<IfdEntry> find(quint16 tag) const;

    Damage damage() const { return m_damage; }
    qint64 position() const { return m_position; }
    int storedEntries() const { return m_count; }
    // The offset of the directory that follows; 0 where it is damaged.
    quint32 nextDirectory() const { return m_nextDirectory; }

    WalkIterator<IfdWalk> begin();
    std::default_sentinel_t end() const { return {}; }

private:
    const QByteArray* m_bytes;
    bool m_little;
    qint64 m_position;
    int m_count = 0;
    int m_index = 0;
    quint32 m_nextDirectory = 0;
    Damage m_damage = Damage::None;
};

inline WalkIterator<IfdWalk> IfdWalk::begin() {
    return WalkIterator<IfdWalk>(*this);
}

// The walk over a TIFF's chain of main directories (its pages), from the
// first: each one a walk of its entries, undamaged. The chain ends at an
// offset of 0, at a directory met before (a loop), at a damaged directory,
// or after 10,000 pages; what ended it is the caller's to judge.
class TiffPages {
public:
    static constexpr int MaxPages = 10000;

    TiffPages(const QByteArray& bytes, const TiffHeader& header, qint64 base = 0,
              qint64 limit = -1);
    TiffPages(QByteArray&&, const TiffHeader&, qint64 = 0, qint64 = -1) = delete;

    std::optional<IfdWalk> next();

    bool looped() const { return m_looped; }
    // How the directory that ended the chain is damaged.
    IfdWalk::Damage damage() const { return m_damage; }
    int pagesWalked() const { return m_pages; }

    WalkIterator<TiffPages> begin();
    std::default_sentinel_t end() const { return {}; }

private:
    const QByteArray* m_bytes;
    bool m_little;
    qint64 m_base;
    qint64 m_limit;
    quint32 m_next;
    int m_pages = 0;
    QSet<quint32> m_seen;
    bool m_looped = false;
    IfdWalk::Damage m_damage = IfdWalk::Damage::None;
};

inline WalkIterator<TiffPages> TiffPages::begin() {
    return WalkIterator<TiffPages>(*this);
}
