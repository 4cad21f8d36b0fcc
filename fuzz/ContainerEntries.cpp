#include "fuzz/FuzzChanges.h"
#include "fuzz/FuzzEntries.h"
#include "metadata/PhotoFormat.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/BoxWalk.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/ContainerFacts.h"
#include "metadata/engine/HeifItems.h"
#include "metadata/engine/ImageFacts.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/TiffGuard.h"
#include "metadata/engine/TiffLayout.h"

#include <new>

namespace {

using Directory = TiffEditor::Directory;
using Origin = TiffEditor::Origin;
constexpr Directory AllDirectories[] = {Directory::Ifd0, Directory::Exif, Directory::Gps,
                                        Directory::Interop};
constexpr quint16 ArtistTag = 0x013b, DateTimeOriginalTag = 0x9003, LatitudeTag = 0x0002;

// Every byte of a view is read, so that a view past its bytes shows.
void readAll(QByteArrayView bytes) {
    volatile char sum = 0;
    for (char c : bytes)
        sum = char(sum + c);
}

const QList<MetadataEdit>& fixedEdits() {
    static const QList<MetadataEdit> edits = [] {
        QList<MetadataEdit> out;
        for (const QVariantMap& changes : FuzzChanges::all())
            out << FuzzChanges::editFor(changes);
        return out;
    }();
    return edits;
}

// The photo a plan writes; a piece outside the source would be copied from
// past its end.
QByteArray assembled(const RewritePlan& plan, const QByteArray& source) {
    for (const RewritePlan::Piece& piece : plan.pieces) {
        if (piece.isSource() &&
            (piece.length < 0 || piece.sourceOffset + piece.length > source.size()))
            FuzzEntries::fail(QStringLiteral("a piece of the plan lies outside the source"));
    }
    return plan.assemble(source);
}

// A writer as the metadata writer calls it: on a complete photo of its
// format, its library's exceptions taken as refusals.
template <typename Writer>
void rewriteEach(const QByteArray& input, PhotoFormat format, Writer writer) {
    if (sniffPhotoFormat(input) != format || !checkImageDataComplete(format, input))
        return;
    for (const MetadataEdit& edit : fixedEdits()) {
        try {
            const ContainerAnswer answer = writer(input, edit);
            if (answer.kind() != ContainerAnswer::Kind::Planned)
                continue;
            const auto& result = answer.result();
            readAll(assembled(result.value(), input));
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
        }
    }
}

// Boxes inside each other, walked a few levels deep whatever their type:
// the walk must hold on any bytes, not only where a container is expected.
void checkBoxes(const QByteArray& input, BoxWalk walk, qint64 begin, qint64 end, int depth) {
    qint64 next = begin;
    for (const IsoBox& box : walk) {
        if (box.start != next || (box.header != 8 && box.header != 16) || box.size < box.header ||
            box.end() > end)
            FuzzEntries::fail(QStringLiteral("a box out of order or past the box around it"));
        if (depth < 3)
            checkBoxes(input, BoxWalk(input, box), box.payload(), box.end(), depth + 1);
        next = box.end();
    }
    if (!walk.damaged() && next != end)
        FuzzEntries::fail(QStringLiteral("a box walk that ended early without damage"));
}

} // namespace

