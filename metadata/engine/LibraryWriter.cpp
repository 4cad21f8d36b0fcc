#include "metadata/engine/LibraryWriter.h"

#include "metadata/PropertyKeys.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/XmpEdit.h"

#include <optional>

namespace {

using namespace PropertyKeys;

// Applies the resolved steps of an edit to the library's image: for the
// photos the in-place writers leave to the library.
class ChangeApplier {
public:
    explicit ChangeApplier(Exiv2::Image& image) : m_image(image) {}

    Status apply(const MetadataEdit& edit) {
        for (const MetadataEdit::Step& step : edit.steps) {
            if (step.set == XmpSet || step.set == IptcSet)
                continue;
            if (step.key.isEmpty()) {
                removeSet(step.set);
                continue;
            }
            const Status status = writeExif(step.set, step.key, step.value);
            if (!status)
                return status;
        }
        if (edit.touches(IptcSet)) {
            const Status status = applyIptc(edit);
            if (!status)
                return status;
        }
        return applyXmp(edit);
    }

private:
    // The datasets are edited as the in-place writers edit them, by the one
    // IPTC encoder, and handed back to the library as the bytes it made.
    Status applyIptc(const MetadataEdit& edit) {
        Exiv2::IptcData& iptc = m_image.iptcData();
        const Exiv2::DataBuf stored = Exiv2::IptcParser::encode(iptc);
        auto block = IptcBlock::parse(Exiv2Owned::bytesOf(stored));
        if (!block)
            return Status::fail(block.error());
        const Status applied = applyIptcSteps(block.value(), edit);
        if (!applied)
            return applied;
        const QByteArray bytes = block->serialize();
        iptc.clear();
        if (!bytes.isEmpty() &&
            Exiv2::IptcParser::decode(iptc, reinterpret_cast<const Exiv2::byte*>(bytes.constData()),
                                      uint32_t(bytes.size())) != 0)
            return Status::fail(QStringLiteral("the written IPTC block does not read back"));
        return Status::ok();
    }

    // The packet is edited on its text and handed over as it is.
    Status applyXmp(const MetadataEdit& edit) {
        const QByteArray packet = QByteArray::fromStdString(m_image.xmpPacket());
        const auto edited = editXmpPacket(packet.isEmpty() ? nullptr : &packet, edit);
        if (!edited)
            return Status::fail(edited.error());
        if (edited.value() && edited.value()->isEmpty()) {
            m_image.clearXmpPacket();
            m_image.clearXmpData();
        } else if (edited.value()) {
            m_image.setXmpPacket(edited.value()->toStdString());
        }
        return Status::ok();
    }

    void removeSet(const QString& set) {
        Exiv2::ExifData& exif = m_image.exifData();
        for (auto it = exif.begin(); it != exif.end();) {
            const std::string group = it->groupName();
            bool remove = false;
            if (set == ExifSet)
                remove = group == "Photo" || group == "Iop" ||
                         Exiv2::ExifTags::isMakerGroup(group) ||
                         (group == "Image" && it->tag() == Tag::ExifPointer);
            else if (set == GpsSet)
                remove = group == "GPSInfo" || (group == "Image" && it->tag() == Tag::GpsPointer);
            else if (set == TiffSet)
                remove = group == "Image" && Exiv2Values::dictionaryEntry(*it).has_value();
            it = remove ? exif.erase(it) : std::next(it);
        }
    }

    Status writeExif(const QString& set, const QString& name, const QVariant& value) {
        const QString keyName = Exiv2Values::exifKeyName(set, name);
        try {
            const Exiv2::ExifKey key(keyName.toStdString());
            Exiv2::ExifData& exif = m_image.exifData();
            auto existing = exif.findKey(key);
            if (isRemoval(value)) {
                if (existing != exif.end())
                    exif.erase(existing);
                return Status::ok();
            }
            const Status known =
                Exiv2Values::checkExifKeyInSet(Exiv2Values::exifKeyFacts(set, name), set, name);
            if (!known)
                return known;
            const Exiv2::TypeId type = Exiv2Values::exifTypeToWrite(
                key, existing != exif.end() ? std::optional(existing->typeId()) : std::nullopt);
            auto converted = Exiv2Values::exifValue(key, type, set, name, value);
            if (!converted)
                return Status::fail(converted.error());
            if (existing != exif.end())
                existing->setValue(converted.value().get());
            else
                exif.add(key, converted.value().get());
        } catch (const std::exception& error) {
            return Status::fail(QStringLiteral("cannot write %1 of %2: %3")
                                    .arg(name, set, QString::fromLocal8Bit(error.what())));
        }
        return Status::ok();
    }

    Exiv2::Image& m_image;
};

QByteArray contentsOf(Exiv2::BasicIo& io) {
    io.open();
    QByteArray bytes(qsizetype(io.size()), Qt::Uninitialized);
    io.seek(0, Exiv2::BasicIo::beg);
    const long read = io.read(reinterpret_cast<Exiv2::byte*>(bytes.data()), long(bytes.size()));
    io.close();
    bytes.truncate(read < 0 ? 0 : read);
    return bytes;
}

Result<QByteArray> writeWithLibrary(const QByteArray& source, const MetadataEdit& edit) {
    using R = Result<QByteArray>;
    try {
        auto image = Exiv2Owned::openImage(source.constData(), source.size());
        if (!image)
            return R::fail(QStringLiteral("not a supported photo format"));
        image->readMetadata();
        // The XMP packet is copied as it stands unless a change has to edit it.
        image->writeXmpFromPacket(true);
        const Status applied = ChangeApplier(*image).apply(edit);
        if (!applied)
            return R::fail(applied.error());
        image->writeMetadata();
        return R::ok(contentsOf(image->io()));
    } catch (const std::bad_alloc&) {
        throw; // over the memory cap: the worker ends rather than answer
    } catch (const std::exception& error) {
        return R::fail(
            QStringLiteral("metadata library error: %1").arg(QString::fromLocal8Bit(error.what())));
    }
}

} // namespace

Result<RewritePlan> rewriteWithLibrary(const QByteArray& source, PhotoFormat format,
                                       const MetadataEdit& edit) {
    using R = Result<RewritePlan>;
    // A JPEG's image data follows its metadata: the library rewrites only the
    // headers (ended by an end marker), and the scans are copied unchanged.
    const QByteArray endMarker("\xFF\xD9", 2);
    std::optional<qsizetype> scan;
    if (format == PhotoFormat::Jpeg)
        scan = jpegFirstScanOffset(source);
    auto written = writeWithLibrary(scan ? source.left(*scan) + endMarker : source, edit);
    if (!written)
        return R::fail(written.error());
    RewritePlan plan;
    if (!scan) {
        plan.addBytes(written.value());
        return R::ok(std::move(plan));
    }
    const QByteArray& headers = written.value();
    if (!headers.endsWith(endMarker))
        return R::fail(QStringLiteral("the written photo is incomplete"));
    plan.addBytes(headers.left(headers.size() - endMarker.size()));
    plan.addSource(*scan, source.size() - *scan);
    return R::ok(std::move(plan));
}
