#include "metadata/engine/TiffLayout.h"

int tiffTypeSize(quint16 type) {
    switch (type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 11: // FLOAT
    case 13: // IFD
        return 4;
    case 5:  // RATIONAL
    case 10: // SRATIONAL
    case 12: // DOUBLE
        return 8;
    default:
        return 0;
    }
}

std::optional<bool> littleEndianMark(const QByteArray& bytes, qint64 at) {
    if (at < 0 || at + 2 > bytes.size() || bytes[at] != bytes[at + 1])
        return std::nullopt;
    if (bytes[at] == 'I')
        return true;
    if (bytes[at] == 'M')
        return false;
    return std::nullopt;
}

std::optional<TiffHeader> TiffHeader::read(const QByteArray& bytes, qint64 base, qint64 limit) {
    if (limit < 0 || limit > bytes.size())
        limit = bytes.size();
    if (base < 0 || base + 8 > limit)
        return std::nullopt;
    const auto little = littleEndianMark(bytes, base);
    if (!little)
        return std::nullopt;
    TiffHeader header;
    header.little = *little;
    header.magic = quint16(readUnsigned(bytes, base + 2, 2, header.little));
    header.firstDirectory = readUnsigned(bytes, base + 4, 4, header.little);
    return header;
}

IfdWalk::IfdWalk(const QByteArray& bytes, bool little, quint32 offset, qint64 base, qint64 limit)
    : m_bytes(&bytes), m_little(little), m_position(base + offset) {
    if (limit < 0 || limit > bytes.size())
        limit = bytes.size();
    if (base < 0 || offset < 8 || m_position + 2 > limit) {
        m_damage = Damage::Outside;
        return;
    }
    const int count = int(readUnsigned(bytes, m_position, 2, little));
    if (m_position + 2 + qint64(count) * 12 + 4 > limit) {
        m_damage = Damage::CutShort;
        return;
    }
    m_count = count;
    m_nextDirectory = readUnsigned(bytes, m_position + 2 + qint64(count) * 12, 4, little);
}

std::optional<IfdEntry> IfdWalk::next() {
    if (m_index >= m_count)
        return std::nullopt;
    IfdEntry entry;
    entry.at = m_position + 2 + qint64(m_index++) * 12;
    entry.tag = quint16(readUnsigned(*m_bytes, entry.at, 2, m_little));
    entry.type = quint16(readUnsigned(*m_bytes, entry.at + 2, 2, m_little));
    entry.count = readUnsigned(*m_bytes, entry.at + 4, 4, m_little);
    entry.field = readUnsigned(*m_bytes, entry.at + 8, 4, m_little);
    return entry;
}

std::optional<IfdEntry> IfdWalk::find(quint16 tag) const {
    IfdWalk walk = *this;
    walk.m_index = 0;
    for (const IfdEntry& entry : walk) {
        if (entry.tag == tag)
            return entry;
    }
    return std::nullopt;
}

TiffPages::TiffPages(const QByteArray& bytes, const TiffHeader& header, qint64 base, qint64 limit)
    : m_bytes(&bytes), m_little(header.little), m_base(base), m_limit(limit),
      m_next(header.firstDirectory) {}

std::optional<IfdWalk> TiffPages::next() {
    if (m_next == 0 || m_looped || m_damage != IfdWalk::Damage::None || m_pages >= MaxPages)
        return std::nullopt;
    if (m_seen.contains(m_next)) {
        m_looped = true;
        return std::nullopt;
    }
    m_seen.insert(m_next);
    IfdWalk page(*m_bytes, m_little, m_next, m_base, m_limit);
    if (page.damage() != IfdWalk::Damage::None) {
        m_damage = page.damage();
        return std::nullopt;
    }
    ++m_pages;
    m_next = page.nextDirectory();
    return page;
}
