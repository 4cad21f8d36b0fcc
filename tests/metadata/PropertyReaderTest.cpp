#include "metadata/engine/PropertyReader.h"
#include "metadata/AtomicFile.h"
#include "metadata/DisplayNames.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/TagTable.h"
#include "support/TestPhotos.h"

#include <QJsonArray>
#include <QSet>

#include <gtest/gtest.h>

using namespace PropertyKeys;

namespace {

const QStringList dozenPhotos = {
    QStringLiteral("DSCN0010.jpg"),
    QStringLiteral("Kodak_CX7530.jpg"),
    QStringLiteral("BlueSquare.jpg"),
    QStringLiteral("no_exif.jpg"),
    QStringLiteral("Canon_40D.jpg"),
    QStringLiteral("Nikon_D70.jpg"),
    QStringLiteral("Pentax_K10D.jpg"),
    QStringLiteral("long_description.jpg"),
    QStringLiteral("67-0_length_string.jpg"),
    QStringLiteral("Arbitro.tiff"),
    QStringLiteral("multipage.tiff"),
    QStringLiteral("photo.png"),
    QStringLiteral("photo.webp"),
    QStringLiteral("IMG_5195.HEIC"),
};

bool hasGroup(const QJsonObject& tags, const QString& group) {
    for (const QString& key : tags.keys()) {
        if (key.startsWith(group + QLatin1Char(':')))
            return true;
    }
    return false;
}

PhotoProperties read(const QString& path) {
    const auto bytes = readWholeFile(path);
    EXPECT_TRUE(bytes.isOk()) << qPrintable(bytes.error());
    const auto properties = readPhotoProperties(bytes.value());
    EXPECT_TRUE(properties.isOk()) << qPrintable(path) << ": " << qPrintable(properties.error());
    return properties.isOk() ? properties.value() : PhotoProperties();
}

QStringList asStrings(const QJsonValue& value) {
    QStringList items;
    if (value.isArray()) {
        for (const QJsonValue& item : value.toArray())
            items << item.toVariant().toString();
    } else if (!value.isUndefined()) {
        items << value.toVariant().toString();
    }
    return items;
}

} // namespace

TEST(PropertyDictionary, agreesWithExiftoolOnADozenRealPhotos) {
    QStringList paths;
    for (const QString& name : dozenPhotos)
        paths << fixturePath(name);
    const QList<QJsonObject> theirs = exiftoolRead(paths);
    ASSERT_EQ(theirs.size(), paths.size());
    for (int i = 0; i < paths.size(); ++i) {
        SCOPED_TRACE(dozenPhotos[i].toStdString());
        const QJsonObject& tags = theirs[i];
        const QVariantMap ours = read(paths[i]).dictionary;

        // Pixel sizes.
        const QStringList size = tags.value(QStringLiteral("Composite:ImageSize"))
                                     .toVariant()
                                     .toString()
                                     .split(QRegularExpression(QStringLiteral("[ x]")));
        ASSERT_EQ(size.size(), 2);
        EXPECT_EQ(ours.value(PixelWidth).toInt(), size[0].toInt());
        EXPECT_EQ(ours.value(PixelHeight).toInt(), size[1].toInt());

        // The sets a photo has are the groups exiftool finds.
        EXPECT_EQ(ours.contains(GpsSet), hasGroup(tags, QStringLiteral("GPS")));
        EXPECT_EQ(ours.contains(IptcSet), hasGroup(tags, QStringLiteral("IPTC")));
        EXPECT_EQ(ours.contains(ExifSet), hasGroup(tags, QStringLiteral("ExifIFD")));

        // The TIFF/EXIF split: the main directory's tags and the EXIF directory's.
        const QVariantMap tiff = ours.value(TiffSet).toMap();
        const QVariantMap exif = ours.value(ExifSet).toMap();
        for (const auto& [key, theirKey] :
             {std::pair{Make, QStringLiteral("IFD0:Make")},
              std::pair{Model, QStringLiteral("IFD0:Model")},
              std::pair{DateTime, QStringLiteral("IFD0:ModifyDate")}}) {
            if (tags.contains(theirKey)) {
                EXPECT_EQ(tiff.value(key).toString().trimmed(),
                          tags.value(theirKey).toVariant().toString().trimmed());
            } else {
                EXPECT_FALSE(tiff.contains(key));
            }
        }
        if (tags.contains(QStringLiteral("ExifIFD:DateTimeOriginal"))) {
            EXPECT_EQ(exif.value(DateTimeOriginal).toString(),
                      tags.value(QStringLiteral("ExifIFD:DateTimeOriginal")).toString());
        }
        if (tags.contains(QStringLiteral("ExifIFD:FNumber"))) {
            EXPECT_NEAR(exif.value(QStringLiteral("FNumber")).toDouble(),
                        tags.value(QStringLiteral("ExifIFD:FNumber")).toDouble(), 1e-6);
        }
        EXPECT_FALSE(tiff.contains(DateTimeOriginal));
        EXPECT_FALSE(exif.contains(Make));

        // GPS numbers carry no sign; the sign is in the reference.
        if (ours.contains(GpsSet)) {
            const QVariantMap gps = ours.value(GpsSet).toMap();
            const double latitude =
                gps.value(Latitude).toDouble() *
                (gps.value(LatitudeRef).toString() == QLatin1String("N") ? 1 : -1);
            const double longitude =
                gps.value(Longitude).toDouble() *
                (gps.value(LongitudeRef).toString() == QLatin1String("E") ? 1 : -1);
            EXPECT_NEAR(latitude, tags.value(QStringLiteral("Composite:GPSLatitude")).toDouble(),
                        1e-6);
            EXPECT_NEAR(longitude, tags.value(QStringLiteral("Composite:GPSLongitude")).toDouble(),
                        1e-6);
        }

        // Keywords are always a list, in the photo's order.
        if (ours.contains(IptcSet)) {
            const QVariant keywords = ours.value(IptcSet).toMap().value(Keywords);
            const QStringList expected = asStrings(tags.value(QStringLiteral("IPTC:Keywords")));
            if (!expected.isEmpty()) {
                EXPECT_EQ(keywords.typeId(), QMetaType::QVariantList);
                EXPECT_EQ(keywords.toStringList(), expected);
            }
        }
    }
}

