#include "metadata/PropertyKeys.h"
#include "metadata/engine/LibraryWriter.h"
#include "metadata/engine/PropertyReader.h"
#include "metadata/engine/PropertyWriter.h"
#include "metadata/engine/WritePlan.h"
#include "metadata/engine/WriteVerification.h"
#include "support/TestPhotos.h"

#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace PropertyKeys;

// The writer through its public entry only: each photo is written with a
// change, then read back by exiftool, the exiv2 tool and our own reader.
namespace {

QVariantMap dictionaryOf(const QByteArray& bytes) {
    const auto properties = readPhotoProperties(bytes);
    EXPECT_TRUE(properties.isOk()) << qPrintable(properties.error());
    return properties.isOk() ? properties->dictionary : QVariantMap();
}

// A copy of a fixture changed by the exiv2 tool, as another program left it.
QString crafted(const TestFolder& folder, const QString& as, const QStringList& commands,
                const QString& fixture = QStringLiteral("DSCN0010.jpg")) {
    const QString path = folder.copyPhoto(fixture, as);
    QStringList arguments;
    for (const QString& command : commands)
        arguments << QStringLiteral("-M") + command;
    int exitCode = -1;
    runTool(QStringLiteral("exiv2"), arguments << path, &exitCode);
    EXPECT_EQ(exitCode, 0) << qPrintable(commands.join(QLatin1String("; ")));
    return path;
}

// Writes the photo at path with the changes into a new file beside it.
QString written(const TestFolder& folder, const QString& path, const QVariantMap& changes,
                const QString& as) {
    const auto result = rewritePhoto(fileBytes(path), changes);
    EXPECT_TRUE(result.isOk()) << qPrintable(result.error());
    return folder.writeFile(as, result.isOk() ? result.value() : QByteArray());
}

// One line of `exiv2 -pv` for the key: tag, group, name, type, count, value.
QStringList exiv2Entry(const QString& file, const QString& key) {
    return runTool(QStringLiteral("exiv2"),
                   {QStringLiteral("-q"), QStringLiteral("-pv"), QStringLiteral("-K"), key, file})
        .simplified()
        .split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The IPTC datasets as `exiv2 -pi` lists them: "key value" in file order.
QStringList iptcLines(const QString& file) {
    QStringList lines;
    for (const QString& line :
         runTool(QStringLiteral("exiv2"), {QStringLiteral("-q"), QStringLiteral("-pi"), file})
             .split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.simplified().split(QLatin1Char(' '));
        lines << fields.first() + QLatin1Char(' ') + fields.mid(3).join(QLatin1Char(' '));
    }
    return lines;
}

} // namespace

TEST(PropertyWriter, keepsTheStoredTypeOfATagItChanges) {
    TestFolder folder;
    const struct {
        const char* key;   // as the exiv2 tool names it
        const char* type;  // stored instead of the tag's default
        const char* value; // crafted value
        QString set;
        QString name;
        QVariant change;
        const char* exiftoolTag;
        double expected;
    } cases[] = {
        {"Exif.Photo.ISOSpeedRatings", "Long", "200", ExifSet, QStringLiteral("ISOSpeedRatings"),
         400, "ExifIFD:ISO", 400},
        {"Exif.Image.ImageWidth", "Long", "640", TiffSet, QStringLiteral("ImageWidth"), 800,
         "IFD0:ImageWidth", 800},
        {"Exif.Image.XResolution", "SRational", "300/1", TiffSet, QStringLiteral("XResolution"),
         240.0, "IFD0:XResolution", 240},
        {"Exif.Image.Orientation", "Long", "1", TiffSet, Orientation, 6, "IFD0:Orientation", 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        const QString key = QLatin1String(c.key);
        const QString source =
            crafted(folder, QStringLiteral("source.jpg"),
                    {QStringLiteral("set %1 %2 %3")
                         .arg(key, QLatin1String(c.type), QLatin1String(c.value))});
        ASSERT_EQ(exiv2Entry(source, key).value(3), QLatin1String(c.type));
        const QString out = written(folder, source, {{c.set, QVariantMap{{c.name, c.change}}}},
                                    QStringLiteral("out.jpg"));
        const QStringList entry = exiv2Entry(out, key);
        EXPECT_EQ(entry.value(3), QLatin1String(c.type)) << qPrintable(entry.join(' '));
        EXPECT_EQ(entry.value(4), QStringLiteral("1"));
        EXPECT_DOUBLE_EQ(exiftoolRead(out).value(QLatin1String(c.exiftoolTag)).toDouble(),
                         c.expected);
        EXPECT_DOUBLE_EQ(dictionaryOf(fileBytes(out)).value(c.set).toMap().value(c.name).toDouble(),
                         c.expected);
    }
}

TEST(PropertyWriter, removesOneIptcDatasetWholeAndKeepsTheOthers) {
    TestFolder folder;
    const QString source = crafted(folder, QStringLiteral("source.jpg"),
                                   {QStringLiteral("set Iptc.Application2.City Paris"),
                                    QStringLiteral("set Iptc.Application2.ObjectName Tower"),
                                    QStringLiteral("add Iptc.Application2.Keywords one"),
                                    QStringLiteral("add Iptc.Application2.Keywords two")});
    ASSERT_TRUE(iptcLines(source).contains(QStringLiteral("Iptc.Application2.City Paris")));
    const QString out =
        written(folder, source, {{IptcSet, QVariantMap{{QStringLiteral("City"), removal()}}}},
                QStringLiteral("out.jpg"));

    const QStringList lines = iptcLines(out);
    for (const QString& line : lines)
        EXPECT_FALSE(line.startsWith(QLatin1String("Iptc.Application2.City"))) << qPrintable(line);
    EXPECT_EQ(lines, (QStringList{QStringLiteral("Iptc.Application2.ObjectName Tower"),
                                  QStringLiteral("Iptc.Application2.Keywords one"),
                                  QStringLiteral("Iptc.Application2.Keywords two")}));
    const QJsonObject tags = exiftoolRead(out);
    EXPECT_FALSE(tags.contains(QStringLiteral("IPTC:City")));
    EXPECT_EQ(tags.value(QStringLiteral("IPTC:ObjectName")).toString(), QStringLiteral("Tower"));
    const QVariantMap iptc = dictionaryOf(fileBytes(out)).value(IptcSet).toMap();
    EXPECT_FALSE(iptc.contains(QStringLiteral("City")));
    EXPECT_EQ(iptc.value(Keywords).toStringList(),
              (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
}

TEST(PropertyWriter, keepsARepeatedDatasetThatIsNoListInItsOrder) {
    TestFolder folder;
    const QString source = crafted(folder, QStringLiteral("source.jpg"),
                                   {QStringLiteral("add Iptc.Application2.Byline A"),
                                    QStringLiteral("add Iptc.Application2.Byline B")});
    const QStringList bylines = {QStringLiteral("Iptc.Application2.Byline A"),
                                 QStringLiteral("Iptc.Application2.Byline B")};
    ASSERT_EQ(iptcLines(source), bylines);

    // Our dictionary shows both.
    const QVariantMap before = dictionaryOf(fileBytes(source));
    EXPECT_EQ(before.value(IptcSet).toMap().value(QStringLiteral("By-line")).toStringList(),
              (QStringList{QStringLiteral("A"), QStringLiteral("B")}));

    // An unrelated change, alone or over the photo's whole dictionary, keeps both.
    QVariantMap whole = before;
    QVariantMap tiff = whole.value(TiffSet).toMap();
    tiff[Artist] = QStringLiteral("Ana");
    whole[TiffSet] = tiff;
    const QList<QVariantMap> changes = {{{TiffSet, QVariantMap{{Artist, QStringLiteral("Ana")}}}},
                                        whole};
    for (const QVariantMap& change : changes) {
        const QString out = written(folder, source, change, QStringLiteral("out.jpg"));
        EXPECT_EQ(iptcLines(out), bylines);
        const QJsonObject tags = exiftoolRead(out);
        EXPECT_EQ(tags.value(QStringLiteral("IPTC:By-line")).toArray(),
                  (QJsonArray{QStringLiteral("A"), QStringLiteral("B")}));
        EXPECT_EQ(tags.value(QStringLiteral("IFD0:Artist")).toString(), QStringLiteral("Ana"));
    }
}

TEST(PropertyWriter, writesAValueCloseToTheOldOne) {
    TestFolder folder;
    const struct {
        const char* craft;
        QString set;
        QString name;
        QVariant change;
        const char* exiftoolTag;
        double expected;
    } cases[] = {
        {"set Exif.GPSInfo.GPSAltitude Rational 1000/1", GpsSet, Altitude, 1000.5,
         "GPS:GPSAltitude", 1000.5},
        {"set Exif.GPSInfo.GPSAltitude Rational 1000/1", GpsSet, Altitude, 999.9, "GPS:GPSAltitude",
         999.9},
        {"set Exif.Image.XResolution Rational 300/1", TiffSet, QStringLiteral("XResolution"),
         300.25, "IFD0:XResolution", 300.25},
        {"set Exif.Photo.FNumber Rational 28/10", ExifSet, QStringLiteral("FNumber"), 2.801,
         "ExifIFD:FNumber", 2.801},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.craft);
        const QString source =
            crafted(folder, QStringLiteral("source.jpg"), {QLatin1String(c.craft)});
        const QString out = written(folder, source, {{c.set, QVariantMap{{c.name, c.change}}}},
                                    QStringLiteral("out.jpg"));
        EXPECT_NEAR(exiftoolRead(out).value(QLatin1String(c.exiftoolTag)).toDouble(), c.expected,
                    1e-9);
        EXPECT_NEAR(dictionaryOf(fileBytes(out)).value(c.set).toMap().value(c.name).toDouble(),
                    c.expected, 1e-9);
    }
}

TEST(PropertyWriter, keepsTheSignOfANegativeSignedRational) {
    TestFolder folder;
    const QString source = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QVariant values[] = {-1, -1.0, -3, qlonglong(-2), -0.5, -1.5};
    for (const QVariant& value : values) {
        SCOPED_TRACE(value.toString().toStdString());
        const QString out = written(
            folder, source, {{ExifSet, QVariantMap{{QStringLiteral("ExposureBiasValue"), value}}}},
            QStringLiteral("out.jpg"));
        EXPECT_DOUBLE_EQ(
            exiftoolRead(out).value(QStringLiteral("ExifIFD:ExposureCompensation")).toDouble(),
            value.toDouble());
        EXPECT_DOUBLE_EQ(dictionaryOf(fileBytes(out))
                             .value(ExifSet)
                             .toMap()
                             .value(QStringLiteral("ExposureBiasValue"))
                             .toDouble(),
                         value.toDouble());
        EXPECT_EQ(exiv2Entry(out, QStringLiteral("Exif.Photo.ExposureBiasValue")).value(3),
                  QStringLiteral("SRational"));
    }
}

TEST(PropertyWriter, refusesAWebPShortOfItsLastBytes) {
    const QByteArray webp = fileBytes(fixturePath(QStringLiteral("photo.webp")));
    ASSERT_TRUE(rewritePhoto(webp, {{GpsSet, removal()}}).isOk());
    for (int missing = 1; missing <= 8; ++missing) {
        SCOPED_TRACE(missing);
        const auto result = rewritePhoto(webp.left(webp.size() - missing), {{GpsSet, removal()}});
        EXPECT_FALSE(result.isOk());
        EXPECT_TRUE(result.error().contains(QLatin1String("truncated")))
            << qPrintable(result.error());
    }
}

// Degrees are written as degrees, minutes and seconds: a value a hair below
// a whole minute or degree must carry over, never show 60 of either.
TEST(PropertyWriter, writesDegreesWithMinutesAndSecondsBelowSixty) {
    TestFolder folder;
    const QString source = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    static const QRegularExpression dms(QStringLiteral("^(\\d+) deg (\\d+)' ([\\d.]+)\""));
    const double values[] = {10.99999999, 10.9999999,   45.99999,   0.0166666666,
                             59.99999999, 89.999999999, 12.5,       33.8688,
                             0.00000001,  179.99999999, 1.00000001, 10.0166666666};
    for (const double value : values) {
        SCOPED_TRACE(std::to_string(value));
        const QString out = written(folder, source,
                                    {{GpsSet, QVariantMap{{Latitude, std::min(value, 90.0)},
                                                          {LatitudeRef, QStringLiteral("N")},
                                                          {Longitude, value},
                                                          {LongitudeRef, QStringLiteral("E")}}}},
                                    QStringLiteral("out.jpg"));
        for (const char* tag : {"GPSLatitude", "GPSLongitude"}) {
            SCOPED_TRACE(tag);
            const double expected =
                QLatin1String(tag) == QLatin1String("GPSLatitude") ? std::min(value, 90.0) : value;
            // The stored rationals.
            const QStringList parts =
                exiv2Entry(out, QStringLiteral("Exif.GPSInfo.") + QLatin1String(tag)).mid(5);
            ASSERT_EQ(parts.size(), 3);
            auto rational = [](const QString& text) {
                return text.section(QLatin1Char('/'), 0, 0).toDouble() /
                       text.section(QLatin1Char('/'), 1, 1).toDouble();
            };
            EXPECT_LT(rational(parts[1]), 60.0) << qPrintable(parts.join(' '));
            EXPECT_LT(rational(parts[2]), 60.0) << qPrintable(parts.join(' '));
            EXPECT_NEAR(rational(parts[0]) + rational(parts[1]) / 60 + rational(parts[2]) / 3600,
                        expected, 1e-7);

            // What exiftool prints, and its decimal value.
            const QString printed =
                runTool(QStringLiteral("exiftool"),
                        {QStringLiteral("-s3"), QStringLiteral("-GPS:") + QLatin1String(tag), out})
                    .trimmed();
            const QRegularExpressionMatch match = dms.match(printed);
            ASSERT_TRUE(match.hasMatch()) << qPrintable(printed);
            EXPECT_LT(match.captured(2).toInt(), 60) << qPrintable(printed);
            EXPECT_LT(match.captured(3).toDouble(), 60.0) << qPrintable(printed);
            EXPECT_NEAR(
                exiftoolRead(out).value(QStringLiteral("GPS:") + QLatin1String(tag)).toDouble(),
                expected, 1e-7);
            EXPECT_NEAR(dictionaryOf(fileBytes(out))
                            .value(GpsSet)
                            .toMap()
                            .value(QString::fromLatin1(tag).mid(3))
                            .toDouble(),
                        expected, 1e-7);
        }
    }
}

// The one check that stands between a written photo and its name, whoever
// wrote it: every planned value must read back, in EXIF and XMP alike, and
// nothing else of the metadata may have changed. The planned creator is a
// string list of one text.
TEST(PropertyWriter, theCheckOfAWrittenPhotoFindsWhatItDidNotPlan) {
    TestFolder folder;
    const QString kodak = QStringLiteral("Kodak_CX7530.jpg");
    const QStringList xmp = {"set Xmp.dc.creator Ann", "set Xmp.xmp.Rating 3"};
    const QByteArray source = fileBytes(crafted(folder, QStringLiteral("source.jpg"), xmp, kodak));
    const QVariantMap changes = {
        {TiffSet, QVariantMap{{Artist, QStringLiteral("X")}}},
        {XmpSet, QVariantMap{{QStringLiteral("dc:creator"), QStringList{QStringLiteral("X")}}}}};
    const auto plan = planWrite(source, changes, {}, nullptr, nullptr, false);
    ASSERT_TRUE(plan.isOk()) << qPrintable(plan.error());
    const QStringList asPlanned = {"set Exif.Image.Artist X", "set Xmp.dc.creator X",
                                   "set Xmp.xmp.Rating 3"};
    const struct {
        const char* what;
        QStringList commands; // what another writer did to the photo
        const char* problem;  // nullptr: what was planned
        qsizetype kept = -1;  // bytes of the written photo that arrive
    } cases[] = {
        {"as planned", asPlanned, nullptr},
        {"the value left out", xmp + QStringList{"set Exif.Image.Software other"},
         "{TIFF}.Artist was not written"},
        {"another value",
         {"set Exif.Image.Artist Y", "set Xmp.dc.creator Y", "set Xmp.xmp.Rating 3"},
         "{TIFF}.Artist reads back as \"Y\" instead of \"X\""},
        {"an entry lost on the way", asPlanned + QStringList{"del Exif.Photo.ExposureTime"},
         "the write changed {Exif}.ExposureTime, which no change asked for"},
        {"an IPTC dataset added on the way",
         asPlanned + QStringList{"add Iptc.Application2.City Siena"},
         "the write changed {IPTC}.City"},
        {"the XMP copy left behind", xmp + QStringList{"set Exif.Image.Artist X"},
         "{XMP}.dc:creator reads back as"},
        {"the XMP copy lost", QStringList{"set Exif.Image.Artist X", "set Xmp.xmp.Rating 3"},
         "{XMP}.dc:creator was not written"},
        {"an XMP value changed on the way", asPlanned + QStringList{"set Xmp.xmp.Rating 5"},
         "the write changed {XMP}.xmp:Rating, which no change asked for"},
        {"the headers cut short", asPlanned, "{TIFF}.Artist was not written", 400},
        {"no JPEG at all", asPlanned, "the written photo is incomplete", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RewritePlan written;
        const QByteArray bytes =
            fileBytes(crafted(folder, QStringLiteral("w.jpg"), c.commands, kodak));
        written.addBytes(c.kept < 0 ? bytes : bytes.left(c.kept));
        const Status status = verifyWrite(source, plan.value(), written, WrittenBy::Us);
        EXPECT_EQ(status.isOk(), c.problem == nullptr) << qPrintable(status.error());
        if (c.problem) {
            EXPECT_TRUE(status.error().contains(QLatin1String(c.problem)))
                << qPrintable(status.error());
        }
    }
}

// The same check holds every writer's output to its plan: each writer here
// writes a model beside the artist, which a plan of the artist alone did not
// ask for.
TEST(PropertyWriter, theCheckHoldsEveryWriterToThePlan) {
    const QVariantMap asked = {{TiffSet, QVariantMap{{Artist, QStringLiteral("X")}}}};
    const QVariantMap more = {
        {TiffSet, QVariantMap{{Artist, QStringLiteral("X")}, {Model, QStringLiteral("Y")}}}};
    const struct {
        const char* photo;
        WrittenBy writer;
    } cases[] = {
        {"DSCN0010.jpg", WrittenBy::Us},  {"DSCN0010.jpg", WrittenBy::Library},
        {"Jobagent.tiff", WrittenBy::Us}, {"Jobagent.tiff", WrittenBy::Library},
        {"photo.png", WrittenBy::Us},     {"photo.png", WrittenBy::Library},
        {"photo.webp", WrittenBy::Us},    {"photo.webp", WrittenBy::Library},
        {"IMG_5195.HEIC", WrittenBy::Us},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.photo) +
                     (c.writer == WrittenBy::Us ? " in place" : " by library"));
        const QByteArray source = fileBytes(fixturePath(QString::fromLatin1(c.photo)));
        const auto wide = planWrite(source, more, {}, nullptr, nullptr, false);
        const auto narrow = planWrite(source, asked, {}, nullptr, nullptr, false);
        ASSERT_TRUE(wide.isOk() && narrow.isOk());
        const auto written = c.writer == WrittenBy::Library
                                 ? rewriteWithLibrary(source, wide->format, wide->edit)
                                 : wide->inPlace(source, wide->edit).result();
        ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
        const Status planned = verifyWrite(source, wide.value(), written.value(), c.writer);
        EXPECT_TRUE(planned.isOk()) << qPrintable(planned.error());
        const Status unasked = verifyWrite(source, narrow.value(), written.value(), c.writer);
        EXPECT_EQ(unasked.error(),
                  QStringLiteral("the write changed {TIFF}.Model, which no change asked for"));
    }
}

// Each set removed by either writer: the set is gone and the other sets read
// back as they were, or the check refuses the write. The library leaves a
// TIFF's packet, and the WebP chunk it does not know, where they were.
TEST(PropertyWriter, eitherWriterRemovesTheSetAndNothingElseOrIsRefused) {
    const QStringList refused = {"multipage.tiff {XMP} by library", "photo.webp {XMP} by library"};
    for (const char* photo : {"DSCN0010.jpg", "multipage.tiff", "photo.png", "photo.webp"}) {
        const QByteArray source = fileBytes(fixturePath(QString::fromLatin1(photo)));
        const QVariantMap before = dictionaryOf(source);
        for (const QString& set : {GpsSet, ExifSet, IptcSet, XmpSet}) {
            if (!before.contains(set))
                continue;
            const auto plan = planWrite(source, {{set, removal()}}, {}, nullptr, nullptr, false);
            ASSERT_TRUE(plan.isOk()) << qPrintable(plan.error());
            for (const WrittenBy writer : {WrittenBy::Us, WrittenBy::Library}) {
                const QString what =
                    QStringLiteral("%1 %2 %3")
                        .arg(QLatin1String(photo), set,
                             writer == WrittenBy::Us ? QStringLiteral("in place")
                                                     : QStringLiteral("by library"));
                SCOPED_TRACE(what.toStdString());
                const auto written = writer == WrittenBy::Library
                                         ? rewriteWithLibrary(source, plan->format, plan->edit)
                                         : plan->inPlace(source, plan->edit).result();
                ASSERT_TRUE(written.isOk()) << qPrintable(written.error());
                const Status checked = verifyWrite(source, plan.value(), written.value(), writer);
                ASSERT_EQ(checked.isOk(), !refused.contains(what)) << qPrintable(checked.error());
                if (!checked)
                    continue;
                const QVariantMap after = dictionaryOf(written->assemble(source));
                EXPECT_FALSE(after.contains(set));
                for (const QString& other : {GpsSet, ExifSet, TiffSet, IptcSet, XmpSet}) {
                    if (other != set && (set != ExifSet || other != GpsSet)) {
                        EXPECT_EQ(after.value(other), before.value(other)) << qPrintable(other);
                    }
                }
            }
        }
    }
}
