#pragma once

#include "metadata/engine/ByteReading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// One chunk of a PNG or WebP: its type, and the data its length gives.
struct Chunk {
    QByteArray type;
    qsizetype start = 0; // of its header
    qsizetype data = 0;
    qsizetype size = 0; // of its data
    qsizetype end = 0;  // past its checksum (PNG) or its padding (WebP)

    QByteArrayView dataIn(const QByteArray& bytes) const {
        return QByteArrayView(bytes).sliced(data, size);
    }
    QByteArray dataOf(const QByteArray& bytes) const { return bytes.mid(data, size); }
    // Whether it is a WebP's XMP packet: "XMP ", or "XMP" and a zero byte as
    // some converters name it, which other readers read as XMP too.
    bool isWebPXmp() const { return type == "XMP " || type == QByteArrayView("XMP\0", 4); }
};

// The walk over the chunks of a PNG (past its signature, up to and with its
// end chunk) or of a WebP (past its RIFF header, to the end of its bytes),
// by the one set of rules their readers and writers follow:
//
//     ChunkWalk walk(bytes, ChunkWalk::Form::Png);
//     for (const Chunk& chunk : walk)
//         ...
//     if (!walk.damage().isEmpty())
//         ...
//
// Each chunk must end inside the bytes. A PNG's lengths are big-endian and
// its chunks close with a checksum; it ends with its end chunk, and bytes
// that run out before it are damage. A WebP's lengths are little-endian and
// its chunks padded to an even length; a last chunk may lack its padding,
// and bytes too few for a chunk's header after the last one are no chunk. A
// reader keeps what the walk gave it up to any damage; a writer refuses the
// photo with the reason damage() gives.
class ChunkWalk {
public:
    enum class Form { Png, WebP };

    // The walk refers to the bytes: they must outlive it.
    ChunkWalk(const QByteArray& bytes, Form form);
    ChunkWalk(QByteArray&&, Form) = delete;

    // The next chunk, or nothing where the walk has ended.
    std::optional<Chunk> next();

    // Whether the walk has reached the container's end: a PNG's end chunk,
    // the end of a WebP's bytes.
    bool reachedEnd() const { return m_state == State::Ended; }
    // Why the chunks do not lead to that end: empty when they do, and while
    // the walk goes on.
    QString damage() const;

    WalkIterator<ChunkWalk> begin();
    std::default_sentinel_t end() const { return {}; }

private:
    enum class State { Walking, Ended, Damaged };

    const QByteArray& m_bytes;
    Form m_form;
    qsizetype m_at;
    State m_state = State::Walking;
};

inline WalkIterator<ChunkWalk> ChunkWalk::begin() {
    return WalkIterator<ChunkWalk>(*this);
}
