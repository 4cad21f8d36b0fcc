#include "metadata/PropertyKeys.h"
#include "metadata/XmpMirrorValues.h"
#include "metadata/engine/BlockSignatures.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/ExifBlockEdit.h"
#include "metadata/engine/Exiv2Include.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/PngText.h"
#include "metadata/engine/XmpEdit.h"

namespace {

using namespace PropertyKeys;

QByteArray littleEndian32(quint32 value) {
    QByteArray out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[i] = char((value >> (8 * i)) & 0xff);
    return out;
}

const QByteArray IptcProfile("Raw profile type iptc");

// The IPTC datasets of a PNG's raw profile after the edit's IPTC steps: the
// chunk that replaces the old one (empty when none is left), or nothing when
// they stay as they are. The profile holds the datasets bare or, as most
// writers leave them, in Photoshop's image resources; a new one takes the
// second form.
Result<std::optional<QByteArray>> editedIptcChunk(const QByteArray& oldText,
                                                  const MetadataEdit& edit) {
    using R = Result<std::optional<QByteArray>>;
    const QByteArray profile = PngText::profileBytes(oldText);
    const bool bare = !profile.isEmpty() && !profile.startsWith("8BIM");
    const QByteArray iptc = bare ? profile : iptcFromImageResources(profile);
    auto block = IptcBlock::parse(iptc);
    if (!block)
        return R::fail(block.error());
    const Status applied = applyIptcSteps(block.value(), edit);
    if (!applied)
        return R::fail(applied.error());
    const QByteArray newIptc = block->serialize();
    if (newIptc == iptc)
        return R::ok(std::nullopt);
    if (newIptc.isEmpty())
        return R::ok(QByteArray());
    QByteArray newProfile = newIptc;
    if (!bare) {
        const auto resources = PhotoshopResources::withIptc(profile, newIptc);
        if (!resources)
            return R::fail(resources.error());
        newProfile = resources.value();
    }
    return R::ok(PngText::chunk(
        "zTXt", IptcProfile + QByteArray("\0\0", 2) +
                    PngText::deflate(PngText::profileText("IPTC profile", newProfile))));
}

bool knownTag(const std::string& key) {
    try {
        const Exiv2::ExifKey probe(key);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

// A text copy of a tag of the EXIF set; tags of the main image (the TIFF
// set), of the thumbnail and of the GPS set are not.
bool isExifSetTextKey(const QByteArray& keyword) {
    if (!keyword.startsWith("exif:"))
        return false;
    const QByteArray name = keyword.mid(5);
    if (name.startsWith("thumbnail:") || name.startsWith("GPS"))
        return false;
    return knownTag("Exif.Photo." + name.toStdString()) ||
           !knownTag("Exif.Image." + name.toStdString());
}

// The value an edit gives a text keyword that repeats a property: a standard
// keyword that one of the form's fields or the original date writes, or a
// text copy of an EXIF tag. Readers show these beside EXIF and XMP, so a stale one would
// contradict the edit: a chunk the photo has follows its value, and goes with
// its removal. No new one is made; EXIF and XMP are where values go.
std::optional<QVariant> textCopyOf(QByteArrayView keyword, const MetadataEdit& edit) {
    QList<std::pair<QString, QString>> homes;
    if (keyword == "Author" || keyword == "Artist")
        homes = {{TiffSet, Artist}, {XmpSet, QStringLiteral("dc:creator")}};
    else if (keyword == "Copyright")
        homes = {{TiffSet, Copyright}, {XmpSet, QStringLiteral("dc:rights")}};
    else if (keyword == "Description")
        homes = {{TiffSet, ImageDescription}, {XmpSet, QStringLiteral("dc:description")}};
    else if (keyword == "Title")
        homes = {{IptcSet, QStringLiteral("ObjectName")}, {XmpSet, QStringLiteral("dc:title")}};
    // The time the photo was made, written in EXIF's form as exiftool does.
    else if (keyword == "Creation Time")
        homes = {{ExifSet, DateTimeOriginal}};
    // The tags as ImageMagick copies them, under their EXIF names.
    else if (keyword.startsWith("exif:GPS"))
        homes = {{GpsSet, QString::fromLatin1(keyword.sliced(8))}};
    else if (keyword.startsWith("exif:"))
        homes = {{TiffSet, QString::fromLatin1(keyword.sliced(5))},
                 {ExifSet, QString::fromLatin1(keyword.sliced(5))}};
    for (const auto& [set, key] : homes) {
        std::optional<QVariant> value;
        for (const MetadataEdit::Step& step : edit.steps) {
            if (step.set == set && step.key == key)
                value = step.value;
        }
        if (value)
            return value;
    }
    return std::nullopt;
}

} // namespace

ContainerAnswer rewritePngInPlace(const QByteArray& source, const MetadataEdit& edit) {
    using R = Result<RewritePlan>;
    QList<Chunk> chunks;
    ChunkWalk walk(source, ChunkWalk::Form::Png);
    for (const Chunk& chunk : walk)
        chunks.append(chunk);
    if (!walk.reachedEnd())
        return R::fail(walk.damage());
    qsizetype exifIndex = -1;
    qsizetype iptcIndex = -1;
    qsizetype firstData = -1;
    bool hasXmp = false;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        if (chunks[i].type == "eXIf" && exifIndex < 0)
            exifIndex = i;
        // The packet in its iTXt chunk, or as ImageMagick's raw profile.
        hasXmp =
            hasXmp ||
            (chunks[i].type == "iTXt" &&
             chunks[i].dataIn(source).startsWith(QByteArrayView("XML:com.adobe.xmp\0", 18))) ||
            ((chunks[i].type == "zTXt" || chunks[i].type == "tEXt") &&
             chunks[i].dataIn(source).startsWith(QByteArrayView("Raw profile type xmp\0", 21)));
        if (chunks[i].type == "IDAT" && firstData < 0)
            firstData = i;
        if (chunks[i].type == "zTXt" || chunks[i].type == "tEXt" || chunks[i].type == "iTXt") {
            const QByteArray data = chunks[i].dataOf(source);
            const QByteArray keyword = data.left(data.indexOf('\0'));
            if (edit.touchesExifBlock() &&
                (keyword == "Raw profile type exif" || keyword == "Raw profile type APP1"))
                return ContainerAnswer::notMine(); // a second EXIF block, in a form the library
                                                   // edits
            if (keyword == IptcProfile && iptcIndex >= 0)
                return ContainerAnswer::notMine(); // two IPTC blocks: the library decides which
                                                   // counts
            if (keyword == IptcProfile)
                iptcIndex = i;
        }
    }
    // New IPTC goes before the image data, where readers look for it.
    std::optional<QByteArray> iptcChunk;
    if (edit.touches(IptcSet)) {
        QByteArray oldText;
        if (iptcIndex >= 0) {
            const auto parsed =
                PngText::text(chunks[iptcIndex].type, chunks[iptcIndex].dataOf(source));
            if (!parsed)
                return R::fail(QStringLiteral("damaged PNG: its IPTC chunk does not inflate"));
            oldText = parsed->second;
        }
        auto edited = editedIptcChunk(oldText, edit);
        if (!edited)
            return R::fail(edited.error());
        iptcChunk = std::move(edited.value());
    }
    if (firstData < 0)
        return R::fail(QStringLiteral("damaged PNG: no image data"));

    const QByteArray exifData = exifIndex < 0 ? QByteArray() : chunks[exifIndex].dataOf(source);
    const bool prefixed = exifData.startsWith(BlockSignatures::Exif);
    const QByteArray block = prefixed ? exifData.mid(BlockSignatures::Exif.size()) : exifData;
    auto exif = editExifBlock(exifIndex < 0 ? nullptr : &block, edit, Unlimited);
    if (!exif)
        return R::fail(exif.error());
    if (exif->tooLarge)
        return ContainerAnswer::notMine();

    RewritePlan plan;
    plan.notes = exif->repairs;
    plan.addSource(0, 8);
    const bool removesGps = edit.removesSet(GpsSet);
    const bool removesExif = edit.removesSet(ExifSet);
    const bool editsXmp = edit.touches(XmpSet) || removesGps || removesExif ||
                          edit.removesSet(IptcSet) || edit.removesSet(TiffSet);
    const QByteArray xmpKeyword("XML:com.adobe.xmp\0\0\0\0\0", 22);
    bool xmpDone = false;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        const Chunk& chunk = chunks[i];
        if (i == firstData && exifIndex < 0 && exif->bytes)
            plan.addBytes(PngText::chunk("eXIf", *exif->bytes));
        if (i == firstData && iptcIndex < 0 && iptcChunk)
            plan.addBytes(*iptcChunk);
        if (i == firstData && !hasXmp && editsXmp) {
            const auto created = editXmpPacket(nullptr, edit);
            if (!created)
                return R::fail(created.error());
            if (created.value())
                plan.addBytes(PngText::chunk("iTXt", xmpKeyword + *created.value()));
        }
        if (i == exifIndex && exif->bytes) {
            plan.addBytes(PngText::chunk("eXIf", (prefixed ? BlockSignatures::Exif : QByteArray()) +
                                                     *exif->bytes));
            continue;
        }
        if (i == iptcIndex && iptcChunk) {
            plan.addBytes(*iptcChunk);
            continue;
        }
        const bool text = chunk.type == "tEXt" || chunk.type == "zTXt" || chunk.type == "iTXt";
        if (edit.stripHidden && (text || chunk.type == "tIME"))
            continue; // text, the XMP packet among it, and the date go with everything else
        if (text) {
            const QByteArrayView data = chunk.dataIn(source);
            const QByteArrayView keyword = data.first(qMax(data.indexOf('\0'), 0));
            // Copies of EXIF tags in text chunks go with the set they copy.
            if ((removesGps && keyword.startsWith("exif:GPS")) ||
                (removesExif && isExifSetTextKey(keyword.toByteArray())))
                continue;
            if (const auto copy = textCopyOf(keyword, edit)) {
                // A tag's copy in a form of its own (numbers, rationals) is
                // dropped rather than left with the old value.
                const bool plain =
                    !keyword.startsWith("exif:") || copy->typeId() == QMetaType::QString;
                if (!isRemoval(*copy) && plain)
                    plan.addBytes(
                        PngText::textChunk(keyword.toByteArray(), XmpMirrorValues::text(*copy)));
                continue;
            }
        }
        if (text && editsXmp) {
            const QByteArray data = chunk.dataOf(source);
            const auto parsed = PngText::text(chunk.type, data);
            const QByteArray keyword = data.left(data.indexOf('\0'));
            const bool xmp = keyword == "XML:com.adobe.xmp" || keyword == "Raw profile type xmp";
            // Readers take the first packet: a second one would stand
            // stale beside the edited one.
            if (xmp && editsXmp && xmpDone) {
                plan.notes << QStringLiteral("dropped a second XMP packet");
                continue;
            }
            if (xmp && editsXmp && parsed && !xmpDone) {
                xmpDone = true;
                const QByteArray packet = keyword == "XML:com.adobe.xmp"
                                              ? parsed->second
                                              : PngText::profileBytes(parsed->second);
                const auto edited = editXmpPacket(&packet, edit, &plan.notes);
                if (!edited)
                    return R::fail(edited.error());
                if (edited.value()) {
                    if (!edited.value()->isEmpty())
                        plan.addBytes(PngText::chunk("iTXt", xmpKeyword + *edited.value()));
                    continue;
                }
            }
        }
        plan.addSource(chunk.start, chunk.end - chunk.start);
    }
    if (!chunks.isEmpty())
        plan.addSource(chunks.last().end, source.size() - chunks.last().end);
    return R::ok(std::move(plan));
}

