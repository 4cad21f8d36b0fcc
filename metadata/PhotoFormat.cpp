#include "metadata/PhotoFormat.h"

#include <cstring>

namespace {
bool startsWith(const QByteArray& bytes, const char* magic, qsizetype length, qsizetype at = 0) {
    return bytes.size() >= at + length && std::memcmp(bytes.constData() + at, magic, length) == 0;
}

bool isHeifBrand(const QByteArray& brand) {
    static const char* const brands[] = {"heic", "heix", "heim", "heis", "hevc",
                                         "hevx", "mif1", "msf1", "avif", "avis"};
    for (const char* known : brands) {
        if (brand == known)
            return true;
    }
    return false;
}
} // namespace

PhotoFormat sniffPhotoFormat(const QByteArray& bytes) {
    if (startsWith(bytes, "\xFF\xD8\xFF", 3))
        return PhotoFormat::Jpeg;
    if (startsWith(bytes, "II*\0", 4) || startsWith(bytes, "MM\0*", 4))
        return PhotoFormat::Tiff;
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n", 8))
        return PhotoFormat::Png;
    if (startsWith(bytes, "RIFF", 4) && startsWith(bytes, "WEBP", 4, 8))
        return PhotoFormat::WebP;
    if (startsWith(bytes, "ftyp", 4, 4) && bytes.size() >= 12) {
        // The major brand, or any compatible brand, names a still-image HEIF.
        const quint32 boxSize = (quint8(bytes[0]) << 24) | (quint8(bytes[1]) << 16) |
                                (quint8(bytes[2]) << 8) | quint8(bytes[3]);
        const qsizetype end = std::min<qsizetype>(bytes.size(), boxSize);
        if (isHeifBrand(bytes.mid(8, 4)))
            return PhotoFormat::Heif;
        for (qsizetype at = 16; at + 4 <= end; at += 4) {
            if (isHeifBrand(bytes.mid(at, 4)))
                return PhotoFormat::Heif;
        }
    }
    return PhotoFormat::Unknown;
}

bool isWritableFormat(PhotoFormat format) {
    switch (format) {
    case PhotoFormat::Jpeg:
    case PhotoFormat::Tiff:
    case PhotoFormat::Png:
    case PhotoFormat::WebP:
    case PhotoFormat::Heif:
        return true;
    case PhotoFormat::Unknown:
        return false;
    }
    return false;
}

QString photoFormatName(PhotoFormat format) {
    switch (format) {
    case PhotoFormat::Jpeg:
        return QStringLiteral("JPEG");
    case PhotoFormat::Tiff:
        return QStringLiteral("TIFF");
    case PhotoFormat::Png:
        return QStringLiteral("PNG");
    case PhotoFormat::WebP:
        return QStringLiteral("WebP");
    case PhotoFormat::Heif:
        return QStringLiteral("HEIF");
    case PhotoFormat::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}
