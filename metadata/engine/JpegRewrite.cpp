#include "metadata/PropertyKeys.h"
#include "metadata/engine/ByteReading.h"
#include "metadata/engine/ExifBlockEdit.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/IptcBlock.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/TiffEditor.h"
#include "metadata/engine/XmpEdit.h"

#include <QLocale>

namespace {

const QByteArray ExifHeader("Exif\0\0", 6);
const QByteArray XmpHeader("http://ns.adobe.com/xap/1.0/\0", 29);
const QByteArray PhotoshopHeader("Photoshop 3.0\0", 14);
const QByteArray MpfHeader("MPF\0", 4);
constexpr qsizetype MaxPayload = 65533; // a segment's length field counts itself

struct Segment {
    quint8 marker = 0;
    qsizetype start = 0; // of its 0xFF
    qsizetype end = 0;
    QByteArray payload(const QByteArray& bytes) const {
        return bytes.mid(start + 4, end - start - 4);
    }
    bool is(const QByteArray& bytes, quint8 m, const QByteArray& header) const {
        return marker == m && end - start - 4 >= header.size() &&
               std::equal(header.cbegin(), header.cend(), bytes.cbegin() + start + 4);
    }
};

QByteArray segmentBytes(quint8 marker, const QByteArray& payload) {
    QByteArray out(4, '\0');
    out[0] = char(0xff);
    out[1] = char(marker);
    out[2] = char((payload.size() + 2) >> 8);
    out[3] = char((payload.size() + 2) & 0xff);
    return out + payload;
}

// The segments before the first scan, and where the scan starts.
std::optional<std::pair<QList<Segment>, qsizetype>> segmentsOf(const QByteArray& bytes) {
    QList<Segment> segments;
    qsizetype at = 2;
    while (at + 4 <= bytes.size()) {
        if (quint8(bytes[at]) != 0xff)
            return std::nullopt;
        const quint8 marker = quint8(bytes[at + 1]);
        if (marker == 0xff) {
            ++at;
            continue;
        }
        if (marker == 0xda)
            return std::pair{segments, at};
        const qsizetype length = readBigEndian(bytes, at + 2, 2);
        if (length < 2 || at + 2 + length > bytes.size())
            return std::nullopt;
        segments.append({marker, at, at + 2 + length});
        at += 2 + length;
    }
    return std::nullopt;
}

// The multi-picture index counts its images' offsets from its own header,
// so when the segments after it change size, the offsets move with them.
std::optional<QByteArray> shiftedMpf(const QByteArray& payload, qint64 delta) {
    auto editor = TiffEditor::open(payload.mid(MpfHeader.size()), TiffEditor::Origin::ExifBlock);
    if (!editor)
        return std::nullopt;
    const auto entries = editor->valueOf(TiffEditor::Directory::Ifd0, 0xb002);
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
    const auto type = editor->typeOf(TiffEditor::Directory::Ifd0, 0xb002);
    if (!editor.value().setEntry(TiffEditor::Directory::Ifd0, 0xb002, *type,
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
             numbers.toString(qlonglong(neededSize + ExifHeader.size())),
             numbers.toString(qlonglong(MaxPayload)));
}

} // namespace

InPlaceResult rewriteJpegInPlace(const QByteArray& source, const MetadataEdit& edit,
                                 QString* whyDeclined) {
    using R = Result<RewritePlan>;
    const auto parsed = segmentsOf(source);
    if (!parsed)
        return R::fail(QStringLiteral("damaged JPEG: its headers do not add up"));
    const auto& [segments, scan] = *parsed;
    QList<QByteArray> output; // per segment: its new bytes
    output.reserve(segments.size());
    for (const Segment& segment : segments)
        output.append(source.mid(segment.start, segment.end - segment.start));
    QStringList notes;

    const qsizetype exifAt =
        std::find_if(segments.cbegin(), segments.cend(),
                     [&](const Segment& s) { return s.is(source, 0xe1, ExifHeader); }) -
        segments.cbegin();
    const bool hasExif = exifAt < segments.size();
    const QByteArray exifBlock =
        hasExif ? segments[exifAt].payload(source).mid(ExifHeader.size()) : QByteArray();
    auto exif = editExifBlock(hasExif ? &exifBlock : nullptr, edit, MaxPayload - ExifHeader.size());
    if (!exif)
        return R::fail(exif.error());
    if (exif->tooLarge) {
        if (whyDeclined)
            *whyDeclined = tooLongForSegment(edit, exif->neededSize);
        return std::nullopt;
    }
    notes << exif->repairs;
    QByteArray newExifSegment;
    if (exif->bytes) {
        newExifSegment = segmentBytes(0xe1, ExifHeader + *exif->bytes);
        if (hasExif)
            output[exifAt] = newExifSegment;
    }

    if (edit.touches(PropertyKeys::IptcSet)) {
        QByteArray resources;
        qsizetype first = -1;
        for (qsizetype i = 0; i < segments.size(); ++i) {
            if (!segments[i].is(source, 0xed, PhotoshopHeader))
                continue;
            if (first < 0)
                first = i;
            resources += segments[i].payload(source).mid(PhotoshopHeader.size());
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
                if (segments[i].is(source, 0xed, PhotoshopHeader))
                    output[i] = source.mid(segments[i].start, segments[i].end - segments[i].start);
            }
        } else {
            const auto newResources = PhotoshopResources::withIptc(resources, newIptc);
            if (!newResources)
                return R::fail(newResources.error());
            QByteArray app13;
            const qsizetype room = MaxPayload - PhotoshopHeader.size();
            for (qsizetype at = 0; at < newResources->size(); at += room)
                app13 += segmentBytes(0xed, PhotoshopHeader + newResources->mid(at, room));
            if (first < 0) {
                // Before the first segment that is not application data.
                qsizetype before = 0;
                while (before < segments.size() && segments[before].marker >= 0xe0 &&
                       segments[before].marker <= 0xef)
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

    if (edit.removesSet(PropertyKeys::GpsSet)) {
        for (qsizetype i = 0; i < segments.size(); ++i) {
            if (!segments[i].is(source, 0xe1, XmpHeader))
                continue;
            const auto packet = xmpWithoutGps(segments[i].payload(source).mid(XmpHeader.size()));
            if (!packet)
                return R::fail(packet.error());
            if (!packet.value())
                continue;
            if (packet.value()->size() + XmpHeader.size() > MaxPayload)
                return std::nullopt;
            output[i] = segmentBytes(0xe1, XmpHeader + *packet.value());
        }
    }

    QByteArray head = source.left(2);
    qsizetype mpfIndex = -1;
    qint64 oldAfterMpf = 0, newAfterMpf = 0;
    for (qsizetype i = 0; i < segments.size(); ++i) {
        if (segments[i].is(source, 0xe2, MpfHeader) && mpfIndex < 0) {
            mpfIndex = i;
            continue;
        }
        if (mpfIndex >= 0) {
            oldAfterMpf += segments[i].end - segments[i].start;
            newAfterMpf += output[i].size();
        }
    }
    if (mpfIndex >= 0 && newAfterMpf != oldAfterMpf) {
        const auto mpf = shiftedMpf(segments[mpfIndex].payload(source), newAfterMpf - oldAfterMpf);
        if (!mpf)
            return R::fail(QStringLiteral("the multi-picture index cannot be updated"));
        output[mpfIndex] = segmentBytes(0xe2, *mpf);
    }
    bool exifPlaced = hasExif || newExifSegment.isEmpty();
    for (qsizetype i = 0; i < output.size(); ++i) {
        // A new EXIF segment goes first, after a JFIF segment if there is one.
        if (!exifPlaced && !(i < segments.size() && i == 0 && segments[0].marker == 0xe0)) {
            head += newExifSegment;
            exifPlaced = true;
        }
        head += output[i];
    }
    if (!exifPlaced)
        head += newExifSegment;

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

QByteArray jpegHeadToCheck(const QByteArray& head, const QByteArray& source) {
    // A scan marker after the headers ends the walk where they end.
    const auto written = segmentsOf(head + QByteArray("\xFF\xDA\x00\x00", 4));
    const auto original = segmentsOf(source);
    if (!written || !original || written->second != head.size())
        return head;
    const auto verbatim = [&](const Segment& segment) {
        if (!segment.is(head, 0xe1, XmpHeader))
            return false;
        const auto bytes = QByteArrayView(head).sliced(segment.start, segment.end - segment.start);
        return std::any_of(original->first.cbegin(), original->first.cend(), [&](const Segment& s) {
            return s.end - s.start == bytes.size() &&
                   std::equal(bytes.cbegin(), bytes.cend(), source.cbegin() + s.start);
        });
    };
    QByteArray checked = head.left(2);
    checked.reserve(head.size());
    for (const Segment& segment : written->first) {
        if (!verbatim(segment))
            checked.append(head.constData() + segment.start, segment.end - segment.start);
    }
    return checked;
}