TEST(PropertyDictionary, readsSouthAndWestAsReferencesWithPositiveNumbers) {
    const QVariantMap south =
        read(fixturePath(QStringLiteral("Kodak_CX7530.jpg"))).dictionary.value(GpsSet).toMap();
    EXPECT_EQ(south.value(LatitudeRef).toString(), QStringLiteral("S"));
    EXPECT_GT(south.value(Latitude).toDouble(), 0);
    const QVariantMap west =
        read(fixturePath(QStringLiteral("IMG_5195.HEIC"))).dictionary.value(GpsSet).toMap();
    EXPECT_EQ(west.value(LongitudeRef).toString(), QStringLiteral("W"));
    EXPECT_GT(west.value(Longitude).toDouble(), 0);
}

TEST(PropertyDictionary, keepsGpsTextsVersionAndTimeStampReadable) {
    const QVariantMap gps =
        read(fixturePath(QStringLiteral("DSCN0010.jpg"))).dictionary.value(GpsSet).toMap();
    EXPECT_EQ(gps.value(TimeStamp).toString(), QStringLiteral("14:27:07.24"));
    EXPECT_EQ(gps.value(DateStamp).toString(), QStringLiteral("2008:10:23"));
    EXPECT_FALSE(gps.contains(QStringLiteral("GPSLatitude"))) << "the GPS prefix is dropped";
}

TEST(PropertyDictionary, countsThePagesOfAMultiPageTiff) {
    EXPECT_EQ(read(fixturePath(QStringLiteral("multipage.tiff"))).imageCount, 2);
    EXPECT_EQ(read(fixturePath(QStringLiteral("DSCN0010.jpg"))).imageCount, 1);
}

TEST(PropertyDictionary, refusesWhatIsNotAStillPhoto) {
    TestFolder folder;
    const QByteArray jpeg = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    const struct {
        const char* what;
        QByteArray bytes;
    } cases[] = {
        {"an empty file", QByteArray()},
        {"text", QByteArray("just some words, not a photo")},
        {"a RIFF file that is not WebP",
         fileBytes(fixturePath(QStringLiteral("riff-idit-chunk-overflow.fuzzed")))},
        {"the first 100 bytes of a JPEG", jpeg.left(100)},
        {"a JPEG start marker alone", QByteArray("\xFF\xD8\xFF", 3)},
        {"a TIFF header pointing nowhere", QByteArray("II*\0\xFF\xFF\xFF\x7F", 8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = readPhotoProperties(c.bytes);
        EXPECT_FALSE(result.isOk());
        EXPECT_FALSE(result.error().isEmpty());
    }
}

TEST(PropertyDictionary, readsJpegsWithDamagedMetadataWithoutFailingTheProcess) {
    // Broken photos from the field: each either reads or says why.
    for (const QString& name :
         {QStringLiteral("image01551.jpg"), QStringLiteral("67-0_length_string.jpg")}) {
        const auto bytes = readWholeFile(fixturePath(name));
        ASSERT_TRUE(bytes.isOk());
        for (qsizetype cut : {bytes->size(), bytes->size() / 2, qsizetype(3000), qsizetype(200)}) {
            const auto result = readPhotoProperties(bytes->left(cut));
            EXPECT_TRUE(result.isOk() || !result.error().isEmpty());
        }
    }
}

TEST(DisplayNames, showsKnownKeysByNameAndOthersAsTheirWords) {
    const std::pair<const char*, const char*> cases[] = {
        {"{Exif}", "Exif"},
        {"{XMP}", "XMP"},
        {"{MakerApple}", "MakerApple"},
        {"DateTimeOriginal", "Date Time Original"},
        {"GainControl", "Gain Control"},
        {"FocalPlaneXResolution", "Focal Plane X Resolution"},
        {"dc:creator", "dc:creator"},
        {"By-line", "Byline"},
        {"Caption-Abstract", "Caption-Abstract"},
    };
    for (const auto& [key, name] : cases)
        EXPECT_EQ(displayNameForKey(QString::fromLatin1(key)), QString::fromLatin1(name)) << key;
}

// Every reader, writer and check takes its facts of a tag from one row: a row
// whose number, group or type is not the library's would have them treat
// another tag so, and a row given twice would answer by chance.
TEST(TagTable, eachRowIsTheTagTheLibraryKnowsByItsNumberAndGroup) {
    QSet<std::pair<int, quint16>> seen;
    for (const TagTable::Row& row : TagTable::rows) {
        const std::string what = std::string(TagTable::groupName(row.group)) + "." +
                                 std::string(row.name) + " " + std::to_string(row.number);
        EXPECT_FALSE(seen.contains({int(row.group), row.number})) << what << " is listed twice";
        seen.insert({int(row.group), row.number});
        EXPECT_EQ(TagTable::find(row.group, row.number), &row) << what;
        const auto library = TagTable::libraryTag(row);
        if (!library) {
            // Known to the engine alone: the library must not know its name
            // by another number either.
            if (const auto named = TagTable::libraryTagNamed(row))
                ADD_FAILURE() << what << " is " << named->number << " to the library";
            continue;
        }
        EXPECT_EQ(library->name, row.name) << what;
        EXPECT_EQ(library->type, row.type) << what;
    }
}
