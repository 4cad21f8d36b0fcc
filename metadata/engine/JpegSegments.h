#pragma once

#include "metadata/engine/ByteReading.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// One segment of a JPEG's headers: its marker, and the payload its length
// field gives. A marker that has no length (TEM, RSTn) is a segment of its
// own two bytes, without a payload.
struct JpegSegment {
    quint8 marker = 0;
    qsizetype start = 0;   // of its 0xFF
    qsizetype payload = 0; // past its length field
    qsizetype end = 0;     // past its payload

    qsizetype size() const { return end - start; }
    qsizetype payloadSize() const { return end - payload; }
    QByteArrayView payloadIn(const QByteArray& bytes) const {
        return QByteArrayView(bytes).sliced(payload, end - payload);
    }
    // Whether it is a segment of that marker whose payload opens with the
    // signature.
    bool holds(const QByteArray& bytes, quint8 wanted, QByteArrayView signature) const {
        return marker == wanted && payloadIn(bytes).startsWith(signature);
    }
    bool hasLength() const { return payload != start + 2; }
    // Every start of frame but the DHT, JPG and DAC markers among them.
    bool isFrameHeader() const {
        return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
               marker != 0xCC;
    }
    bool isApplicationData() const { return marker >= 0xE0 && marker <= 0xEF; }
};

// The walk over a JPEG's header segments, from its start of image up to its
// first scan, by the one set of rules every reader and writer of JPEG
// structure here follows:
//
//     JpegSegments walk(bytes);
//     for (const JpegSegment& segment : walk)
//         ...
//     if (const auto scan = walk.scan())
//         ...
//
// Fill bytes before a marker are skipped. Each segment's length must count
// its own field and end inside the bytes. The walk ends at the first scan,
// at an end of image, or at the first damage: something other than a marker
// where a segment should start, a second start of image, a length too short
// or too long. A reader keeps what the walk gave it up to there; a writer
// refuses the photo with the reason damage() gives.
class JpegSegments {
public:
    // The walk refers to the bytes: they must outlive it.
    explicit JpegSegments(const QByteArray& bytes);
    explicit JpegSegments(QByteArray&&) = delete;

    // The next segment, or nothing where the walk has ended.
    std::optional<JpegSegment> next();

    // Where the first scan's marker lies, once the walk has reached it.
    std::optional<qsizetype> scan() const { return m_scan; }
    bool reachedImageEnd() const { return m_state == State::ImageEnd; }
    // Why the headers do not lead up to a scan: empty when they do, and
    // while the walk goes on.
    QString damage() const;

    // From the scan the walk has reached past its entropy-coded data, to the
    // marker after it, where the walk goes on: tables, a further scan, the
    // end of image. False when the scan does not end inside the bytes.
    bool skipScan();

    WalkIterator<JpegSegments> begin();
    std::default_sentinel_t end() const { return {}; }

private:
    enum class State { Walking, Scan, ImageEnd, Damaged };
    std::nullopt_t stop(State state);

    const QByteArray& m_bytes;
    qsizetype m_at = 2;
    State m_state = State::Walking;
    std::optional<qsizetype> m_scan;
};

inline WalkIterator<JpegSegments> JpegSegments::begin() {
    return WalkIterator<JpegSegments>(*this);
}

// Where a JPEG's first scan (its SOS marker) starts, when its headers lead
// up to it: everything before it is headers and metadata, everything from it
// on is image data.
std::optional<qsizetype> jpegFirstScanOffset(const QByteArray& bytes);
