#include "metadata/engine/BoxWalk.h"

BoxWalk::BoxWalk(const QByteArray& bytes) : m_bytes(bytes), m_at(0), m_end(bytes.size()) {}

BoxWalk::BoxWalk(const QByteArray& bytes, const IsoBox& parent, qint64 fields)
    : m_bytes(bytes), m_at(parent.payload() + fields), m_end(parent.end()) {}

BoxWalk::BoxWalk(const QByteArray& bytes, qint64 begin, qint64 end)
    : m_bytes(bytes), m_at(begin), m_end(end) {}

std::optional<IsoBox> BoxWalk::next() {
    if (m_state != State::Walking)
        return std::nullopt;
    if (m_at >= m_end) {
        m_state = State::Ended;
        return std::nullopt;
    }
    BoxFields header(m_bytes, m_at, m_end);
    qint64 size = qint64(header.read(4));
    IsoBox box{header.code(), m_at, 0, 8};
    if (size == 1) {
        size = qint64(header.read(8));
        box.header = 16;
    } else if (size == 0) {
        size = m_end - m_at;
    }
    if (header.cutShort() || size < box.header || size > m_end - m_at) {
        m_state = State::Damaged;
        return std::nullopt;
    }
    box.size = size;
    m_at += size;
    return box;
}

BoxFields::BoxFields(const QByteArray& bytes, qint64 at, qint64 end)
    : m_bytes(bytes), m_at(at), m_end(end) {}

BoxFields::BoxFields(const QByteArray& bytes, const IsoBox& box)
    : BoxFields(bytes, box.payload(), box.end()) {}

quint64 BoxFields::read(int size) {
    if (!has(size)) {
        m_cutShort = true;
        return 0;
    }
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(m_bytes[m_at + i]);
    m_at += size;
    return value;
}

BoxFields::FullBox BoxFields::fullBox() {
    FullBox full;
    full.version = int(read(1));
    full.flags = quint32(read(3));
    return full;
}

QByteArray BoxFields::code() {
    if (!has(4)) {
        m_cutShort = true;
        return QByteArray();
    }
    m_at += 4;
    return m_bytes.mid(m_at - 4, 4);
}

QByteArray BoxFields::text() {
    QByteArray out;
    while (has(1) && m_bytes[m_at] != '\0')
        out.append(m_bytes[m_at++]);
    if (!has(1))
        m_cutShort = true;
    else
        ++m_at;
    return out;
}

QByteArray bigEndianField(quint64 value, int size) {
    QByteArray out;
    for (int i = size - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
    return out;
}

QByteArray boxOf(const char* type, const QByteArray& payload) {
    return bigEndianField(quint64(payload.size()) + 8, 4) + type + payload;
}

QByteArray withBoxSize(QByteArray box, int header) {
    if (header == 16)
        box.replace(8, 8, bigEndianField(quint64(box.size()), 8));
    else
        box.replace(0, 4, bigEndianField(quint64(box.size()), 4));
    return box;
}
