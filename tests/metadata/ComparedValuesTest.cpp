#include "editing/EditFormOperation.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/InPlaceRewrite.h"
#include "metadata/engine/MetadataBlocks.h"
#include "metadata/engine/PreparedChanges.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"
#include "metadata/engine/StoredIptc.h"
#include "metadata/engine/TiffEditor.h"
#include "support/TestPhotos.h"

#include <QtEndian>

#include <gtest/gtest.h>

#include <functional>

using namespace PropertyKeys;

// A value-writing rewrite compares only the values it writes with the photo's
// own. Whatever it decodes for that, it must plan exactly what it plans when
// handed the photo's whole dictionary, read beforehand.
namespace {

QVariantMap dictionaryOf(const QByteArray& bytes) {
    const auto properties = readPhotoProperties(bytes);
    EXPECT_TRUE(properties.isOk()) << qPrintable(properties.error());
    return properties.isOk() ? properties->dictionary : QVariantMap();
}

QVariantMap exifSetsOf(const QVariantMap& dictionary) {
    QVariantMap sets;
    for (const QString& set : {TiffSet, ExifSet, GpsSet}) {
        if (dictionary.contains(set))
            sets.insert(set, dictionary.value(set));
    }
    return sets;
}

QVariantMap withValue(QVariantMap changes, const QString& set, const QString& key,
                      const QVariant& value) {
    QVariantMap values = changes.value(set).toMap();
    values.insert(key, value);
    changes.insert(set, values);
    return changes;
}

// A copy of a fixture changed by the exiv2 tool, as another program left it.
QByteArray crafted(const TestFolder& folder, const QString& fixture, const QStringList& commands) {
    const QString path = folder.copyPhoto(fixture, QStringLiteral("crafted.jpg"));
    QStringList arguments;
    for (const QString& command : commands)
        arguments << QStringLiteral("-M") + command;
    int exitCode = -1;
    runTool(QStringLiteral("exiv2"), arguments << path, &exitCode);
    EXPECT_EQ(exitCode, 0) << qPrintable(commands.join(QLatin1String("; ")));
    return fileBytes(path);
}

// The photo with its Photoshop segment given twice, as some programs leave
// resources split over segments.
QByteArray photoshopSegmentTwice(const QByteArray& jpeg) {
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && quint8(jpeg[at]) == 0xFF) {
        const qsizetype length = (quint8(jpeg[at + 2]) << 8) | quint8(jpeg[at + 3]);
        if (quint8(jpeg[at + 1]) == 0xED) {
            const QByteArray segment = jpeg.mid(at, 2 + length);
            return jpeg.left(at) + segment + jpeg.mid(at);
        }
        at += 2 + length;
    }
    ADD_FAILURE() << "no Photoshop segment";
    return jpeg;
}

// The photo with a damaged ICC profile, which the library's whole read gives
// up on: the photo is then read block by block.
QByteArray damagedIcc(QByteArray bytes) {
    const qsizetype marker = bytes.indexOf(QByteArray("ICC_PROFILE\0", 12));
    EXPECT_GT(marker, 0);
    qToBigEndian<quint32>(0x7ffffff0u, bytes.data() + marker + 14);
    bytes.replace(marker + 14 + 36, 4, "xxxx");
    return bytes;
}

// The edit form's Apply with its text fields, as the window hands them.
PlannedRewrite editForm(const QString& keywords, const QString& latitude,
                        const QString& longitude) {
    EditFormFields fields;
    fields.artist = QStringLiteral("Ana Lopez");
    fields.description = QStringLiteral("Lake at dawn");
    fields.copyright = QStringLiteral("CC BY");
    fields.make = QStringLiteral("NIKON");
    fields.model = QStringLiteral("E950");
    fields.date = QStringLiteral("2020:01:02 03:04:05");
    fields.comment = QStringLiteral("calm");
    fields.keywords = keywords;
    fields.latitude = latitude;
    fields.longitude = longitude;
    fields.altitude = QStringLiteral("120");
    fields.gpsDate = QStringLiteral("2014:05:06");
    fields.gpsTime = QStringLiteral("12:34:56");
    const auto plan = editFormPlan(fields);
    EXPECT_TRUE(plan.isOk()) << qPrintable(plan.error());
    return plan.isOk() ? plan.value() : PlannedRewrite();
}

QString ownKeywords(const QVariantMap& own) {
    QStringList words;
    for (const QVariant& word : own.value(IptcSet).toMap().value(Keywords).toList())
        words << word.toString();
    return words.join(QLatin1Char(','));
}