ContainerAnswer rewriteWebpInPlace(const QByteArray& source, const MetadataEdit& edit) {
    using R = Result<RewritePlan>;
    // Neither the format nor any reader knows IPTC in a WebP: a value for it
    // is refused, and removing it has nothing to remove.
    for (const MetadataEdit::Step& step : edit.steps) {
        if (step.set == IptcSet && !step.key.isEmpty() && !isRemoval(step.value))
            return R::fail(QStringLiteral("a WebP has no place for IPTC %1")
                               .arg(step.key == Keywords ? QStringLiteral("keywords") : step.key));
    }
    QList<Chunk> chunks;
    ChunkWalk walk(source, ChunkWalk::Form::WebP);
    for (const Chunk& chunk : walk)
        chunks.append(chunk);
    if (!walk.reachedEnd())
        return R::fail(walk.damage());
    qsizetype exifIndex = -1;
    qsizetype header = -1;
    qsizetype xmpIndex = -1;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        if (chunks[i].type == "EXIF" && exifIndex < 0)
            exifIndex = i;
        if (chunks[i].type == "VP8X" && header < 0)
            header = i;
        if (chunks[i].isWebPXmp() && xmpIndex < 0)
            xmpIndex = i;
    }
    const QByteArray exifData = exifIndex < 0 ? QByteArray() : chunks[exifIndex].dataOf(source);
    const bool prefixed = exifData.startsWith(BlockSignatures::Exif);
    const QByteArray block = prefixed ? exifData.mid(BlockSignatures::Exif.size()) : exifData;
    auto exif = editExifBlock(exifIndex < 0 ? nullptr : &block, edit, Unlimited);
    if (!exif)
        return R::fail(exif.error());
    if (exif->tooLarge || (exifIndex < 0 && exif->bytes && header < 0))
        return ContainerAnswer::notMine(); // a simple WebP must first gain an extended header
    std::optional<QByteArray> xmp;
    if (edit.touches(XmpSet) || edit.removesSet(GpsSet) || edit.removesSet(ExifSet) ||
        edit.removesSet(IptcSet) || edit.removesSet(TiffSet)) {
        const QByteArray packet = xmpIndex < 0 ? QByteArray() : chunks[xmpIndex].dataOf(source);
        auto edited = editXmpPacket(xmpIndex < 0 ? nullptr : &packet, edit);
        if (!edited)
            return R::fail(edited.error());
        xmp = edited.value();
        if (xmp && xmpIndex < 0 && header < 0)
            return ContainerAnswer::notMine();
    }

    auto chunkBytes = [](const QByteArray& type, const QByteArray& data) {
        QByteArray out = type + littleEndian32(quint32(data.size())) + data;
        if (data.size() & 1)
            out.append('\0');
        return out;
    };
    QByteArray body;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        const Chunk& chunk = chunks[i];
        if (i == exifIndex && exif->bytes) {
            body += chunkBytes("EXIF",
                               (prefixed ? BlockSignatures::Exif : QByteArray()) + *exif->bytes);
            continue;
        }
        if (i == header && ((exifIndex < 0 && exif->bytes) || xmp)) {
            QByteArray flagged = source.mid(chunk.start, chunk.end - chunk.start);
            if (exifIndex < 0 && exif->bytes)
                flagged[8] = char(quint8(flagged[8]) | 0x08); // "has EXIF"
            if (xmp)
                flagged[8] = char(xmp->isEmpty() ? quint8(flagged[8]) & ~0x04
                                                 : quint8(flagged[8]) | 0x04); // "has XMP"
            body += flagged;
            continue;
        }
        if (i == xmpIndex && xmp) {
            // Under the name the format gives it, where a packet only some
            // readers found before came under another: after an edit every
            // reader finds it.
            if (!xmp->isEmpty())
                body += chunkBytes("XMP ", *xmp);
            continue;
        }
        body += source.mid(chunk.start, chunk.end - chunk.start);
    }
    if (exifIndex < 0 && exif->bytes)
        body += chunkBytes("EXIF", *exif->bytes);
    if (xmpIndex < 0 && xmp && !xmp->isEmpty())
        body += chunkBytes("XMP ", *xmp);
    RewritePlan plan;
    plan.notes = exif->repairs;
    plan.addBytes(QByteArray("RIFF") + littleEndian32(quint32(body.size() + 4)) + "WEBP" + body);
    return R::ok(std::move(plan));
}
