#include "metadata/engine/PropertyReader.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/ContainerFacts.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/HeifDecoder.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffLayout.h"
#include "metadata/engine/XmpPacket.h"

int countImages(PhotoFormat format, const QByteArray& bytes) {
    if (format != PhotoFormat::Tiff)
        return format == PhotoFormat::Unknown ? 0 : 1;
    // The chain of main directories; a loop or an offset out of the file
    // ends it rather than the program.
    const auto header = TiffHeader::read(bytes);
    if (!header)
        return 1;
    TiffPages pages(bytes, *header);
    while (pages.next()) {
    }
    return std::max(pages.pagesWalked(), 1);
}

namespace {

QString what(const std::exception& error) {
    return QString::fromLocal8Bit(error.what());
}

// The library's log lines that say a block was lost, one warning per block;
// the rest describe harmless quirks.
QStringList blockWarnings(const QStringList& messages) {
    QStringList warnings;
    bool xmp = false, makerNote = false, iptc = false;
    for (const QString& message : messages) {
        if (!xmp && message.contains(QLatin1String("XMP"))) {
            xmp = true;
            warnings << QStringLiteral("the XMP packet could not be read (%1)").arg(message);
        } else if (!makerNote && message.contains(QLatin1String("akernote"))) {
            makerNote = true;
            warnings << QStringLiteral("the maker note could not be read (%1)").arg(message);
        } else if (!iptc && message.contains(QLatin1String("IPTC"))) {
            iptc = true;
            warnings << QStringLiteral("the IPTC block could not be read whole (%1)").arg(message);
        }
    }
    return warnings;
}

QString wholeReadWarning(const QString& reason) {
    if (reason.contains(QLatin1String("ICC")))
        return QStringLiteral("the ICC profile could not be read (%1)").arg(reason);
    return QStringLiteral("the metadata could not be read whole (%1); its blocks were read one by "
                          "one")
        .arg(reason);
}

// Decodes each block on its own, so one damaged block costs only itself;
// the XMP packet is handed back to be read with the rest. Whether any block
// was read: a photo with none is as unreadable as before.
bool readBlockByBlock(Exiv2::Image& image, PhotoFormat format, const QByteArray& bytes,
                      QStringList& warnings, MetadataBlocks& packet) {
    image.clearMetadata();
    const MetadataBlocks blocks = findMetadataBlocks(format, bytes);
    QByteArray iptc = blocks.iptc;
    QByteArray xmp = blocks.xmp;
    bool anyRead = false;
    if (!blocks.exif.isEmpty()) {
        try {
            Exiv2::ExifData exif;
            const Exiv2::ByteOrder order = Exiv2::ExifParser::decode(
                exif, reinterpret_cast<const Exiv2::byte*>(blocks.exif.constData()),
                uint32_t(blocks.exif.size()));
            if (order == Exiv2::invalidByteOrder)
                warnings << QStringLiteral("the EXIF block could not be read");
            else
                anyRead = true;
            // A TIFF carries its IPTC and XMP as tags of its main directory.
            for (const auto& [tag, into] :
                 {std::pair{Tag::Iptc, &iptc}, std::pair{Tag::Xmp, &xmp}}) {
                const auto found = exif.findKey(
                    Exiv2::ExifKey(tag, TagTable::groupName(TiffEditor::Directory::Ifd0)));
                if (found != exif.end() && into->isEmpty()) {
                    QByteArray bytes(qsizetype(found->size()), '\0');
                    found->copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::bigEndian);
                    *into = bytes;
                }
            }
            image.exifData() = exif;
        } catch (const std::exception& error) {
            warnings << QStringLiteral("the EXIF block could not be read (%1)").arg(what(error));
        }
    }
    if (!iptc.isEmpty()) {
        try {
            Exiv2::IptcData data;
            if (Exiv2::IptcParser::decode(data,
                                          reinterpret_cast<const Exiv2::byte*>(iptc.constData()),
                                          uint32_t(iptc.size())) != 0)
                warnings << QStringLiteral("the IPTC block could not be read");
            else
                image.iptcData() = data;
            anyRead = anyRead || !data.empty();
        } catch (const std::exception& error) {
            warnings << QStringLiteral("the IPTC block could not be read (%1)").arg(what(error));
        }
    }
    packet = blocks;
    packet.xmp = xmp;
    return anyRead || (!xmp.isEmpty() && XmpPacket::parse(xmp));
}

// The "{XMP}" set read from the packet by our own reader, which the packet
// editor shares: the library's complaints about a packet that reads are
// dropped, and a packet that does not read is a warning, never a failure.
void addXmpSet(QVariantMap& dictionary, const MetadataBlocks& blocks, QStringList& warnings) {
    if (blocks.xmp.isEmpty())
        return;
    const auto parsed = xmpValuesOf(blocks);
    if (!parsed) {
        if (std::none_of(warnings.cbegin(), warnings.cend(), [](const QString& warning) {
                return warning.contains(QLatin1String("XMP packet"));
            }))
            warnings << parsed.error();
        return;
    }
    warnings.removeIf(
        [](const QString& warning) { return warning.contains(QLatin1String("XMP packet")); });
    if (!blocks.xmpExtensionProblem.isEmpty())
        warnings << blocks.xmpExtensionProblem;
    const QVariantMap& values = parsed.value();
    if (!values.isEmpty())
        dictionary.insert(PropertyKeys::XmpSet, values);
}

// The library skips a HEIF's items that are marked hidden, and some phones
// and converters mark the Exif item so; other readers read it, and our writer
// edits it, so it is read like a visible one.
void readHiddenExif(Exiv2::Image& image, const QByteArray& bytes) {
    const QByteArray block = findMetadataBlocks(PhotoFormat::Heif, bytes).exif;
    if (block.isEmpty())
        return;
    Exiv2::ExifData exif;
    if (Exiv2::ExifParser::decode(exif, reinterpret_cast<const Exiv2::byte*>(block.constData()),
                                  uint32_t(block.size())) != Exiv2::invalidByteOrder)
        image.exifData() = exif;
}

} // namespace

