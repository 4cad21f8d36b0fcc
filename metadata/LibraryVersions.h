#pragma once

#include <QString>

// The versions of the libraries the metadata worker is built on, for the
// About window, which does not link them itself.
namespace LibraryVersions {
QString exiv2();
QString heif();
} // namespace LibraryVersions
