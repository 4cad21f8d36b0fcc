#pragma once

#include <QByteArray>

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
