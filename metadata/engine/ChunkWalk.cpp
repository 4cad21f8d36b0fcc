#include "metadata/engine/ChunkWalk.h"

#include <algorithm>

ChunkWalk::ChunkWalk(const QByteArray& bytes, Form form)
    : m_bytes(bytes), m_form(form), m_at(form == Form::Png ? 8 : 12) {}

std::optional<Chunk> ChunkWalk::next() {
    if (m_state != State::Walking)
        return std::nullopt;
    const qsizetype size = m_bytes.size();
    if (m_form == Form::Png) {
        // Length, type, data, checksum.
        if (m_at + 12 > size) {
            m_state = State::Damaged;
            return std::nullopt;
        }
        const qint64 length = readBigEndian(m_bytes, m_at, 4);
        if (m_at + 12 + length > size) {
            m_state = State::Damaged;
            return std::nullopt;
        }
        Chunk chunk{m_bytes.mid(m_at + 4, 4), m_at, m_at + 8, qsizetype(length),
                    qsizetype(m_at + 12 + length)};
        m_at = chunk.end;
        if (chunk.type == "IEND")
            m_state = State::Ended;
        return chunk;
    }
    // Type, length, data, padding.
    if (m_at + 8 > size) {
        m_state = State::Ended;
        return std::nullopt;
    }
    const qint64 length = readUnsigned(m_bytes, m_at + 4, 4, true);
    if (m_at + 8 + length > size) {
        m_state = State::Damaged;
        return std::nullopt;
    }
    Chunk chunk{m_bytes.mid(m_at, 4), m_at, m_at + 8, qsizetype(length),
                qsizetype(std::min<qint64>(m_at + 8 + length + (length & 1), size))};
    m_at = chunk.end;
    return chunk;
}

QString ChunkWalk::damage() const {
    if (m_state != State::Damaged)
        return QString();
    return m_form == Form::Png ? QStringLiteral("damaged PNG: a chunk runs past the end")
                               : QStringLiteral("damaged WebP: a chunk runs past the end");
}
