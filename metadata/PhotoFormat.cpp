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
    if (startsWith(bytes, "8BPS\0\x01", 6))
        return PhotoFormat::Psd;
    if ((startsWith(bytes, "II\x1A\0", 4) || startsWith(bytes, "MM\0\0", 4)) &&
        startsWith(bytes, "HEAPCCDR", 8, 6))
        return PhotoFormat::Crw;
    if (startsWith(bytes, "FUJIFILMCCD-RAW ", 16))
        return PhotoFormat::Raf;
    if (startsWith(bytes, "IIU\0", 4))
        return PhotoFormat::Rw2;
    if (startsWith(bytes, "IIRO", 4) || startsWith(bytes, "IIRS", 4) ||
        startsWith(bytes, "MMOR", 4))
        return PhotoFormat::Orf;
    if (startsWith(bytes, "\0MRM", 4))
        return PhotoFormat::Mrw;
    if (startsWith(bytes, "ftyp", 4, 4) && startsWith(bytes, "crx ", 4, 8))
        return PhotoFormat::Cr3;
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
    case PhotoFormat::Psd:
    case PhotoFormat::Cr3:
    case PhotoFormat::Crw:
    case PhotoFormat::Raf:
    case PhotoFormat::Rw2:
    case PhotoFormat::Orf:
    case PhotoFormat::Mrw:
    case PhotoFormat::Unknown:
        return false;
    }
    return false;
}

bool isSidecarOnlyFormat(PhotoFormat format) {
    return format != PhotoFormat::Unknown && !isWritableFormat(format);
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
    case PhotoFormat::Psd:
        return QStringLiteral("PSD");
    case PhotoFormat::Cr3:
        return QStringLiteral("CR3");
    case PhotoFormat::Crw:
        return QStringLiteral("CRW");
    case PhotoFormat::Raf:
        return QStringLiteral("RAF");
    case PhotoFormat::Rw2:
        return QStringLiteral("RW2");
    case PhotoFormat::Orf:
        return QStringLiteral("ORF");
    case PhotoFormat::Mrw:
        return QStringLiteral("MRW");
    case PhotoFormat::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}
