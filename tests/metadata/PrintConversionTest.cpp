#include "metadata/PrintConversion.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>

#include <gtest/gtest.h>

#include <tuple>

using namespace PropertyKeys;

namespace {

// exiftool's print conversion of the named tags, file by file.
QList<QJsonObject> exiftoolPrinted(const QStringList& tags, const QStringList& files) {
    QStringList arguments{QStringLiteral("-j"), QStringLiteral("-G1")};
    for (const QString& tag : tags)
        arguments << QLatin1Char('-') + tag;
    const QString json = runTool(QStringLiteral("exiftool"), arguments + files);
    QList<QJsonObject> result;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array())
        result << value.toObject();
    return result;
}

// Our text against exiftool's, with the units and signs it leaves out.
struct Compared {
    const char* set;
    const char* key;
    const char* exiftoolTag;
    QString (*expected)(const QString& printed);
    bool followedByReference = false; // ours adds " N", " S", ...
};

const Compared compared[] = {
    {"{Exif}", "ExposureTime", "ExifIFD:ExposureTime",
     [](const QString& p) { return p + QStringLiteral(" s"); }},
    {"{Exif}", "FNumber", "ExifIFD:FNumber",
     [](const QString& p) { return QStringLiteral("f/") + QString::number(p.toDouble(), 'f', 1); }},
    {"{Exif}", "Flash", "ExifIFD:Flash", [](const QString& p) { return p; }},
    {"{Exif}", "MeteringMode", "ExifIFD:MeteringMode", [](const QString& p) { return p; }},
    {"{GPS}", "Latitude", "GPS:GPSLatitude",
     [](const QString& p) {
         return QString(p).replace(QStringLiteral(" deg"), QStringLiteral("°"));
     },
     true},
};

QString printedText(const QJsonValue& value) {
    return value.isDouble() ? QString::number(value.toDouble()) : value.toString();
}

class PrintConversionTest : public ::testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale::c()); }

    // Every compared key of the photos reads as exiftool prints it.
    void expectExiftoolsTexts(const QStringList& files) {
        QStringList tags;
        for (const Compared& c : compared)
            tags << QString::fromLatin1(c.exiftoolTag).section(QLatin1Char(':'), 1);
        const QList<QJsonObject> printed = exiftoolPrinted(tags, files);
        ASSERT_EQ(printed.size(), files.size());
        for (qsizetype i = 0; i < files.size(); ++i) {
            const auto read = workerService().readProperties(files[i]);
            if (!read)
                continue;
            for (const Compared& c : compared) {
                const QString set = QString::fromLatin1(c.set);
                const QVariantMap values = read->dictionary.value(set).toMap();
                const QJsonValue theirs = printed[i].value(QLatin1String(c.exiftoolTag));
                if (theirs.isUndefined() || !values.contains(QLatin1String(c.key)))
                    continue;
                ++m_compared;
                QString ours = PrintConversion::readable(
                    set, QString::fromLatin1(c.key), values.value(QLatin1String(c.key)), values);
                if (c.followedByReference)
                    ours = ours.section(QLatin1Char(' '), 0, -2);
                EXPECT_EQ(ours, c.expected(printedText(theirs)))
                    << qPrintable(files[i]) << " " << c.key;
            }
        }
    }
    int m_compared = 0;
};

} // namespace

TEST_F(PrintConversionTest, realCameraPhotosReadAsExiftoolPrintsThem) {
    QStringList files;
    for (const QString& name : stillPhotoFixtures())
        files << fixturePath(name);
    for (const QString& name :
         QDir(fixturePath(QStringLiteral("makernotes"))).entryList(QDir::Files))
        files << fixturePath(QStringLiteral("makernotes/") + name);
    expectExiftoolsTexts(files);
    EXPECT_GT(m_compared, 60);

    // The Nikon photo the summary and tree were found raw on.
    const auto nikon = workerService().readProperties(fixturePath(QStringLiteral("DSCN0010.jpg")));
    ASSERT_TRUE(nikon.isOk());
    const QVariantMap exif = nikon->dictionary.value(ExifSet).toMap();
    const QVariantMap gps = nikon->dictionary.value(GpsSet).toMap();
    const std::tuple<QString, QString, QVariant, QString> nikonCases[] = {
        {ExifSet, QStringLiteral("ExposureTime"), exif.value(QStringLiteral("ExposureTime")),
         QStringLiteral("1/75 s")},
        {ExifSet, QStringLiteral("MaxApertureValue"),
         exif.value(QStringLiteral("MaxApertureValue")), QStringLiteral("f/2.7")},
        {ExifSet, QStringLiteral("FocalLength"), exif.value(QStringLiteral("FocalLength")),
         QStringLiteral("24.0 mm")},
        {ExifSet, QStringLiteral("GainControl"), exif.value(QStringLiteral("GainControl")),
         QStringLiteral("None")},
        {ExifSet, DateTimeOriginal, exif.value(DateTimeOriginal),
         QStringLiteral("22 Oct 2008 16:28:39")},
        {GpsSet, Longitude, gps.value(Longitude), QStringLiteral("11° 53' 6.46\" E")},
        {GpsSet, DateStamp, gps.value(DateStamp), QStringLiteral("23 Oct 2008")},
        {ExifSet, QStringLiteral("ExposureBiasValue"), 0.3333, QStringLiteral("+1/3 EV")},
        {ExifSet, QStringLiteral("ExposureBiasValue"), -1.0, QStringLiteral("-1 EV")},
        {ExifSet, QStringLiteral("Flash"), 0x77, QStringLiteral("Unknown (0x77)")},
        {GpsSet, Latitude, 10.999999, QStringLiteral("11° 0' 0.00\" N")},
        {ExifSet, QStringLiteral("SomethingNew"), 0.25, QStringLiteral("0.25")},
    };
    for (const auto& [set, key, value, text] : nikonCases)
        EXPECT_EQ(PrintConversion::readable(set, key, value, set == GpsSet ? gps : exif), text)
            << qPrintable(key);
}

// Every flash and metering value the standard names, written by exiftool.
TEST_F(PrintConversionTest, everyStandardFlashAndMeteringValueReadsAsExiftoolPrintsIt) {
    TestFolder folder;
    const int flashes[] = {0x00, 0x01, 0x05, 0x07, 0x08, 0x09, 0x0d, 0x0f, 0x10,
                           0x14, 0x18, 0x19, 0x1d, 0x1f, 0x20, 0x30, 0x41, 0x45,
                           0x47, 0x49, 0x4d, 0x4f, 0x50, 0x58, 0x59, 0x5d, 0x5f};
    const int meterings[] = {0, 1, 2, 3, 4, 5, 6, 255};
    QStringList arguments;
    QStringList files;
    for (int i = 0; i < int(std::size(flashes)); ++i) {
        const QString file =
            folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), QStringLiteral("f%1.jpg").arg(i));
        // One exiftool run: each photo a command of its own.
        arguments << QStringLiteral("-q") << QStringLiteral("-overwrite_original")
                  << QStringLiteral("-Flash#=%1").arg(flashes[i])
                  << QStringLiteral("-MeteringMode#=%1").arg(meterings[i % std::size(meterings)])
                  << file << QStringLiteral("-execute");
        files << file;
    }
    runTool(QStringLiteral("exiftool"), arguments);
    expectExiftoolsTexts(files);
    EXPECT_GE(m_compared, int(std::size(flashes)) * 2);
}