namespace FuzzEntries {

void tiffParse(const QByteArray& input) {
    // The one walk of directories, and every fact read through it.
    if (const auto header = TiffHeader::read(input)) {
        TiffPages pages(input, *header);
        for (IfdWalk page : pages) {
            for (const IfdEntry& entry : page) {
                if (entry.at < 10 || entry.at + 12 > input.size())
                    fail(QStringLiteral("a directory entry outside the bytes"));
                readAll(QByteArrayView(input).sliced(entry.at, 12));
            }
        }
        if (countImages(PhotoFormat::Tiff, input) != std::max(pages.pagesWalked(), 1))
            fail(QStringLiteral("the page count and the walk of pages disagree"));
        (void)tiffRawKind(input);
        (void)ifd0HasTag(input, ArtistTag);
        (void)checkTiffIsSafeToWrite(input);
        (void)checkImageDataComplete(PhotoFormat::Tiff, input);
    }
    for (Origin origin : {Origin::ExifBlock, Origin::TiffFile}) {
        const auto editor = TiffEditor::open(input, origin);
        if (!editor)
            continue;
        for (Directory directory : AllDirectories) {
            for (quint16 tag : editor->tagsOf(directory)) {
                (void)editor->typeOf(directory, tag);
                (void)editor->valueOf(directory, tag);
                TiffEditor::Stored first;
                QByteArrayView value;
                editor->storedCount(directory, tag, &first, &value);
                readAll(value);
            }
        }
        // A repaired block is written back as the writers would.
        if (editor->changed()) {
            const auto finished = editor->finish(Unlimited);
            const auto reopened = finished ? TiffEditor::open(finished.value(), origin)
                                           : Result<TiffEditor>::fail({});
            if (finished && !reopened)
                fail(QStringLiteral("a repaired TIFF structure does not open again: %1")
                         .arg(reopened.error()));
        }
    }
}

void tiffEdit(const QByteArray& input) {
    const MetadataEdit writes = FuzzChanges::editFor(FuzzChanges::exifWrites());
    const MetadataEdit removals = FuzzChanges::editFor(FuzzChanges::removals());
    for (Origin origin : {Origin::ExifBlock, Origin::TiffFile}) {
        for (const MetadataEdit* edit : {&writes, &removals}) {
            auto editor = TiffEditor::open(input, origin);
            if (!editor || !applyExifSteps(editor.value(), *edit))
                continue;
            const auto finished = editor->finish(Unlimited);
            if (!finished)
                continue;
            const auto reopened = TiffEditor::open(finished.value(), origin);
            if (!reopened)
                fail(QStringLiteral("an edited TIFF structure does not open again: %1")
                         .arg(reopened.error()));
            // What the edit did is in what it wrote.
            if (edit == &removals) {
                if (reopened->hasDirectory(Directory::Gps) ||
                    reopened->hasDirectory(Directory::Exif))
                    fail(QStringLiteral("a removed directory is still there"));
                continue;
            }
            const auto artist = reopened->valueOf(Directory::Ifd0, ArtistTag);
            if (!artist || !artist->startsWith("An artist longer than four bytes") ||
                !reopened->valueOf(Directory::Exif, DateTimeOriginalTag) ||
                !reopened->valueOf(Directory::Gps, LatitudeTag))
                fail(QStringLiteral("a written value is not in the edited TIFF structure"));
        }
    }
}

void jpegRewrite(const QByteArray& input) {
    // The walk the readers and writers share: its segments follow each other
    // inside the bytes, and it ends at a scan marker or says why not.
    JpegSegments walk(input);
    qsizetype next = 2;
    for (const JpegSegment& segment : walk) {
        if (segment.start < next || segment.payload > segment.end || segment.end > input.size())
            fail(QStringLiteral("a JPEG segment out of order or past the bytes"));
        readAll(segment.payloadIn(input));
        next = segment.end;
    }
    const auto scan = walk.scan();
    if (scan && (*scan + 4 > input.size() || quint8(input[*scan + 1]) != 0xda))
        fail(QStringLiteral("a JPEG scan where there is none"));
    if (scan.has_value() == !walk.damage().isEmpty())
        fail(QStringLiteral("a JPEG walk without a scan or a reason"));
    rewriteEach(input, PhotoFormat::Jpeg, [](const QByteArray& source, const MetadataEdit& edit) {
        return rewriteJpegInPlace(source, edit);
    });
}

void chunkRewrite(const QByteArray& input) {
    // The walk the readers and writers share: its chunks follow each other
    // inside the bytes, and it ends where the container does or says why not.
    for (ChunkWalk::Form form : {ChunkWalk::Form::Png, ChunkWalk::Form::WebP}) {
        ChunkWalk walk(input, form);
        qsizetype next = form == ChunkWalk::Form::Png ? 8 : 12;
        for (const Chunk& chunk : walk) {
            if (chunk.start != next || chunk.data + chunk.size > chunk.end ||
                chunk.end > input.size())
                fail(QStringLiteral("a chunk out of order or past the bytes"));
            readAll(chunk.dataIn(input));
            next = chunk.end;
        }
        if (walk.reachedEnd() == !walk.damage().isEmpty())
            fail(QStringLiteral("a chunk walk without an end or a reason"));
    }
    rewriteEach(input, PhotoFormat::Png, rewritePngInPlace);
    rewriteEach(input, PhotoFormat::WebP, rewriteWebpInPlace);
}

void heifRewrite(const QByteArray& input) {
    // The walk the readers and writers share: each box follows the one
    // before inside the box around it, and the walk ends there or is damaged.
    checkBoxes(input, BoxWalk(input), 0, input.size(), 0);
    // The item table: what it places lies inside the bytes, whatever the
    // damage, and its locations written anew read back as they were.
    const HeifItems read = HeifItems::read(input);
    for (const HeifItems::Item& item : read.items) {
        if (item.inFile)
            readAll(read.dataOf(item, input));
        else if (read.damage.isEmpty())
            fail(QStringLiteral("a sound HEIF item table with an item it cannot place"));
    }
    (void)findMetadataBlocks(PhotoFormat::Heif, input);
    (void)heifPrimaryImageSize(input);
    if (sniffPhotoFormat(input) != PhotoFormat::Heif)
        return;
    if (read.damage.isEmpty()) {
        const QByteArray iloc = read.ilocBytes();
        if (iloc.size() == read.iloc.size) {
            const QByteArray again = QByteArray(input).replace(read.iloc.start, iloc.size(), iloc);
            const auto placed = [](const HeifItems& heif) {
                QList<QList<qint64>> out;
                for (const HeifItems::Item& item : heif.items) {
                    QList<qint64> fields = {item.id, item.construction, item.baseOffset};
                    for (const HeifItems::Extent& extent : item.extents)
                        fields << extent.index << extent.offset << extent.length;
                    out << fields;
                }
                return out;
            };
            if (placed(HeifItems::read(again)) != placed(read))
                fail(QStringLiteral("HEIF item locations written anew read back otherwise"));
        }
        HeifItems::Item exif;
        exif.id = read.largestId + 1;
        exif.type = "Exif";
        (void)read.iinfWith(input, {exif});
        (void)read.irefWith(input, "cdsc", {exif.id}, read.primary);
    }
    rewriteEach(input, PhotoFormat::Heif, rewriteHeifInPlace);
}

} // namespace FuzzEntries