QList<std::pair<QString, QByteArray>> comparedPhotos(const TestFolder& folder) {
    QList<std::pair<QString, QByteArray>> photos;
    for (const QString& name :
         {QStringLiteral("DSCN0010.jpg"), QStringLiteral("Canon_40D.jpg"),
          QStringLiteral("Nikon_D70.jpg"), QStringLiteral("Kodak_CX7530.jpg"),
          QStringLiteral("Pentax_K10D.jpg"), QStringLiteral("BlueSquare.jpg"),
          QStringLiteral("image01551.jpg"), QStringLiteral("long_description.jpg"),
          QStringLiteral("67-0_length_string.jpg"), QStringLiteral("no_exif.jpg"),
          QStringLiteral("multipage.tiff"), QStringLiteral("photo.png")})
        photos.append({name, fileBytes(fixturePath(name))});
    // The same tag twice in one directory: the later one is the photo's value.
    photos.append({QStringLiteral("two artists"),
                   crafted(folder, QStringLiteral("DSCN0010.jpg"),
                           {QStringLiteral("add Exif.Image.Artist Ascii Ana Lopez"),
                            QStringLiteral("add Exif.Image.Artist Ascii Somebody")})});
    photos.append({QStringLiteral("two altitudes"),
                   crafted(folder, QStringLiteral("DSCN0010.jpg"),
                           {QStringLiteral("add Exif.GPSInfo.GPSAltitude Rational 10/1"),
                            QStringLiteral("add Exif.GPSInfo.GPSAltitude Rational 20/1")})});
    photos.append({QStringLiteral("GPS and keywords"),
                   crafted(folder, QStringLiteral("DSCN0010.jpg"),
                           {QStringLiteral("add Iptc.Application2.Keywords String lake"),
                            QStringLiteral("add Iptc.Application2.Keywords String hills"),
                            QStringLiteral("add Iptc.Application2.City String Siena")})});
    photos.append({QStringLiteral("keywords, no GPS"),
                   crafted(folder, QStringLiteral("Nikon_D70.jpg"),
                           {QStringLiteral("add Iptc.Application2.Keywords String lake"),
                            QStringLiteral("add Iptc.Application2.Byline String Ana")})});
    // Texts as other programs store them: padded with NULs, cut by one, in
    // Latin-1. Compared without the library's values, they must still read
    // as its decode reads them.
    const QByteArray artist = crafted(folder, QStringLiteral("DSCN0010.jpg"),
                                      {QStringLiteral("set Exif.Image.Artist Ascii Ana Lopez")});
    for (const QByteArray& stored :
         {QByteArray("Ana\0\0\0\0\0\0\0", 10), QByteArray("\0na Lopez\0", 10),
          QByteArray("Jos\xe9 Lope\0", 10)}) {
        QByteArray bytes = artist;
        const qsizetype at = bytes.indexOf(QByteArray("Ana Lopez\0", 10));
        EXPECT_GT(at, 0);
        bytes.replace(at, stored.size(), stored);
        photos.append(
            {QStringLiteral("artist stored as ") + QString::fromLatin1(stored.toHex()), bytes});
    }
    photos.append(
        {QStringLiteral("two Photoshop segments"),
         photoshopSegmentTwice(fileBytes(fixturePath(QStringLiteral("BlueSquare.jpg"))))});
    photos.append({QStringLiteral("damaged ICC"),
                   damagedIcc(fileBytes(fixturePath(QStringLiteral("BlueSquare.jpg"))))});
    {
        // Its IPTC datasets in the EXIF block, none in a Photoshop segment.
        const QString path =
            folder.copyPhoto(QStringLiteral("BlueSquare.jpg"), QStringLiteral("exif-iptc.jpg"));
        int exitCode = -1;
        runTool(QStringLiteral("exiv2"), {QStringLiteral("-di"), QStringLiteral("rm"), path},
                &exitCode);
        EXPECT_EQ(exitCode, 0);
        const QString datasets =
            folder.writeFile(QStringLiteral("iptc.bin"), QByteArray("\x1c\x02\x19\x00\x04lake", 9));
        runTool(QStringLiteral("exiftool"),
                {QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                 QStringLiteral("-IFD0:IPTC-NAA<=") + datasets, path},
                &exitCode);
        EXPECT_EQ(exitCode, 0);
        photos.append({QStringLiteral("damaged ICC, IPTC in EXIF"), damagedIcc(fileBytes(path))});
    }
    return photos;
}

} // namespace

