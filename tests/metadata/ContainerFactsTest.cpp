#include "metadata/engine/ContainerFacts.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/BoxWalk.h"
#include "metadata/engine/ChunkWalk.h"
#include "metadata/engine/HeifItems.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/JpegSegments.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/MetadataEdit.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/TiffGuard.h"
#include "support/TestPhotos.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

// The one walk of JPEG headers that every reader and writer here takes: what
// it gives, and where and why it stops.
TEST(ContainerFacts, walksJpegHeadersByOneSetOfRules) {
    const auto segment = [](char marker, const QByteArray& payload) {
        return QByteArray("\xFF", 1) + marker + char((payload.size() + 2) >> 8) +
               char((payload.size() + 2) & 0xFF) + payload;
    };
    const QByteArray start("\xFF\xD8", 2);
    const QByteArray exif = segment('\xE1', QByteArray("Exif\0\0MM", 8));
    const QByteArray tables = segment('\xDB', QByteArray(5, '\1'));
    const QByteArray scan =
        segment('\xDA', QByteArray(3, '\0')) + QByteArray("\x12\xFF\0\xFF\xD3\x34", 6);
    const QByteArray end("\xFF\xD9", 2);
    const QString damaged = QStringLiteral("damaged JPEG: its headers do not add up");
    const struct {
        const char* what;
        QByteArray bytes;
        QList<int> markers; // of the segments the walk gives
        qsizetype scan;     // -1: none
        bool complete;      // the scans' data lead to an end of image
    } cases[] = {
        {"sound headers", start + exif + tables + scan + end, {0xE1, 0xDB}, 23, true},
        {"fill bytes before a marker", start + "\xFF\xFF" + exif + scan + end, {0xE1}, 16, true},
        {"a marker without a length",
         start + exif + "\xFF\x01" + scan + end,
         {0xE1, 0x01},
         16,
         true},
        {"a second scan after further tables", start + scan + tables + scan + end, {}, 2, true},
        {"headers alone, closed by an end of image", start + exif + end, {0xE1}, -1, true},
        {"a segment cut short", start + exif + tables.left(5), {0xE1}, -1, false},
        {"a scan cut short", start + exif + scan.left(9), {0xE1}, 14, false},
        {"a scan marker without its length", start + exif + "\xFF\xDA", {0xE1}, -1, false},
        {"a length that does not count itself",
         start + QByteArray("\xFF\xE1\0\1", 4) + scan + end,
         {},
         -1,
         false},
        {"a length past the end",
         start + QByteArray("\xFF\xE1\x40\0", 4) + scan + end,
         {},
         -1,
         false},
        {"no marker where a segment starts",
         start + exif + QByteArray(1, '\0') + scan + end,
         {0xE1},
         -1,
         false},
        {"a second start of image", start + start + exif + scan + end, {}, -1, false},
        {"no start of image", exif + scan + end, {}, -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        JpegSegments walk(c.bytes);
        QList<int> markers;
        for (const JpegSegment& s : walk)
            markers << s.marker;
        EXPECT_EQ(markers, c.markers);
        EXPECT_EQ(walk.scan(), c.scan < 0 ? std::nullopt : std::optional<qsizetype>(c.scan));
        EXPECT_EQ(walk.damage(), c.scan < 0 ? damaged : QString());
        EXPECT_EQ(jpegFirstScanOffset(c.bytes), walk.scan());
        const QByteArray unended = c.bytes.endsWith(end) ? c.bytes + QByteArray(1, '\0') : c.bytes;
        EXPECT_EQ(checkImageDataComplete(PhotoFormat::Jpeg, unended).isOk(), c.complete);
    }
}

// The one walk of PNG and WebP chunks: what it gives, and where and why it
// stops.
TEST(ContainerFacts, walksPngAndWebpChunksByOneSetOfRules) {
    const auto number = [](quint32 value, bool little) {
        QByteArray out(4, '\0');
        for (int i = 0; i < 4; ++i)
            out[little ? i : 3 - i] = char((value >> (8 * i)) & 0xFF);
        return out;
    };
    const auto png = [&](const char* type, const QByteArray& data) {
        return number(quint32(data.size()), false) + type + data + QByteArray(4, 'c');
    };
    const auto riff = [&](const char* type, const QByteArray& data) {
        return type + number(quint32(data.size()), true) + data + QByteArray(data.size() & 1, '\0');
    };
    using Form = ChunkWalk::Form;
    const QByteArray signature("\x89PNG\r\n\x1A\n", 8);
    const QByteArray header = png("IHDR", QByteArray(13, '\1')), data = png("IDAT", "xyz");
    const QByteArray riffHeader = QByteArray("RIFF\0\0\0\0WEBP", 12);
    const QByteArray extended = riff("VP8X", QByteArray(10, '\0')), exif = riff("EXIF", "abc");
    const struct {
        const char* what;
        Form form;
        QByteArray bytes;
        QList<QByteArray> types; // of the chunks the walk gives
        const char* damage;      // nullptr: the walk reaches the container's end
    } cases[] = {
        {"a sound PNG, a trailer after its end",
         Form::Png,
         signature + header + data + png("IEND", {}) + "trailer",
         {"IHDR", "IDAT", "IEND"},
         nullptr},
        {"a PNG cut in a chunk",
         Form::Png,
         signature + header + data.left(9),
         {"IHDR"},
         "damaged PNG: a chunk runs past the end"},
        {"a PNG without its end",
         Form::Png,
         signature + header + data,
         {"IHDR", "IDAT"},
         "damaged PNG: a chunk runs past the end"},
        {"a PNG length past the end",
         Form::Png,
         signature + number(99, false) + "IDAT" + QByteArray(20, 'x'),
         {},
         "damaged PNG: a chunk runs past the end"},
        {"a sound WebP, an odd chunk padded",
         Form::WebP,
         riffHeader + exif + extended,
         {"EXIF", "VP8X"},
         nullptr},
        {"a WebP whose last chunk lacks its padding",
         Form::WebP,
         riffHeader + exif.chopped(1),
         {"EXIF"},
         nullptr},
        {"a WebP with a few bytes after its chunks",
         Form::WebP,
         riffHeader + extended + "abc",
         {"VP8X"},
         nullptr},
        {"a WebP length past the end",
         Form::WebP,
         riffHeader + extended + riff("EXIF", "abc").left(9),
         {"VP8X"},
         "damaged WebP: a chunk runs past the end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ChunkWalk walk(c.bytes, c.form);
        QList<QByteArray> types;
        for (const Chunk& chunk : walk)
            types << chunk.type;
        EXPECT_EQ(types, c.types);
        EXPECT_EQ(walk.reachedEnd(), !c.damage);
        EXPECT_EQ(walk.damage(), c.damage ? QString::fromLatin1(c.damage) : QString());
    }
}

// The one walk of ISO base media boxes and the one HEIF item table: where
// each stops and why, and what the reader, the size lookup and the writer
// make of it.
TEST(ContainerFacts, walksHeifBoxesAndItemsByOneSetOfRules) {
    const auto number = [](quint64 value, int size) {
        QByteArray out;
        for (int i = size - 1; i >= 0; --i)
            out.append(char((value >> (8 * i)) & 0xFF));
        return out;
    };
    const auto box = [&](const char* type, const QByteArray& payload) {
        return number(quint64(payload.size()) + 8, 4) + type + payload;
    };
    const auto full = [&](const char* type, int version, const QByteArray& fields) {
        return box(type, number(quint64(version), 1) + number(0, 3) + fields);
    };
    const auto infe = [&](int version, quint16 id, const char* type, const QByteArray& rest) {
        return full("infe", version, number(id, 2) + number(0, 2) + QByteArray(type) + '\0' + rest);
    };
    const QByteArray image(40, 'i');
    const QByteArray exif("\0\0\0\6Exif\0\0MM\0*\0\0\0\x08\0\0\0\0\0\0", 24);
    const QByteArray xmp("<?xpacket begin='' id='W5M0MpCehiHzreSzNTczkc9d'?>"
                         "<x:xmpmeta xmlns:x='adobe:ns:meta/'/><?xpacket end='w'?>");
    const QByteArray ftyp = box("ftyp", QByteArray("heic\0\0\0\0mif1heic", 16));
    const QByteArray bigFtyp = number(1, 4) + "ftyp" + number(32, 8) + ftyp.mid(8);
    const QByteArray pitm = full("pitm", 0, number(1, 2));
    const QByteArray iinf = full("iinf", 0,
                                 number(3, 2) + infe(2, 1, "hvc1", {}) + infe(2, 2, "Exif", {}) +
                                     infe(2, 3, "mime", "application/rdf+xml" + QByteArray(1, 0)));
    const QByteArray iprp = box(
        "iprp", box("ipco", full("ispe", 0, number(64, 4) + number(48, 4))) +
                    full("ipma", 0, number(1, 4) + number(1, 2) + number(1, 1) + number(0x81, 1)));
    struct Location {
        quint16 id;
        qint64 offset; // in the mdat box's payload, or in the idat box's
        qint64 length;
        int construction = 0;
        int reference = 0;
    };
    const QList<Location> sound = {
        {1, 0, 40}, {2, 40, exif.size()}, {3, 40 + exif.size(), xmp.size()}};
    struct Layout {
        QList<Location> items;
        int ilocVersion = 0;
        int fieldSizes = 0x4400;
        int cut = 0; // extents the last item counts but lacks
        QByteArray head{}, primary{}, information{}, properties{}, idat{}; // null: the sound one
    };
    const auto heif = [&](Layout l) {
        const auto metaOf = [&]() {
            QByteArray fields = number(quint64(l.fieldSizes), 2) + number(l.items.size(), 2);
            for (const Location& item : l.items) {
                fields += number(item.id, 2);
                if (l.ilocVersion > 0)
                    fields += number(quint64(item.construction), 2);
                fields += number(quint64(item.reference), 2) +
                          number(item.id == l.items.last().id ? 1 + l.cut : 1, 2) +
                          number(quint64(item.offset), 4) + number(quint64(item.length), 4);
            }
            return full("meta", 0,
                        (l.primary.isNull() ? pitm : l.primary) +
                            (l.information.isNull() ? iinf : l.information) +
                            full("iloc", l.ilocVersion, fields) +
                            (l.properties.isNull() ? iprp : l.properties) +
                            (l.idat.isEmpty() ? QByteArray() : box("idat", l.idat)));
        };
        const QByteArray head = l.head.isNull() ? ftyp : l.head;
        const qint64 data = head.size() + metaOf().size() + 8;
        for (Location& item : l.items)
            item.offset += item.construction == 0 ? data : 0;
        return head + metaOf() + box("mdat", image + exif + xmp);
    };
    const QByteArray whole = heif({sound});
    const qsizetype mdat = whole.size() - 8 - image.size() - exif.size() - xmp.size();
    QByteArray pastTheEnd = whole, toTheEnd = whole;
    pastTheEnd[mdat + 3] = char(pastTheEnd[mdat + 3] + 1);
    toTheEnd.replace(mdat, 4, number(0, 4));
    QByteArray iprpPastMeta = iprp;
    iprpPastMeta[3] = char(iprpPastMeta[3] + 1);
    QList<Location> pastItsEnd = sound, overlapping = sound, inIdat = sound, elsewhere = sound,
                    offsetItem = sound;
    pastItsEnd[1].offset = 1000;
    overlapping[2].offset = 40;
    inIdat[1] = {2, 0, exif.size(), 1};
    elsewhere[1].reference = 1;
    offsetItem[1].construction = 2;
    const QByteArray shortFtyp = bigFtyp.left(8) + number(12, 8) + bigFtyp.mid(16);
    const QByteArray oldEntry =
        full("iinf", 0, number(2, 2) + infe(1, 1, "hvc1", {}) + infe(2, 2, "Exif", {}));
    const QList<QByteArray> all = {"ftyp", "meta", "mdat"};
    const struct {
        const char* what;
        QByteArray bytes;
        QList<QByteArray> top; // the boxes the walk gives
        const char* damage;    // nullptr: a sound table
        const char* found;     // by the reader: e(xif), x(mp); by the size lookup: s(ize)
    } cases[] = {
        {"a sound file", whole, all, nullptr, "exs"},
        {"a 64-bit size", heif({.items = sound, .head = bigFtyp}), all, nullptr, "exs"},
        {"a last box that runs to the end", toTheEnd, all, nullptr, "exs"},
        {"an Exif item in the idat box", heif({.items = inIdat, .ilocVersion = 1, .idat = exif}),
         all, nullptr, "exs"},
        {"too few bytes for a header after the last box", whole + "abc", all,
         "its boxes do not add up to the file", "exs"},
        {"a last box past the end",
         pastTheEnd,
         {"ftyp", "meta"},
         "its boxes do not add up to the file",
         "exs"},
        {"a 64-bit size smaller than its header",
         heif({.items = sound, .head = shortFtyp}),
         {},
         "its boxes do not add up to the file",
         ""},
        {"no meta box", ftyp + box("mdat", image), {"ftyp", "mdat"}, "it has no meta box", ""},
        {"a box past the end of the meta box", heif({.items = sound, .properties = iprpPastMeta}),
         all, "the boxes of its meta box do not add up", "ex"},
        {"a full box cut short", heif({.items = sound, .primary = full("pitm", 0, number(1, 1))}),
         all, "its primary item is cut short", "ex"},
        {"an entry of an old version", heif({.items = sound, .information = oldEntry}), all,
         "an item information entry of version 1", "es"},
        {"an extent past the end", heif({.items = pastItsEnd}), all,
         "the data of item 2 lies past its end", "xs"},
        {"two items over the same bytes", heif({.items = overlapping}), all,
         "the data of two items overlap", "exs"},
        {"item locations cut short in an item", heif({.items = sound, .cut = 1}), all,
         "its item locations are cut short", "exs"},
        {"fields of two bytes", heif({.items = sound, .fieldSizes = 0x2200}), all,
         "item locations with 2-byte fields", "s"},
        {"data by a data reference", heif({.items = elsewhere}), all,
         "item 2 keeps its data in a form not written here", "exs"},
        {"data by an item offset", heif({.items = offsetItem, .ilocVersion = 1}), all,
         "item 2 keeps its data in a form not written here", "xs"},
    };
    const auto edit = resolveEdit({}, {}, {{PropertyKeys::GpsSet, PropertyKeys::removal()}});
    ASSERT_TRUE(edit.isOk());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QList<QByteArray> top;
        for (const IsoBox& b : BoxWalk(c.bytes))
            top << b.type;
        EXPECT_EQ(top, c.top);
        const HeifItems items = HeifItems::read(c.bytes);
        EXPECT_EQ(items.damage, c.damage ? QStringLiteral("damaged HEIF: ") + c.damage : QString());
        const MetadataBlocks blocks = findMetadataBlocks(PhotoFormat::Heif, c.bytes);
        const QByteArray found(c.found);
        EXPECT_EQ(blocks.exif, found.contains('e') ? exif.mid(10) : QByteArray());
        EXPECT_EQ(!blocks.xmp.isEmpty(), found.contains('x'));
        EXPECT_EQ(heifPrimaryImageSize(c.bytes),
                  found.contains('s') ? std::optional(QSize(64, 48)) : std::nullopt);
        const ContainerAnswer written = rewriteHeifInPlace(c.bytes, edit.value());
        EXPECT_EQ(written.kind(),
                  c.damage ? ContainerAnswer::Kind::Refused : ContainerAnswer::Kind::Planned);
        EXPECT_EQ(written.result().isOk() ? QString() : written.result().error(), items.damage);
    }
}

TEST(ContainerFacts, tellsCompletePhotosFromTruncatedOnes) {
    for (const QString& name : {QStringLiteral("DSCN0010.jpg"), QStringLiteral("multipage.tiff"),
                                QStringLiteral("photo.png"), QStringLiteral("photo.webp")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray whole = fileBytes(fixturePath(name));
        const PhotoFormat format = sniffPhotoFormat(whole);
        EXPECT_TRUE(checkImageDataComplete(format, whole).isOk());
        EXPECT_FALSE(checkImageDataComplete(format, whole.left(whole.size() - 100)).isOk());
        EXPECT_FALSE(checkImageDataComplete(format, whole.left(whole.size() / 2)).isOk());
    }
    // Bytes after a JPEG's end marker (camera trailers) do not make it incomplete.
    const QByteArray jpeg = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    EXPECT_TRUE(checkImageDataComplete(PhotoFormat::Jpeg, jpeg + QByteArray(64, 'x')).isOk());
}

TEST(ContainerFacts, refusesAPhotoShortOfItsLastFewBytes) {
    for (const QString& name : {QStringLiteral("DSCN0010.jpg"), QStringLiteral("photo.png"),
                                QStringLiteral("photo.webp")}) {
        const QByteArray whole = fileBytes(fixturePath(name));
        const PhotoFormat format = sniffPhotoFormat(whole);
        for (int missing = 1; missing <= 8; ++missing) {
            SCOPED_TRACE(name.toStdString() + " less " + std::to_string(missing));
            const Status complete =
                checkImageDataComplete(format, whole.left(whole.size() - missing));
            EXPECT_FALSE(complete.isOk());
            EXPECT_EQ(complete.error(), QStringLiteral("truncated or damaged image data"));
        }
    }
}

// Our own parsers of container structure run before the metadata library on
// every photo: whatever the bytes, they must stay inside them (the sanitizer
// build turns any stray read into a failure) and answer what the bytes say.
TEST(ContainerFacts, answerForDamagedContainersWhatTheirBytesSay) {
    const QString incomplete = QStringLiteral("truncated or damaged image data");
    const QStringList tiffRefusals = {
        QStringLiteral("truncated TIFF"),
        QStringLiteral("damaged TIFF: first directory out of the file"),
        QStringLiteral("damaged TIFF: first directory truncated"),
        QStringLiteral("damaged Photoshop block")};
    QRandomGenerator random(20261206);
    for (const QString& name :
         {QStringLiteral("DSCN0010.jpg"), QStringLiteral("multipage.tiff"),
          QStringLiteral("photo.png"), QStringLiteral("photo.webp"),
          QStringLiteral("IMG_5195.HEIC"), QStringLiteral("tiff-photoshop-block-overread.tif")}) {
        SCOPED_TRACE(name.toStdString());
        const QByteArray original = fileBytes(fixturePath(name));
        const PhotoFormat originalFormat = sniffPhotoFormat(original);
        const auto originalScan = jpegFirstScanOffset(original);
        const auto originalSize = heifPrimaryImageSize(original);
        const int originalPages = countImages(PhotoFormat::Tiff, original);
        for (int round = 0; round < 400; ++round) {
            SCOPED_TRACE(round);
            const qsizetype length =
                qsizetype(random.bounded(int(std::min<qsizetype>(original.size(), 8192)))) + 1;
            ASSERT_LT(length, original.size());

            // Cut short: each parser gives the answer the cut decides.
            const QByteArray cut = original.left(length);
            const PhotoFormat format = sniffPhotoFormat(cut);
            if (length >= 32) {
                EXPECT_EQ(format, originalFormat);
            }
            if (format == originalFormat && format != PhotoFormat::Heif) {
                const Status complete = checkImageDataComplete(format, cut);
                EXPECT_FALSE(complete.isOk());
                EXPECT_EQ(complete.error(), incomplete);
            }
            if (originalFormat == PhotoFormat::Jpeg) {
                EXPECT_EQ(jpegFirstScanOffset(cut),
                          length >= *originalScan + 4 ? originalScan : std::nullopt);
            }
            const auto size = heifPrimaryImageSize(cut);
            EXPECT_TRUE(!size || size == originalSize);
            if (originalFormat == PhotoFormat::Tiff) {
                const int pages = countImages(PhotoFormat::Tiff, cut);
                EXPECT_GE(pages, 1);
                EXPECT_LE(pages, originalPages);
            }

            // Cut and scrambled: refused with the parser's reason, or
            // accepted with an answer that lies inside the bytes.
            QByteArray bytes = cut;
            const int flips = random.bounded(1, 12);
            for (int i = 0; i < flips && !bytes.isEmpty(); ++i)
                bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
            if (round % 2)
                bytes = original.left(4) + bytes.mid(4); // keep the magic so the parsers go deep
            const Status complete = checkImageDataComplete(sniffPhotoFormat(bytes), bytes);
            if (!complete) {
                EXPECT_EQ(complete.error(), incomplete);
            }
            if (const auto scan = jpegFirstScanOffset(bytes)) {
                ASSERT_LE(*scan + 2, bytes.size());
                EXPECT_EQ(quint8(bytes[*scan]), 0xFF);
                EXPECT_EQ(quint8(bytes[*scan + 1]), 0xDA);
            }
            if (heifPrimaryImageSize(bytes)) {
                EXPECT_TRUE(bytes.contains("ispe"));
            }
            const int pages = countImages(PhotoFormat::Tiff, bytes);
            EXPECT_GE(pages, 1);
            EXPECT_LE(pages, std::max<qsizetype>(1, bytes.size() / 2));
            if (bytes.startsWith("II") || bytes.startsWith("MM")) {
                const Status safe = checkTiffIsSafeToWrite(bytes);
                if (!safe) {
                    EXPECT_TRUE(tiffRefusals.contains(safe.error())) << qPrintable(safe.error());
                }
            }
        }
    }
}
