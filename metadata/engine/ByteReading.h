#pragma once

#include <QByteArray>

#include <iterator>
#include <optional>
#include <utility>

// An unsigned integer of 1 to 4 bytes at a position the caller has checked
// lies inside the bytes.
inline quint32 readUnsigned(const QByteArray& bytes, qsizetype at, int size, bool littleEndian) {
    quint32 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | quint8(bytes[at + (littleEndian ? size - 1 - i : i)]);
    return value;
}

inline quint32 readBigEndian(const QByteArray& bytes, qsizetype at, int size) {
    return readUnsigned(bytes, at, size, false);
}

// ISO base media boxes in [begin, end): visit(type, payloadStart, payloadEnd);
// the walk stops at the first box that does not fit.
template <typename Visit>
void forEachBox(const QByteArray& bytes, qsizetype begin, qsizetype end, Visit visit) {
    qsizetype at = begin;
    while (at + 8 <= end) {
        qint64 size = readBigEndian(bytes, at, 4);
        qsizetype header = 8;
        if (size == 1) {
            if (at + 16 > end)
                return;
            size =
                (qint64(readBigEndian(bytes, at + 8, 4)) << 32) | readBigEndian(bytes, at + 12, 4);
            header = 16;
        } else if (size == 0) {
            size = end - at;
        }
        if (size < header || at + size > end)
            return;
        visit(bytes.mid(at + 4, 4), at + header, qsizetype(at + size));
        at += qsizetype(size);
    }
}

// The range-for face of a walk over a container's parts, whose next() gives
// them one by one and nothing once the walk has ended:
//     for (const auto& part : walk) ...
// and then the walk says how it ended.
template <typename Walk> class WalkIterator {
public:
    using Part = typename decltype(std::declval<Walk&>().next())::value_type;
    using value_type = Part;
    using difference_type = std::ptrdiff_t;

    explicit WalkIterator(Walk& walk) : m_walk(&walk), m_part(walk.next()) {}
    const Part& operator*() const { return *m_part; }
    const Part* operator->() const { return &*m_part; }
    WalkIterator& operator++() {
        m_part = m_walk->next();
        return *this;
    }
    void operator++(int) { ++*this; }
    bool operator==(std::default_sentinel_t) const { return !m_part; }

private:
    Walk* m_walk;
    std::optional<Part> m_part;
};