TEST(ComparedValues, planTheSameAsAgainstTheWholeDictionary) {
    TestFolder folder;
    using Changes = std::function<QVariantMap(const QVariantMap& own)>;
    const struct {
        const char* name;
        Changes changes;
        bool unchanged;            // the photo's own values only: its bytes come back as they are
        QStringList replaced = {}; // sets the changes give whole
    } cases[] = {
        {"its own TIFF, EXIF and GPS sets", [](const QVariantMap& own) { return exifSetsOf(own); },
         true},
        {"its own make alone",
         [](const QVariantMap& own) {
             return withValue({}, TiffSet, Make, own.value(TiffSet).toMap().value(Make));
         },
         false},
        {"its own sets with another artist",
         [](const QVariantMap& own) {
             return withValue(exifSetsOf(own), TiffSet, Artist, QStringLiteral("Ana Lopez"));
         },
         false},
        {"an artist and a removed model",
         [](const QVariantMap&) {
             return withValue(withValue({}, TiffSet, Artist, QStringLiteral("Ana Lopez")), TiffSet,
                              Model, removal());
         },
         false},
        {"a lens model",
         [](const QVariantMap&) {
             return withValue({}, ExifSet, LensModel, QStringLiteral("Prime 50"));
         },
         false},
        {"a position",
         [](const QVariantMap&) {
             return QVariantMap{{GpsSet, QVariantMap{{Latitude, QVariant(43.4f)},
                                                     {LatitudeRef, QStringLiteral("N")},
                                                     {Longitude, QVariant(11.8f)},
                                                     {LongitudeRef, QStringLiteral("E")}}}};
         },
         false},
        {"a key the set does not know",
         [](const QVariantMap&) {
             return withValue({}, ExifSet, QStringLiteral("NoSuchTag"), QStringLiteral("x"));
         },
         false},
        {"an orientation",
         [](const QVariantMap&) {
             return QVariantMap{{Orientation, 6}};
         },
         false},
        {"keywords and an artist",
         [](const QVariantMap&) {
             return withValue(withValue({}, IptcSet, Keywords, QStringList{"lake", "hills"}),
                              TiffSet, Artist, QStringLiteral("Ana Lopez"));
         },
         false},
        {"the edit form's every field",
         [](const QVariantMap&) {
             return editForm(QStringLiteral("lake, hills"), QStringLiteral("43.4"),
                             QStringLiteral("11.8"))
                 .changes;
         },
         false,
         {GpsSet}},
        {"the edit form with the photo's own keywords",
         [](const QVariantMap& own) {
             return editForm(ownKeywords(own), QStringLiteral("-33.9"), QStringLiteral("151.2"))
                 .changes;
         },
         false,
         {GpsSet}},
        {"the edit form without keywords or a position",
         [](const QVariantMap&) { return editForm({}, {}, {}).changes; }, false},
        {"a position replacing the GPS set",
         [](const QVariantMap&) {
             return QVariantMap{{GpsSet, QVariantMap{{Latitude, QVariant(43.4f)},
                                                     {LatitudeRef, QStringLiteral("N")},
                                                     {Longitude, QVariant(11.8f)},
                                                     {LongitudeRef, QStringLiteral("E")}}}};
         },
         false,
         {GpsSet}},
        {"its own GPS set replacing itself",
         [](const QVariantMap& own) {
             return QVariantMap{{GpsSet, own.value(GpsSet).toMap()}};
         },
         true,
         {GpsSet}},
    };

    const auto photos = comparedPhotos(folder);
    for (const auto& [name, source] : photos) {
        const QVariantMap own = dictionaryOf(source);
        for (const auto& c : cases) {
            SCOPED_TRACE(name.toStdString() + ": " + c.name);
            const QVariantMap changes = c.changes(own);
            RewriteJob job;
            job.changes = changes;
            job.replacedSets = c.replaced;
            const auto prepared = prepareChanges(source, job);
            ASSERT_TRUE(prepared.isOk()) << prepared.error().toStdString();
            const auto cheap = planRewrite(source, prepared->changes, {}, &prepared->dictionary,
                                           prepared->exifBlock);
            const auto whole = planRewrite(
                source, changesOf(own, job, sniffPhotoFormat(source), source), {}, &own);
            ASSERT_EQ(cheap.isOk(), whole.isOk());
            if (!cheap.isOk()) {
                EXPECT_EQ(cheap.error(), whole.error());
                continue;
            }
            const QByteArray written = cheap->assemble(source);
            EXPECT_EQ(written, whole->assemble(source));
            if (c.unchanged) {
                EXPECT_EQ(written, source);
            }
        }
    }
}

