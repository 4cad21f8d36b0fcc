#include "metadata/engine/WriteVerification.h"

#include "metadata/PhotoFormat.h"
#include "metadata/engine/ContainerFacts.h"
#include "metadata/engine/Exiv2Values.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/WritePlan.h"

namespace {

Status incomplete() {
    return Status::fail(QStringLiteral("the written photo is incomplete"));
}

// A JPEG's headers as the library reads them: closed by an end marker where
// the image data follows as a range of the source, as its writer was handed
// them.
QByteArray libraryForm(const QByteArray& headers, bool followedBySource) {
    return followedBySource ? headers + QByteArray("\xFF\xD9", 2) : headers;
}

struct ImageShape {
    long width = 0;
    long height = 0;
    bool operator==(const ImageShape&) const = default;
};

Result<ImageShape> libraryShape(const QByteArray& bytes) {
    using R = Result<ImageShape>;
    try {
        auto image = Exiv2Owned::openImage(bytes.constData(), bytes.size());
        if (!image)
            return R::fail(QStringLiteral("the written photo does not read back"));
        image->readMetadata();
        return R::ok({long(image->pixelWidth()), long(image->pixelHeight())});
    } catch (const std::bad_alloc&) {
        throw; // over the memory cap: the worker ends rather than answer
    } catch (const std::exception& error) {
        return R::fail(QStringLiteral("the written photo does not read back: %1")
                           .arg(QString::fromLocal8Bit(error.what())));
    }
}

// The library's own reading of what it wrote: the same image size as it read
// of the source.
Status sameShapeToTheLibrary(const QByteArray& source, const QByteArray& written) {
    const auto was = libraryShape(source);
    if (!was)
        return Status::fail(QStringLiteral("metadata library error: %1").arg(was.error()));
    const auto is = libraryShape(written);
    if (!is)
        return Status::fail(is.error());
    if (!(is.value() == was.value()))
        return Status::fail(QStringLiteral("the written photo lost image data"));
    return Status::ok();
}

} // namespace

Status verifyWrite(const QByteArray& source, const WritePlan& plan, const RewritePlan& written,
                   WrittenBy writer) {
    const PhotoFormat format = plan.format;
    const QList<RewritePlan::Piece>& pieces = written.pieces;
    if (pieces.size() == 1 && pieces.first().isSource() && pieces.first().sourceOffset == 0 &&
        pieces.first().length == source.size())
        return checkWritten(format, source, source, plan.edit, writer); // the source itself
    if (format == PhotoFormat::Jpeg) {
        if (pieces.isEmpty() || pieces.first().isSource())
            return incomplete();
        const QByteArray& head = pieces.first().bytes;
        if (sniffPhotoFormat(head) != format)
            return incomplete();
        if (writer == WrittenBy::Library) {
            const bool tail = pieces.size() > 1;
            const QByteArray sourceHeaders =
                tail ? source.left(qsizetype(pieces[1].sourceOffset)) : source;
            const Status same =
                sameShapeToTheLibrary(libraryForm(sourceHeaders, tail), libraryForm(head, tail));
            if (!same)
                return same;
        }
        return checkWritten(format, source, head, plan.edit, writer);
    }
    const QByteArray whole = written.assemble(source);
    if (sniffPhotoFormat(whole) != format)
        return incomplete();
    if (writer == WrittenBy::Library) {
        const Status same = sameShapeToTheLibrary(source, whole);
        if (!same)
            return same;
    }
    if (!checkImageDataComplete(format, whole))
        return Status::fail(QStringLiteral("the written photo lost image data"));
    if (format == PhotoFormat::Tiff && countImages(format, whole) != countImages(format, source))
        return Status::fail(QStringLiteral("the written photo lost pages"));
    return checkWritten(format, source, whole, plan.edit, writer);
}
