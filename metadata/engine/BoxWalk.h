#pragma once

#include "metadata/engine/ByteReading.h"

#include <QByteArray>

// One box of an ISO base media file (HEIF, AVIF, CR3): its type, where it
// starts and its size with its header.
struct IsoBox {
    QByteArray type;
    qint64 start = 0;
    qint64 size = 0;
    int header = 8; // 16 with a 64-bit size

    qint64 payload() const { return start + header; }
    qint64 end() const { return start + size; }
};

// The walk over the boxes of an ISO base media file, or over the boxes
// inside one of them, by the one set of rules every reader and writer of
// that structure here follows:
//
//     BoxWalk walk(bytes, meta, 4);
//     for (const IsoBox& box : walk)
//         ...
//     if (walk.damaged())
//         ...
//
// A size of 1 is followed by a 64-bit size, and a size of 0 runs to the end
// of what is walked. Each box must hold its own header and end inside the
// box around it (the file, at the top). The walk ends there, or at the first
// damage: a size too short or too long, or bytes too few for a header. A
// reader keeps the boxes the walk gave it up to there; a writer refuses the
// photo with the reason its item table gives.
class BoxWalk {
public:
    // The top-level boxes. The walk refers to the bytes: they must outlive it.
    explicit BoxWalk(const QByteArray& bytes);
    // The boxes inside a box, past the first bytes of its payload that its
    // own fields take (4 for a full box's version and flags).
    BoxWalk(const QByteArray& bytes, const IsoBox& parent, qint64 fields = 0);
    // The boxes in [begin, end); none where begin is past end.
    BoxWalk(const QByteArray& bytes, qint64 begin, qint64 end);
    BoxWalk(QByteArray&&) = delete;

    // The next box, or nothing where the walk has ended.
    std::optional<IsoBox> next();

    bool damaged() const { return m_state == State::Damaged; }

    WalkIterator<BoxWalk> begin();
    std::default_sentinel_t end() const { return {}; }

private:
    enum class State { Walking, Ended, Damaged };

    const QByteArray& m_bytes;
    qint64 m_at;
    qint64 m_end;
    State m_state = State::Walking;
};

inline WalkIterator<BoxWalk> BoxWalk::begin() {
    return WalkIterator<BoxWalk>(*this);
}

// The big-endian fields of a box, read in order, each checked to lie inside
// it: a field that does not reads as 0 (a text as empty) and marks the
// reading cut short.
class BoxFields {
public:
    struct FullBox {
        int version = 0;
        quint32 flags = 0;
    };

    BoxFields(const QByteArray& bytes, qint64 at, qint64 end);
    // The payload of the box.
    BoxFields(const QByteArray& bytes, const IsoBox& box);

    // An unsigned field of 0 to 8 bytes.
    quint64 read(int size);
    // The version and flags that open a full box.
    FullBox fullBox();
    // A four-character code.
    QByteArray code();
    // A text up to and past its terminating zero.
    QByteArray text();

    qint64 at() const { return m_at; }
    bool cutShort() const { return m_cutShort; }

private:
    bool has(qint64 n) const { return n >= 0 && m_at + n <= m_end; }

    const QByteArray& m_bytes;
    qint64 m_at;
    qint64 m_end;
    bool m_cutShort = false;
};

// A big-endian field of 0 to 8 bytes.
QByteArray bigEndianField(quint64 value, int size);
// A new box of that type around the payload, with an 8-byte header.
QByteArray boxOf(const char* type, const QByteArray& payload);
// A box's bytes with its size field set to their length; a box of a 64-bit
// size (a header of 16) keeps that form.
QByteArray withBoxSize(QByteArray box, int header);
