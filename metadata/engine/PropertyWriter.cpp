#include "metadata/engine/PropertyWriter.h"

#include "metadata/PhotoFormat.h"
#include "metadata/PropertyKeys.h"
#include "metadata/ValueChecks.h"
#include "metadata/engine/ContainerFacts.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/MetadataLibrary.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/SidecarOnlyPlan.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/TiffGuard.h"
#include "metadata/engine/WrittenCheck.h"
#include "metadata/engine/XmpEdit.h"

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

} // namespace

namespace {

struct ImageShape {
    long width = 0;
    long height = 0;
};

Result<QByteArray> writeWithLibrary(const QByteArray& source, const MetadataEdit& edit,
                                    ImageShape& shape) {
    using R = Result<QByteArray>;
    try {
        auto image = Exiv2Owned::openImage(source.constData(), source.size());
        if (!image)
            return R::fail(QStringLiteral("not a supported photo format"));
        image->readMetadata();
        // The XMP packet is copied as it stands unless a change has to edit it.
        image->writeXmpFromPacket(true);
        shape = {long(image->pixelWidth()), long(image->pixelHeight())};
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

// Finalising is only trusted once the result parses again as the same kind
// of photo with the same image size.
Status verifyWritten(const QByteArray& written, PhotoFormat format, const ImageShape& shape) {
    if (sniffPhotoFormat(written) != format)
        return Status::fail(QStringLiteral("the written photo is incomplete"));
    try {
        auto image = Exiv2Owned::openImage(written.constData(), written.size());
        if (!image)
            return Status::fail(QStringLiteral("the written photo does not read back"));
        image->readMetadata();
        if (long(image->pixelWidth()) != shape.width || long(image->pixelHeight()) != shape.height)
            return Status::fail(QStringLiteral("the written photo lost image data"));
    } catch (const std::bad_alloc&) {
        throw; // over the memory cap: the worker ends rather than answer
    } catch (const std::exception& error) {
        return Status::fail(QStringLiteral("the written photo does not read back: %1")
                                .arg(QString::fromLocal8Bit(error.what())));
    }
    return Status::ok();
}

} // namespace

namespace {

// The library's writer, for what the in-place writers leave to it. It
// rewrites the metadata blocks whole.
Result<QByteArray> rewriteWithLibrary(const QByteArray& source, PhotoFormat format,
                                      const MetadataEdit& edit) {
    using R = Result<QByteArray>;
    // A JPEG's image data follows its metadata: the library rewrites only the
    // headers (ended by an end marker), and the scans are appended unchanged.
    std::optional<qsizetype> scan;
    if (format == PhotoFormat::Jpeg)
        scan = jpegFirstScanOffset(source);
    const QByteArray input = scan ? source.left(*scan) + QByteArray("\xFF\xD9", 2) : source;

    ImageShape shape;
    auto written = writeWithLibrary(input, edit, shape);
    if (!written)
        return written;
    const Status verified = verifyWritten(written.value(), format, shape);
    if (!verified)
        return R::fail(verified.error());
    if (format == PhotoFormat::Tiff &&
        countImages(format, written.value()) != countImages(format, source))
        return R::fail(QStringLiteral("the written photo lost pages"));
    if (!scan) {
        const Status checked =
            checkWritten(format, source, written.value(), edit, WrittenBy::Library);
        if (!checked)
            return R::fail(checked.error());
        return written;
    }

    const QByteArray& headers = written.value();
    if (!headers.endsWith(QByteArray("\xFF\xD9", 2)))
        return R::fail(QStringLiteral("the written photo is incomplete"));
    QByteArray whole;
    whole.reserve(headers.size() - 2 + source.size() - *scan);
    whole.append(headers.constData(), headers.size() - 2);
    whole.append(source.constData() + *scan, source.size() - *scan);
    const Status checked = checkWritten(format, source, whole, edit, WrittenBy::Library);
    if (!checked)
        return R::fail(checked.error());
    return R::ok(std::move(whole));
}

// An in-place result is trusted once its headers read back as the same kind
// of photo, with all of its image data and every page, holding what the edit
// planned and nothing else changed.
Status verifyPlan(const RewritePlan& plan, const QByteArray& source, PhotoFormat format,
                  const MetadataEdit& edit) {
    if (format == PhotoFormat::Heif)
        return Status::ok(); // checked whole as it was written
    if (plan.pieces.size() == 1 && plan.pieces.first().isSource())
        return checkWritten(format, source, source, edit); // the source itself
    if (format == PhotoFormat::Jpeg) {
        if (plan.pieces.isEmpty() || plan.pieces.first().isSource())
            return Status::fail(QStringLiteral("the written photo is incomplete"));
        const QByteArray& head = plan.pieces.first().bytes;
        if (sniffPhotoFormat(head) != format)
            return Status::fail(QStringLiteral("the written photo is incomplete"));
        return checkWritten(format, source, head, edit);
    }
    const QByteArray written = plan.assemble(source);
    if (sniffPhotoFormat(written) != format)
        return Status::fail(QStringLiteral("the written photo is incomplete"));
    const Status complete = checkImageDataComplete(format, written);
    if (!complete)
        return Status::fail(QStringLiteral("the written photo lost image data"));
    if (format == PhotoFormat::Tiff && countImages(format, written) != countImages(format, source))
        return Status::fail(QStringLiteral("the written photo lost pages"));
    return checkWritten(format, source, written, edit);
}

} // namespace

namespace {
// The writer of each format's container; none for a format we cannot write.
ContainerWriter containerWriterFor(PhotoFormat format) {
    switch (format) {
    case PhotoFormat::Jpeg:
        return rewriteJpegInPlace;
    case PhotoFormat::Tiff:
        return rewriteTiffInPlace;
    case PhotoFormat::Png:
        return rewritePngInPlace;
    case PhotoFormat::WebP:
        return rewriteWebpInPlace;
    case PhotoFormat::Heif:
        return rewriteHeifInPlace;
    case PhotoFormat::Psd:
    case PhotoFormat::Cr3:
    case PhotoFormat::Crw:
    case PhotoFormat::Raf:
    case PhotoFormat::Rw2:
    case PhotoFormat::Orf:
    case PhotoFormat::Mrw:
    case PhotoFormat::Unknown:
        break;
    }
    return nullptr;
}
} // namespace

Result<RewritePlan> planRewrite(const QByteArray& source, const QVariantMap& changes,
                                const QVariantMap& containerProperties,
                                const QVariantMap* sourceDictionary,
                                std::shared_ptr<const TiffEditor> parsedExifBlock,
                                bool stripHidden) {
    using R = Result<RewritePlan>;
    if (source.isEmpty())
        return R::fail(QStringLiteral("empty file"));
    const PhotoFormat format = sniffPhotoFormat(source);
    if (format == PhotoFormat::Unknown)
        return R::fail(QStringLiteral("not a supported photo format"));
    if (!isWritableFormat(format) && !isSidecarOnlyFormat(format))
        return R::fail(QStringLiteral("format not writable"));
    const Status complete = checkImageDataComplete(format, source);
    if (!complete)
        return R::fail(complete.error());
    if (format == PhotoFormat::Tiff) {
        // A damaged Photoshop block is refused whichever writer would take
        // the photo: the library's reads past its end.
        const Status safe = checkTiffIsSafeToWrite(source);
        if (!safe)
            return R::fail(safe.error());
    }
    initialiseMetadataLibrary();

    QVariantMap dictionary;
    if (sourceDictionary) {
        dictionary = *sourceDictionary;
    } else {
        // Only what the changes write is compared, so that values equal to
        // the photo's own are left exactly as the photo has them.
        auto compared = readComparedValues(source, format, changes, containerProperties);
        if (!compared)
            return R::fail(compared.error());
        dictionary = std::move(compared.value().values);
        parsedExifBlock = std::move(compared.value().exifBlock);
    }
    auto edit = resolveEdit(dictionary, containerProperties, changes);
    if (!edit)
        return R::fail(edit.error());
    edit.value().stripHidden = stripHidden;
    const bool heldInBlock =
        std::any_of(edit->held.cbegin(), edit->held.cend(), [](const MetadataEdit::Step& step) {
            return step.set != IptcSet && step.set != XmpSet;
        });
    if (!parsedExifBlock && (edit->touchesExifBlock() || heldInBlock) &&
        format != PhotoFormat::Tiff) {
        // One parse of the EXIF block serves the edit and the check of what
        // it wrote.
        const QByteArray block = findMetadataBlocks(format, source).exif;
        if (auto opened = block.isEmpty() ? Result<TiffEditor>::fail(QString())
                                          : TiffEditor::open(block, TiffEditor::Origin::ExifBlock))
            parsedExifBlock = std::make_shared<const TiffEditor>(std::move(opened.value()));
    }
    if (heldInBlock) {
        std::shared_ptr<const TiffEditor> block = parsedExifBlock;
        if (!block && format == PhotoFormat::Tiff) {
            if (auto opened = TiffEditor::open(source, TiffEditor::Origin::TiffFile))
                block = std::make_shared<const TiffEditor>(std::move(opened.value()));
        }
        if (block)
            writeHeldValuesMissingFrom(edit.value(), *block);
    }
    // Only what changes is checked: a photo's own odd value, handed back,
    // stays as it is.
    for (const MetadataEdit::Step& step : edit->steps) {
        const Status valid = step.set == IptcSet
                                 ? Exiv2Values::checkIptcValue(step.key, step.value)
                                 : ValueChecks::check(step.set, step.key, step.value);
        if (!valid)
            return R::fail(valid.error());
    }
    if (isSidecarOnlyFormat(format))
        return planSidecarOnly(source, format, dictionary, edit.value());
    edit.value().parsedExifBlock = std::move(parsedExifBlock);

    // One path per photo: its container's writer, and where that answers
    // "not mine", the metadata library's writer. A refusal is final: the
    // library is never asked to do what a writer found wrong.
    const ContainerWriter writer = containerWriterFor(format);
    if (!writer)
        return R::fail(QStringLiteral("format not writable"));
    std::optional<ContainerAnswer> answer;
    try {
        answer = writer(source, edit.value());
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& error) {
        return R::fail(
            QStringLiteral("metadata library error: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    if (answer->kind() == ContainerAnswer::Kind::Refused)
        return std::move(*answer).result();
    if (answer->kind() == ContainerAnswer::Kind::Planned) {
        const Status verified = verifyPlan(answer->result().value(), source, format, edit.value());
        if (!verified)
            return R::fail(verified.error());
        return std::move(*answer).result();
    }
    if (format == PhotoFormat::Heif)
        return R::fail(QStringLiteral("format not writable"));
    auto written = rewriteWithLibrary(source, format, edit.value());
    if (!written) {
        const QString& declined = answer->result().error();
        return R::fail(declined.isEmpty() ? written.error() : declined);
    }
    RewritePlan plan;
    plan.addBytes(written.value());
    return R::ok(std::move(plan));
}

Result<QByteArray> rewritePhoto(const QByteArray& source, const QVariantMap& changes,
                                const QVariantMap& containerProperties) {
    auto plan = planRewrite(source, changes, containerProperties);
    if (!plan)
        return Result<QByteArray>::fail(plan.error());
    return Result<QByteArray>::ok(plan->assemble(source));
}
