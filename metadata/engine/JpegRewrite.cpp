#include "metadata/PropertyKeys.h"
#include "metadata/XmpNames.h"
#include "metadata/engine/BlockSignatures.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ExifBlockEdit.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/MovedPreview.h"
#include "metadata/engine/TagTable.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/XmpEdit.h"
#include "metadata/engine/XmpExtension.h"
#include "metadata/engine/XmpPacket.h"

#include <QLocale>
#include <QSet>

namespace {

using namespace BlockSignatures;

const QByteArray MpfHeader("MPF\0", 4);
constexpr qsizetype MaxPayload = 65533; // a segment's length field counts itself

QByteArray segmentBytes(quint8 marker, const QByteArray& payload) {
    QByteArray out(4, '\0');
    out[0] = char(0xff);
    out[1] = char(marker);
    out[2] = char((payload.size() + 2) >> 8);
    out[3] = char((payload.size() + 2) & 0xff);
    return out + payload;
}

// A segment's payload past its signature, as bytes of its own.
QByteArray payloadAfter(const QByteArray& bytes, const JpegSegment& segment,
                        const QByteArray& signature) {
    return segment.payloadIn(bytes).sliced(signature.size()).toByteArray();
}

// The multi-picture index counts its images' offsets from its own header,
// so when the segments after it change size, the offsets move with them.
std::optional<QByteArray> shiftedMpf(const QByteArray& payload, qint64 delta) {
    auto editor = TiffEditor::open(payload.mid(MpfHeader.size()), TiffEditor::Origin::ExifBlock);
    if (!editor)
        return std::nullopt;
    const auto entries = editor->valueOf(TiffEditor::Directory::Ifd0, Tag::MpfImageList);
    if (!entries || entries->size() % 16 != 0)
        return std::nullopt;
    QByteArray patched = *entries;
    const bool little = editor->littleEndian();
    for (qsizetype at = 0; at < patched.size(); at += 16) {
        quint32 offset = readUnsigned(patched, at + 8, 4, little);
        if (offset == 0)
            continue; // the first image
        offset = quint32(qint64(offset) + delta);
        for (int i = 0; i < 4; ++i)
            patched[at + 8 + i] = char((offset >> (8 * (little ? i : 3 - i))) & 0xff);
    }
    const auto type = editor->typeOf(TiffEditor::Directory::Ifd0, Tag::MpfImageList);
    if (!editor.value().setEntry(TiffEditor::Directory::Ifd0, Tag::MpfImageList, *type,
                                 quint32(patched.size()), patched))
        return std::nullopt;
    const auto finished = editor->finish(MaxPayload - MpfHeader.size());
    if (!finished)
        return std::nullopt;
    return MpfHeader + finished.value();
}

} // namespace

namespace {

// Which written value makes an EXIF block too large for its segment: the
// longest.
QString tooLongForSegment(const MetadataEdit& edit, qsizetype neededSize) {
    QString longest;
    qsizetype longestSize = -1;
    for (const MetadataEdit::Step& step : edit.steps) {
        if (step.set == PropertyKeys::IptcSet || step.key.isEmpty() ||
            PropertyKeys::isRemoval(step.value))
            continue;
        const qsizetype size = step.value.toString().toUtf8().size();
        if (size > longestSize) {
            longest = step.key;
            longestSize = size;
        }
    }
    const QLocale numbers(QLocale::English);
    return QStringLiteral("%1 too long for a JPEG's EXIF segment: %2 bytes of %3")
        .arg(longest.isEmpty() ? QStringLiteral("EXIF block") : longest,
             numbers.toString(qlonglong(neededSize + Exif.size())),
             numbers.toString(qlonglong(MaxPayload)));
}

} // namespace

