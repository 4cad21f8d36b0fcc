#include "metadata/LibraryVersions.h"

namespace LibraryVersions {

QString exiv2() {
    return QStringLiteral(TV_EXIV2_VERSION);
}

QString heif() {
    return QStringLiteral(TV_HEIF_VERSION);
}

} // namespace LibraryVersions
