#include "metadata/engine/JpegSegments.h"

#include <cstring>

JpegSegments::JpegSegments(const QByteArray& bytes) : m_bytes(bytes) {
    if (!bytes.startsWith("\xFF\xD8"))
        m_state = State::Damaged;
}

std::nullopt_t JpegSegments::stop(State state) {
    m_state = state;
    if (state == State::Scan && !m_scan)
        m_scan = m_at;
    return std::nullopt;
}

std::optional<JpegSegment> JpegSegments::next() {
    if (m_state != State::Walking)
        return std::nullopt;
    const qsizetype size = m_bytes.size();
    for (;;) {
        if (m_at + 2 > size || quint8(m_bytes[m_at]) != 0xFF)
            return stop(State::Damaged);
        const quint8 marker = quint8(m_bytes[m_at + 1]);
        if (marker == 0xFF) { // a fill byte
            ++m_at;
            continue;
        }
        if (marker == 0xD9)
            return stop(State::ImageEnd);
        if (marker == 0xD8)
            return stop(State::Damaged);
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            const JpegSegment segment{marker, m_at, m_at + 2, m_at + 2};
            m_at = segment.end;
            return segment;
        }
        // A scan's header is walked with its data (skipScan), but its length
        // must be there to be a scan at all.
        if (m_at + 4 > size)
            return stop(State::Damaged);
        if (marker == 0xDA)
            return stop(State::Scan);
        const qsizetype length = readBigEndian(m_bytes, m_at + 2, 2);
        if (length < 2 || m_at + 2 + length > size)
            return stop(State::Damaged);
        const JpegSegment segment{marker, m_at, m_at + 4, m_at + 2 + length};
        m_at = segment.end;
        return segment;
    }
}

QString JpegSegments::damage() const {
    if (m_state == State::Walking || m_state == State::Scan)
        return QString();
    return QStringLiteral("damaged JPEG: its headers do not add up");
}

bool JpegSegments::skipScan() {
    if (m_state != State::Scan)
        return false;
    const char* data = m_bytes.constData();
    const qsizetype size = m_bytes.size();
    const qsizetype length = readBigEndian(m_bytes, m_at + 2, 2);
    if (length < 2 || m_at + 2 + length > size) {
        m_state = State::Damaged;
        return false;
    }
    qsizetype at = m_at + 2 + length;
    // Entropy-coded data runs to the next marker that is neither a stuffed
    // byte nor a restart marker.
    for (;;) {
        const void* found = std::memchr(data + at, 0xFF, size_t(size - at));
        if (!found || static_cast<const char*>(found) - data + 1 >= size) {
            m_state = State::Damaged;
            return false;
        }
        at = static_cast<const char*>(found) - data;
        const quint8 next = quint8(data[at + 1]);
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
            at += next == 0xFF ? 1 : 2;
            continue;
        }
        break;
    }
    m_at = at;
    m_state = State::Walking;
    return true;
}

std::optional<qsizetype> jpegFirstScanOffset(const QByteArray& bytes) {
    JpegSegments walk(bytes);
    while (walk.next()) {
    }
    return walk.scan();
}
