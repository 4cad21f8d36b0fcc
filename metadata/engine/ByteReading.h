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
