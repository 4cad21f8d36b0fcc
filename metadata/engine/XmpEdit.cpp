#include "metadata/engine/XmpEdit.h"

#include "metadata/engine/Exiv2Include.h"
#include "metadata/engine/MetadataLibrary.h"

#include <QRegularExpression>

namespace {
bool isGpsKey(const std::string& key) {
    return key.rfind("Xmp.exif.GPS", 0) == 0;
}

// The library throws for some values it cannot take ("type=..." in a text)
// where it refuses others: either way it does not read the packet.
bool decodes(Exiv2::XmpData& xmp, const std::string& packet) {
    try {
        return Exiv2::XmpParser::decode(xmp, packet) == 0;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception&) {
        return false;
    }
}

// A packet the XMP parser refuses (repeated properties are common) still
// loses its position: the GPS properties are cut out of its text, as
// attributes and as elements, and the rest is kept byte for byte.
std::optional<QByteArray> cutGpsFromText(const QByteArray& packet) {
    static const QRegularExpression attribute(
        QStringLiteral("\\s+exif:GPS\\w*\\s*=\\s*(\"[^\"]*\"|'[^']*')"));
    static const QRegularExpression empty(QStringLiteral("<exif:GPS\\w*\\b[^>]*/>"));
    static const QRegularExpression element(QStringLiteral("<(exif:GPS\\w*)\\b[^>]*>.*?</\\1\\s*>"),
                                            QRegularExpression::DotMatchesEverythingOption);
    QString text = QString::fromUtf8(packet);
    text.remove(attribute).remove(empty).remove(element);
    if (text.contains(QLatin1String("exif:GPS")))
        return std::nullopt;
    return text.toUtf8();
}
} // namespace

Result<std::optional<QByteArray>> xmpWithoutGps(const QByteArray& packet) {
    using R = Result<std::optional<QByteArray>>;
    if (!packet.contains("GPS"))
        return R::ok(std::nullopt);
    initialiseMetadataLibrary();
    try {
        Exiv2::XmpData xmp;
        if (!decodes(xmp, packet.toStdString())) {
            if (!packet.contains("exif:GPS"))
                return R::ok(std::nullopt);
            if (const auto cut = cutGpsFromText(packet))
                return R::ok(*cut);
            return R::fail(QStringLiteral("the XMP packet holds a position but does not read"));
        }
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
        // The library writes a namespace it read as it stands, quotes and
        // all: a packet it cannot read again loses its position by text
        // alone, or not at all.
        Exiv2::XmpData written;
        if (decodes(written, encoded))
            return R::ok(QByteArray::fromStdString(encoded));
        if (const auto cut = cutGpsFromText(packet))
            return R::ok(*cut);
        return R::fail(QStringLiteral("the XMP packet cannot be written without its position"));
    } catch (const std::exception& error) {
        return R::fail(QStringLiteral("cannot edit the XMP packet: %1")
                           .arg(QString::fromLocal8Bit(error.what())));
    }
}
