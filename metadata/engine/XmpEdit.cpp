#include "metadata/engine/XmpEdit.h"

#include "metadata/engine/Exiv2Include.h"
#include "metadata/engine/MetadataLibrary.h"

namespace {
bool isGpsKey(const std::string& key) {
    return key.rfind("Xmp.exif.GPS", 0) == 0;
}
} // namespace

Result<std::optional<QByteArray>> xmpWithoutGps(const QByteArray& packet) {
    using R = Result<std::optional<QByteArray>>;
    if (!packet.contains("GPS"))
        return R::ok(std::nullopt);
    initialiseMetadataLibrary();
    try {
        Exiv2::XmpData xmp;
        if (Exiv2::XmpParser::decode(xmp, packet.toStdString()) != 0)
            return R::fail(QStringLiteral("the XMP packet holds a position but does not read"));
        bool found = false;
        for (auto it = xmp.begin(); it != xmp.end();) {
            const bool gps = isGpsKey(it->key());
            found = found || gps;
            it = gps ? xmp.erase(it) : std::next(it);
        }
        if (!found)
            return R::ok(std::nullopt);
        std::string encoded;
        if (Exiv2::XmpParser::encode(encoded, xmp, Exiv2::XmpParser::useCompactFormat) != 0)
            return R::fail(QStringLiteral("cannot write the XMP packet"));
        return R::ok(QByteArray::fromStdString(encoded));
    } catch (const std::exception& error) {
        return R::fail(QStringLiteral("cannot edit the XMP packet: %1")
                           .arg(QString::fromLocal8Bit(error.what())));
    }
}