ContainerAnswer rewriteJpegInPlace(const QByteArray& source, const MetadataEdit& edit) {
    using R = Result<RewritePlan>;
    // The segments before the first scan, which is copied as it is.
    QList<JpegSegment> segments;
    JpegSegments walk(source);
    for (const JpegSegment& segment : walk)
        segments.append(segment);
    if (!walk.scan())
        return R::fail(walk.damage());
    const qsizetype scan = *walk.scan();
    QList<QByteArray> output; // per segment: its new bytes
    output.reserve(segments.size());
    for (const JpegSegment& segment : segments)
        output.append(source.mid(segment.start, segment.size()));
    QStringList notes;

    const qsizetype exifAt =
        std::find_if(segments.cbegin(), segments.cend(),
                     [&](const JpegSegment& s) { return s.holds(source, 0xe1, Exif); }) -
        segments.cbegin();
    const bool hasExif = exifAt < segments.size();
    const QByteArray exifBlock =
        hasExif ? payloadAfter(source, segments[exifAt], Exif) : QByteArray();
    auto exif = editExifBlock(hasExif ? &exifBlock : nullptr, edit, MaxPayload - Exif.size());
    if (!exif)
        return R::fail(exif.error());
    if (exif->tooLarge) {
        return ContainerAnswer::notMine(tooLongForSegment(edit, exif->neededSize));
    }
    notes << exif->repairs;
    QByteArray newExifSegment;
    if (exif->bytes) {
        newExifSegment = segmentBytes(0xe1, Exif + *exif->bytes);
        if (hasExif)
            output[exifAt] = newExifSegment;
    }

    if (edit.touches(PropertyKeys::IptcSet)) {
        QByteArray resources;
        qsizetype first = -1;
        for (qsizetype i = 0; i < segments.size(); ++i) {
            if (!segments[i].holds(source, 0xed, Photoshop))
                continue;
            if (first < 0)
                first = i;
            resources += payloadAfter(source, segments[i], Photoshop);
            output[i].clear();
        }
        const QByteArray iptc =
            PhotoshopResources::find(resources, PhotoshopResources::IptcId).value_or(QByteArray());
        auto block = IptcBlock::parse(iptc);
        if (!block)
            return R::fail(block.error());
        const Status applied = applyIptcSteps(block.value(), edit);
        if (!applied)
            return R::fail(applied.error());
        const QByteArray newIptc = block->serialize();
        if (newIptc == iptc) {
            for (qsizetype i = 0; i < segments.size(); ++i) {
                if (segments[i].holds(source, 0xed, Photoshop))
                    output[i] = source.mid(segments[i].start, segments[i].size());
            }
        } else {
            const auto newResources = PhotoshopResources::withIptc(resources, newIptc);
            if (!newResources)
                return R::fail(newResources.error());
            QByteArray app13;
            const qsizetype room = MaxPayload - Photoshop.size();
            for (qsizetype at = 0; at < newResources->size(); at += room)
                app13 += segmentBytes(0xed, Photoshop + newResources->mid(at, room));
            if (first < 0) {
                // Before the first segment that is not application data.
                qsizetype before = 0;
                while (before < segments.size() && segments[before].isApplicationData())
                    ++before;
                if (before < segments.size())
                    output[before].prepend(app13);
                else if (!output.isEmpty())
                    output.last().append(app13);
                else
                    output.append(app13);
            } else {
                output[first] = app13;
            }
        }
    }

    QByteArray newXmpSegment;
    if (edit.touches(PropertyKeys::XmpSet) || edit.removesSet(PropertyKeys::GpsSet) ||
        edit.removesSet(PropertyKeys::ExifSet) || edit.removesSet(PropertyKeys::IptcSet)) {
        const qsizetype xmpAt =
            std::find_if(segments.cbegin(), segments.cend(),
                         [&](const JpegSegment& s) { return s.holds(source, 0xe1, Xmp); }) -
            segments.cbegin();
        const bool hasXmp = xmpAt < segments.size();
        const QByteArray packet =
            hasXmp ? payloadAfter(source, segments[xmpAt], Xmp) : QByteArray();
        // The extension the packet names takes the steps of its own
        // properties, and the packet the extension's new digest.
        MetadataEdit mainEdit = edit;
        std::optional<QList<QByteArray>> extensionPayloads;
        QList<QByteArrayView> parts;
        for (const JpegSegment& s : segments) {
            if (s.holds(source, 0xe1, XmpExtension::SegmentHeader))
                parts << s.payloadIn(source);
        }
        const QString guid = hasXmp && !parts.isEmpty() ? XmpExtension::guidOf(packet) : QString();
        if (!guid.isEmpty() && !edit.removesSet(PropertyKeys::XmpSet)) {
            const auto extension = XmpExtension::assemble(parts, guid);
            if (!extension)
                return R::fail(extension.error());
            const auto extended = extension->isEmpty() ? Result<XmpPacket>::fail(QString())
                                                       : XmpPacket::parse(extension.value());
            if (!extension->isEmpty() && !extended)
                return R::fail(QStringLiteral("the extended XMP could not be read (%1)")
                                   .arg(extended.error()));
            if (extended) {
                QSet<QString> own;
                const QVariantMap values = extended->values();
                for (auto it = values.cbegin(); it != values.cend(); ++it)
                    own.insert(XmpNames::topLevelOf(it.key()));
                MetadataEdit extensionEdit = edit;
                extensionEdit.steps.clear();
                mainEdit.steps.clear();
                for (const MetadataEdit::Step& step : edit.steps) {
                    const bool there = step.set == PropertyKeys::XmpSet && !step.key.isEmpty() &&
                                       own.contains(XmpNames::topLevelOf(step.key));
                    (there ? extensionEdit : mainEdit).steps.append(step);
                }
                const auto editedExtension =
                    editXmpPacket(&extension.value(), extensionEdit, &notes);
                if (!editedExtension)
                    return R::fail(editedExtension.error());
                if (editedExtension.value()) {
                    const QByteArray& text = *editedExtension.value();
                    const auto again = XmpPacket::parse(text);
                    const bool empty = again && again->values().isEmpty();
                    extensionPayloads = empty ? QList<QByteArray>() : XmpExtension::payloads(text);
                    mainEdit.steps.append(
                        {PropertyKeys::XmpSet, XmpExtension::GuidKey,
                         empty ? PropertyKeys::removal()
                               : QVariant(QString::fromLatin1(XmpExtension::guidOfText(text)))});
                }
            }
        }
        const auto edited = editXmpPacket(hasXmp ? &packet : nullptr, mainEdit, &notes);
        if (!edited)
            return R::fail(edited.error());
        if (edited.value() && edited.value()->isEmpty()) {
            // The set removed: the packet and the extensions it points to.
            for (qsizetype i = 0; i < segments.size(); ++i) {
                if (segments[i].holds(source, 0xe1, Xmp) ||
                    segments[i].holds(source, 0xe1, XmpExtension::SegmentHeader))
                    output[i].clear();
            }
        } else if (edited.value()) {
            if (edited.value()->size() + Xmp.size() > MaxPayload)
                return R::fail(QStringLiteral("the XMP packet would outgrow its JPEG segment"));
            QByteArray segment = segmentBytes(0xe1, Xmp + *edited.value());
            if (extensionPayloads) {
                // The old extension's parts give way to the new one's, which
                // follow the packet.
                const QByteArray oldGuid = guid.toLatin1().toUpper();
                for (qsizetype i = 0; i < segments.size(); ++i) {
                    if (segments[i].holds(source, 0xe1, XmpExtension::SegmentHeader) &&
                        payloadAfter(source, segments[i], XmpExtension::SegmentHeader)
                                .left(oldGuid.size())
                                .toUpper() == oldGuid)
                        output[i].clear();
                }
                for (const QByteArray& payload : std::as_const(*extensionPayloads))
                    segment += segmentBytes(0xe1, payload);
            }
            if (hasXmp)
                output[xmpAt] = segment;
            else
                newXmpSegment = segment;
        }
    }

    if (edit.stripHidden) {
        // What the pixels need stays: the JFIF header (its density is the
        // resolution), the ICC profile, Adobe's colour transform, the EXIF
        // block made anew; comments and other applications' blocks go.
        for (qsizetype i = 0; i < segments.size(); ++i) {
            const JpegSegment& s = segments[i];
            const bool kept = s.holds(source, 0xe0, QByteArrayView("JFIF\0", 5)) ||
                              s.holds(source, 0xe2, QByteArrayView("ICC_PROFILE\0", 12)) ||
                              s.holds(source, 0xee, QByteArrayView("Adobe", 5)) || i == exifAt;
            if ((s.isApplicationData() || s.marker == 0xfe) && !kept)
                output[i].clear();
        }
    }

    QByteArray head = source.left(2);
    qsizetype mpfIndex = -1;
    qint64 oldAfterMpf = 0, newAfterMpf = 0;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (segments[i].holds(source, 0xe2, MpfHeader) && mpfIndex < 0) {
            mpfIndex = i;
            continue;
        }
        if (mpfIndex >= 0) {
            oldAfterMpf += segments[i].size();
            newAfterMpf += output[i].size();
        }
    }
    if (mpfIndex >= 0 && newAfterMpf != oldAfterMpf) {
        const auto mpf = shiftedMpf(segments[mpfIndex].payloadIn(source).toByteArray(),
                                    newAfterMpf - oldAfterMpf);
        if (!mpf)
            return R::fail(QStringLiteral("the multi-picture index cannot be updated"));
        output[mpfIndex] = segmentBytes(0xe2, *mpf);
    }
    // New EXIF and XMP segments go first, after the APP0 segments that lead
    // (JFIF, its extension, a camera's own heap), and a new XMP segment after
    // the EXIF one. Readers that meet an EXIF block between those take its
    // directories for the heap's.
    const QByteArray newSegments = hasExif ? QByteArray() : newExifSegment + newXmpSegment;
    qsizetype placeAt = 0;
    while (placeAt < segments.size() && segments[placeAt].marker == 0xe0)
        ++placeAt;
    qsizetype exifInHead = -1, exifEndInHead = -1;
    for (qsizetype i = 0; i < output.size(); ++i) {
        if (i == placeAt)
            head += newSegments;
        if (i == exifAt && hasExif)
            exifInHead = head.size();
        head += output[i];
        if (i == exifAt && hasExif) {
            exifEndInHead = head.size();
            head += newXmpSegment;
        }
    }
    if (placeAt >= output.size())
        head += newSegments;
    if (hasExif && head.size() != scan)
        followMovedPreview(source, segments[exifAt].start, segments[exifAt].end, scan, head,
                           exifInHead, exifEndInHead);

    RewritePlan plan;
    plan.notes = notes;
    const bool unchanged =
        head.size() == scan && std::equal(head.cbegin(), head.cend(), source.cbegin());
    if (unchanged) {
        plan.addSource(0, source.size());
    } else {
        plan.addBytes(head);
        plan.addSource(scan, source.size() - scan);
    }
    return R::ok(std::move(plan));
}
