#pragma once

// Exiv2 0.27's public headers still hand out std::auto_ptr, 0.28's
// std::unique_ptr. Only the .cpp files of this folder include them, through
// this header, and take ownership and read integers through the functions
// below, which hide the difference.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <QByteArray>
#include <QtGlobal>
#include <exiv2/exiv2.hpp>

#include <memory>

namespace Exiv2Owned {
inline std::unique_ptr<Exiv2::Image> openImage(const char* data, qsizetype size) {
    return std::unique_ptr<Exiv2::Image>(
        Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(data), long(size))
            .release());
}
inline std::unique_ptr<Exiv2::Value> createValue(Exiv2::TypeId type) {
    return std::unique_ptr<Exiv2::Value>(Exiv2::Value::create(type).release());
}
// Exiv2 0.28 reads integers as 64 bits under a new name.
inline qlonglong integer(const Exiv2::Value& value, long i) {
#if EXIV2_TEST_VERSION(0, 28, 0)
    return qlonglong(value.toInt64(size_t(i)));
#else
    return qlonglong(value.toLong(i));
#endif
}
// A buffer's bytes: 0.28 hides the members 0.27 reads them by.
inline QByteArray bytesOf(const Exiv2::DataBuf& buffer) {
#if EXIV2_TEST_VERSION(0, 28, 0)
    return QByteArray(reinterpret_cast<const char*>(buffer.c_data()), qsizetype(buffer.size()));
#else
    return QByteArray(reinterpret_cast<const char*>(buffer.pData_), qsizetype(buffer.size_));
#endif
}
} // namespace Exiv2Owned
#pragma GCC diagnostic pop
