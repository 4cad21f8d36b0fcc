#pragma once

// Exiv2 0.27's public headers still hand out std::auto_ptr. Only the .cpp
// files of this folder include them, through this header, and take ownership
// through the two functions below.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
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
} // namespace Exiv2Owned
#pragma GCC diagnostic pop