TEST(ComparedValues, writeOnlyTheValueThatDiffers) {
    // The artist changes and the photo's own make is left exactly as it was.
    TestFolder folder;
    const QByteArray source = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const QVariantMap own = dictionaryOf(source);
    const auto written = rewritePhoto(
        source, {{TiffSet, QVariantMap{{Artist, QStringLiteral("Ana Lopez")},
                                       {Make, own.value(TiffSet).toMap().value(Make)}}}});
    ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
    const QString path = folder.writeFile(QStringLiteral("out.jpg"), written.value());
    QJsonObject after = withoutVolatileTags(exiftoolRead(path));
    QJsonObject before =
        withoutVolatileTags(exiftoolRead(fixturePath(QStringLiteral("DSCN0010.jpg"))));
    EXPECT_EQ(after.take(QStringLiteral("IFD0:Artist")).toString(), QStringLiteral("Ana Lopez"));
    before.remove(QStringLiteral("IFD0:Artist"));
    EXPECT_EQ(after.value(QStringLiteral("IFD0:Make")).toString(), QStringLiteral("NIKON"));
    EXPECT_EQ(after, before);
}

TEST(ComparedValues, lookUpTheIptcDatasetsAlone) {
    // Where the datasets are looked up on their own, they give the IPTC set
    // the whole read gives; where the library might gather them otherwise,
    // nothing is looked up.
    TestFolder folder;
    const QMap<QString, bool> lookedUp = {
        {QStringLiteral("DSCN0010.jpg"), true},
        {QStringLiteral("Nikon_D70.jpg"), true},
        {QStringLiteral("BlueSquare.jpg"), true},
        {QStringLiteral("no_exif.jpg"), true},
        {QStringLiteral("GPS and keywords"), true},
        {QStringLiteral("keywords, no GPS"), true},
        {QStringLiteral("67-0_length_string.jpg"), true},
        {QStringLiteral("two Photoshop segments"), false},
    };
    for (const auto& [name, source] : comparedPhotos(folder)) {
        SCOPED_TRACE(name.toStdString());
        const QVariantMap own = dictionaryOf(source).value(IptcSet).toMap();
        QSet<QString> names{Keywords, QStringLiteral("City")};
        QVariantMap written;
        for (auto it = own.cbegin(); it != own.cend(); ++it)
            names.insert(it.key());
        for (const QString& key : names)
            written.insert(key, QStringLiteral("x"));
        // Whichever way they are looked up, they are the photo's own.
        const auto compared =
            readComparedValues(source, sniffPhotoFormat(source), {{IptcSet, written}}, {});
        if (compared) {
            EXPECT_EQ(compared->values.value(IptcSet).toMap(), own);
        }
        if (!lookedUp.contains(name))
            continue;
        const auto values = storedIptcValues(source, names);
        ASSERT_EQ(values.has_value(), lookedUp.value(name));
        if (values) {
            EXPECT_EQ(*values, own);
        }
    }
}

TEST(ComparedValues, editStartsFromTheParsedBlockOnlyWhenItIsThePhotos) {
    // The comparison hands its parse of the EXIF block to the edit. A parse
    // of another photo's block must not be taken for this one's; the photo's
    // own gives the same bytes as parsing it again.
    const QByteArray nikon = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const QByteArray canon = fileBytes(fixturePath(QStringLiteral("Canon_40D.jpg")));
    const auto parse = [](const QByteArray& photo) {
        const MetadataBlocks blocks = findMetadataBlocks(PhotoFormat::Jpeg, photo);
        auto editor = TiffEditor::open(blocks.exif, TiffEditor::Origin::ExifBlock);
        EXPECT_TRUE(editor.isOk());
        return std::make_shared<const TiffEditor>(std::move(editor.value()));
    };
    const QVariantMap changes{{TiffSet, QVariantMap{{Artist, QStringLiteral("Ana Lopez")}}}};
    for (const QByteArray* photo : {&nikon, &canon}) {
        const QVariantMap own = dictionaryOf(*photo);
        const auto plain = planRewrite(*photo, changes, {}, &own);
        ASSERT_TRUE(plain.isOk()) << qPrintable(plain.error());
        const QByteArray expected = plain->assemble(*photo);
        for (const QByteArray* parsedFrom : {&nikon, &canon}) {
            const auto planned = planRewrite(*photo, changes, {}, &own, parse(*parsedFrom));
            ASSERT_TRUE(planned.isOk()) << qPrintable(planned.error());
            EXPECT_EQ(planned->assemble(*photo), expected);
        }
    }
    EXPECT_EQ(dictionaryOf(planRewrite(canon, changes, {}, nullptr, parse(nikon))->assemble(canon))
                  .value(TiffSet)
                  .toMap()
                  .value(Make),
              QStringLiteral("Canon"));
}
