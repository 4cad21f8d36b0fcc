#include "TiffBytes.h"

#include <algorithm>

int TiffBytes::typeSize(quint16 type) {
    static const int sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < std::size(sizes) ? sizes[type] : 0;
}

namespace {
quint32 readBigEndian(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}
quint32 readLittleEndian(const QByteArray& bytes, qsizetype at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[at + i]);
    return value;
}
} // namespace

std::optional<qsizetype> TiffBytes::exifBase(const QByteArray& file) {
    if (file.startsWith("II*") || file.startsWith("MM\0*"))
        return 0;
    if (file.startsWith("\xff\xd8")) {
        qsizetype at = 2;
        while (at + 4 <= file.size() && quint8(file[at]) == 0xff && quint8(file[at + 1]) != 0xda) {
            const qsizetype length = readBigEndian(file, at + 2, 2);
            if (quint8(file[at + 1]) == 0xe1 && file.mid(at + 4, 6) == QByteArray("Exif\0\0", 6))
                return at + 10;
            at += 2 + length;
        }
        return std::nullopt;
    }
    if (file.startsWith("\x89PNG")) {
        for (qsizetype at = 8; at + 12 <= file.size();) {
            const qsizetype length = readBigEndian(file, at, 4);
            if (file.mid(at + 4, 4) == "eXIf")
                return at + 8 + (file.mid(at + 8, 6) == QByteArray("Exif\0\0", 6) ? 6 : 0);
            at += 12 + length;
        }
        return std::nullopt;
    }
    if (file.startsWith("RIFF")) {
        for (qsizetype at = 12; at + 8 <= file.size();) {
            const qsizetype length = readLittleEndian(file, at + 4, 4);
            if (file.mid(at, 4) == "EXIF")
                return at + 8 + (file.mid(at + 8, 6) == QByteArray("Exif\0\0", 6) ? 6 : 0);
            at += 8 + length + (length & 1);
        }
    }
    return std::nullopt;
}

TiffBytes::TiffBytes(QByteArray& file, qsizetype base)
    : m_file(file), m_base(base), m_little(file.mid(base, 2) == "II") {}

quint32 TiffBytes::read(qsizetype offset, int size) const {
    if (offset < 0 || m_base + offset + size > m_file.size())
        return 0;
    return m_little ? readLittleEndian(m_file, m_base + offset, size)
                    : readBigEndian(m_file, m_base + offset, size);
}

QByteArray TiffBytes::number(quint32 value, int size) const {
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char((value >> (8 * (m_little ? i : size - 1 - i))) & 0xff);
    return out;
}

void TiffBytes::write(qsizetype offset, quint32 value, int size) {
    m_file.replace(m_base + offset, size, number(value, size));
}

quint32 TiffBytes::nextIfd(quint32 ifd) const {
    return read(ifd + 2 + qsizetype(read(ifd, 2)) * 12, 4);
}

QList<quint32> TiffBytes::pages() const {
    QList<quint32> pages;
    for (quint32 ifd = firstIfd(); ifd != 0 && !pages.contains(ifd) && pages.size() < 100;
         ifd = nextIfd(ifd))
        pages << ifd;
    return pages;
}

QList<TiffBytes::Entry> TiffBytes::entries(quint32 ifd) const {
    QList<Entry> list;
    const int count = int(read(ifd, 2));
    for (int i = 0; i < count; ++i) {
        const qsizetype at = ifd + 2 + qsizetype(i) * 12;
        list.append(
            {at, quint16(read(at, 2)), quint16(read(at + 2, 2)), read(at + 4, 4), read(at + 8, 4)});
    }
    return list;
}

std::optional<TiffBytes::Entry> TiffBytes::entry(quint32 ifd, quint16 tag) const {
    for (const Entry& e : entries(ifd)) {
        if (e.tag == tag)
            return e;
    }
    return std::nullopt;
}

quint32 TiffBytes::child(quint32 ifd, quint16 pointerTag) const {
    const auto pointer = entry(ifd, pointerTag);
    return pointer ? pointer->field : 0;
}

QByteArray TiffBytes::value(const Entry& e) const {
    const qsizetype size = qsizetype(e.count) * typeSize(e.type);
    const qsizetype from = size <= 4 ? e.at + 8 : qsizetype(e.field);
    return m_file.mid(m_base + from, size);
}

quint32 TiffBytes::appendIfd(const QList<NewEntry>& unsorted, quint32 next) {
    QList<NewEntry> sorted = unsorted;
    std::sort(sorted.begin(), sorted.end(),
              [](const NewEntry& a, const NewEntry& b) { return a.tag < b.tag; });
    QList<quint32> fields;
    for (const NewEntry& e : sorted) {
        if (e.value.size() <= 4) {
            const QByteArray padded = e.value + QByteArray(4 - e.value.size(), '\0');
            fields << (m_little ? readLittleEndian(padded, 0, 4) : readBigEndian(padded, 0, 4));
            continue;
        }
        if (m_file.size() & 1)
            m_file.append('\0');
        fields << quint32(m_file.size() - m_base);
        m_file.append(e.value);
    }
    if (m_file.size() & 1)
        m_file.append('\0');
    const auto at = quint32(m_file.size() - m_base);
    m_file.append(number(quint32(sorted.size()), 2));
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        m_file.append(number(sorted[i].tag, 2));
        m_file.append(number(sorted[i].type, 2));
        m_file.append(number(sorted[i].count, 4));
        m_file.append(number(fields[i], 4));
    }
    m_file.append(number(next, 4));
    return at;
}

void TiffBytes::addEntryToPage(int page, const NewEntry& added) {
    const QList<quint32> chain = pages();
    const quint32 old = chain[page];
    // Values that do not fit an entry stay where they are: their offset is
    // carried over as the four bytes appendIfd stores in the entry.
    QList<NewEntry> kept;
    for (const Entry& e : entries(old)) {
        const qsizetype size = qsizetype(e.count) * typeSize(e.type);
        kept.append({e.tag, e.type, e.count, size <= 4 ? value(e) : number(e.field, 4)});
    }
    kept.append(added);
    const quint32 moved = appendIfd(kept, nextIfd(old));
    if (page == 0)
        write(4, moved, 4);
    else
        write(chain[page - 1] + 2 + qsizetype(read(chain[page - 1], 2)) * 12, moved, 4);
}