Result<PhotoProperties> readPhotoProperties(const QByteArray& bytes) {
    using R = Result<PhotoProperties>;
    if (bytes.isEmpty())
        return R::fail(QStringLiteral("empty file"));
    PhotoProperties properties;
    properties.format = sniffPhotoFormat(bytes);
    if (properties.format == PhotoFormat::Unknown)
        return R::fail(QStringLiteral("not a supported photo format"));
    initialiseMetadataLibrary();
    // The library would decode a JPEG's XMP packet into data of its own,
    // which the dictionary never uses: the packet is read by our parser. It
    // gets the headers without it, and without the scan, which it does not
    // read.
    const std::optional<QByteArray> headers =
        properties.format == PhotoFormat::Jpeg ? jpegHeadersWithoutXmp(bytes) : std::nullopt;
    const QByteArray& forLibrary = headers ? *headers : bytes;
    try {
        auto image = Exiv2Owned::openImage(forLibrary.constData(), forLibrary.size());
        if (!image.get())
            return R::fail(QStringLiteral("not a supported photo format"));
        QStringList warnings;
        std::optional<QSize> blockPixelSize;
        MetadataBlocks packet;
        bool wholeRead = true;
        {
            LibraryWarningScope scope;
            try {
                image->readMetadata();
            } catch (const std::bad_alloc&) {
                throw;
            } catch (const std::exception& error) {
                // A JPEG without its frame header has no image to speak of.
                blockPixelSize = findMetadataBlocks(properties.format, bytes).pixelSize;
                wholeRead = false;
                if ((properties.format == PhotoFormat::Jpeg && !blockPixelSize) ||
                    !readBlockByBlock(*image, properties.format, bytes, warnings, packet))
                    throw;
                warnings.prepend(wholeReadWarning(what(error)));
            }
            warnings = blockWarnings(scope.messages()) + warnings;
        }
        if (properties.format == PhotoFormat::Heif && image->exifData().empty())
            readHiddenExif(*image, bytes);
        properties.dictionary = Exiv2Values::dictionaryOf(*image);
        // Of the formats the library alone reads, its packet is the one there is.
        if (wholeRead) {
            if (isSidecarOnlyFormat(properties.format))
                packet.xmp = QByteArray::fromStdString(image->xmpPacket());
            else
                packet = xmpBlocksOf(properties.format, bytes);
        }
        addXmpSet(properties.dictionary, packet, warnings);
        warnings.removeDuplicates();
        properties.warnings = warnings;
        if (blockPixelSize && !blockPixelSize->isEmpty()) {
            properties.dictionary.insert(PropertyKeys::PixelWidth,
                                         qlonglong(blockPixelSize->width()));
            properties.dictionary.insert(PropertyKeys::PixelHeight,
                                         qlonglong(blockPixelSize->height()));
        }
        if (properties.format == PhotoFormat::Heif) {
            // The library answers with the EXIF dimensions, which describe the
            // camera's original rather than the image this file holds.
            if (const auto size = heifPrimaryImageSize(bytes)) {
                properties.dictionary.insert(PropertyKeys::PixelWidth, qlonglong(size->width()));
                properties.dictionary.insert(PropertyKeys::PixelHeight, qlonglong(size->height()));
            }
        }
    } catch (const std::bad_alloc&) {
        throw; // over the memory cap: the worker ends rather than answer
    } catch (const std::exception& error) {
        return R::fail(QStringLiteral("unreadable photo: %1").arg(what(error)));
    }
    properties.imageCount = countImages(properties.format, bytes);
    return R::ok(std::move(properties));
}

Result<PhotoPreview> readEmbeddedPreview(const QByteArray& bytes, int maxSide) {
    using R = Result<PhotoPreview>;
    const PhotoFormat format = sniffPhotoFormat(bytes);
    if (format == PhotoFormat::Unknown)
        return R::fail(QStringLiteral("not a supported photo format"));
    // The window's process cannot decode HEIF at all: its thumbnail or a
    // scaled decode of its image stands for the embedded preview.
    if (format == PhotoFormat::Heif)
        return decodeHeifPreview(bytes, maxSide);
    initialiseMetadataLibrary();
    try {
        auto image = Exiv2Owned::openImage(bytes.constData(), bytes.size());
        if (!image)
            return R::fail(QStringLiteral("not a supported photo format"));
        image->readMetadata();
        Exiv2::PreviewManager manager(*image);
        const Exiv2::PreviewPropertiesList list = manager.getPreviewProperties();
        if (list.empty())
            return R::fail(QStringLiteral("no embedded preview"));
        // The smallest preview that is large enough, else the largest there is.
        const Exiv2::PreviewProperties* chosen = &list.back();
        for (const Exiv2::PreviewProperties& candidate : list) {
            if (int(std::max(candidate.width_, candidate.height_)) >= maxSide) {
                chosen = &candidate;
                break;
            }
        }
        const Exiv2::PreviewImage preview = manager.getPreviewImage(*chosen);
        PhotoPreview result;
        result.bytes =
            QByteArray(reinterpret_cast<const char*>(preview.pData()), qsizetype(preview.size()));
        result.size = QSize(int(preview.width()), int(preview.height()));
        return R::ok(std::move(result));
    } catch (const std::bad_alloc&) {
        throw; // over the memory cap: the worker ends rather than answer
    } catch (const std::exception& error) {
        return R::fail(
            QStringLiteral("unreadable photo: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}
