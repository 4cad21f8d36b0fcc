#include "metadata/PrintConversion.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>

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

QString same(const QString& printed) {
    return printed;
}

// Two decimals at most, as ours rounds what exiftool prints whole.
QString twoDecimals(const QString& printed) {
    QString text = QString::number(printed.toDouble(), 'f', 2);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

// "1.539999962-6mm f/1.8-2.4" as "1.54-6 mm f/1.8-2.4"; f/0 is not known.
QString lensText(const QString& printed) {
    const QRegularExpressionMatch m =
        QRegularExpression(
            QStringLiteral("^([\\d.]+)(?:-([\\d.]+))?mm f/([\\d.]+)(?:-([\\d.]+))?$"))
            .match(printed);
    if (!m.hasMatch())
        return printed;
    QString text = twoDecimals(m.captured(1));
    if (!m.captured(2).isEmpty())
        text += QLatin1Char('-') + twoDecimals(m.captured(2));
    text += QStringLiteral(" mm");
    if (m.captured(3).toDouble() > 0) {
        text += QStringLiteral(" f/") + QString::number(m.captured(3).toDouble(), 'f', 1);
        if (!m.captured(4).isEmpty())
            text += QLatin1Char('-') + QString::number(m.captured(4).toDouble(), 'f', 1);
    }
    return text;
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
    {"{Exif}", "Flash", "ExifIFD:Flash", same},
    {"{Exif}", "MeteringMode", "ExifIFD:MeteringMode", same},
    {"{Exif}", "FocalPlaneResolutionUnit", "ExifIFD:FocalPlaneResolutionUnit", same},
    {"{Exif}", "CompositeImage", "ExifIFD:CompositeImage", same},
    {"{Exif}", "SensitivityType", "ExifIFD:SensitivityType", same},
    {"{Exif}", "CustomRendered", "ExifIFD:CustomRendered", same},
    {"{Exif}", "ComponentsConfiguration", "ExifIFD:ComponentsConfiguration", same},
    {"{Exif}", "CFAPattern", "ExifIFD:CFAPattern", same},
    {"{Exif}", "SceneCaptureType", "ExifIFD:SceneCaptureType", same},
    {"{Exif}", "LensSpecification", "ExifIFD:LensInfo", lensText},
    {"{Exif}", "BrightnessValue", "ExifIFD:BrightnessValue",
     [](const QString& p) { return twoDecimals(p) + QStringLiteral(" EV"); }},
    {"{Exif}", "ExifVersion", "ExifIFD:ExifVersion",
     [](const QString& p) {
         QString minor = p.mid(2);
         if (minor.endsWith(QLatin1Char('0')))
             minor.chop(1);
         return QStringLiteral("%1.%2").arg(p.left(2).toInt()).arg(minor);
     }},
    {"{TIFF}", "Compression", "IFD0:Compression", same},
    {"{TIFF}", "PhotometricInterpretation", "IFD0:PhotometricInterpretation", same},
    {"{TIFF}", "PlanarConfiguration", "IFD0:PlanarConfiguration", same},
    {"{TIFF}", "ResolutionUnit", "IFD0:ResolutionUnit", same},
    {"{TIFF}", "Orientation", "IFD0:Orientation", same},
    {"{GPS}", "LatitudeRef", "GPS:GPSLatitudeRef", same},
    {"{GPS}", "DestBearingRef", "GPS:GPSDestBearingRef", same},
    {"{GPS}", "SpeedRef", "GPS:GPSSpeedRef", same},
    {"{GPS}", "DestBearing", "GPS:GPSDestBearing",
     [](const QString& p) { return twoDecimals(p) + QStringLiteral("°"); }},
    {"{GPS}", "HPositioningError", "GPS:GPSHPositioningError",
     [](const QString& p) {
         const QString metres = p.section(QLatin1Char(' '), 0, 0);
         QString text = QString::number(metres.toDouble(), 'f', 1);
         if (text.endsWith(QLatin1String(".0")))
             text.chop(2);
         return text + QStringLiteral(" m");
     }},
    {"{GPS}", "Latitude", "GPS:GPSLatitude",
     [](const QString& p) {
         return QString(p).replace(QStringLiteral(" deg"), QStringLiteral("°"));
     },
     true},
};

QString printedText(const QJsonValue& value) {
    return value.isDouble() ? QString::number(value.toDouble(), 'g', 15) : value.toString();
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
    // The phones' and cameras' photos beside the checkout, in place.
    for (const char* folder : {"jpg", "heic", "raw", "tiff"}) {
        QDirIterator it(QStringLiteral(TV_SHARED_PHOTOS "/") + QLatin1String(folder),
                        {QStringLiteral("*.jpg"), QStringLiteral("*.HEIC"),
                         QStringLiteral("*.heif"), QStringLiteral("*.dng"),
                         QStringLiteral("*.tiff")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
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
        // Those the tree showed raw, and their edges.
        {ExifSet, QStringLiteral("LensSpecification"), QVariantList{1.53999996185, 6.0, 1.8, 2.4},
         QStringLiteral("1.54-6 mm f/1.8-2.4")},
        {ExifSet, QStringLiteral("LensSpecification"), QVariantList{50.0, 50.0, 1.4, 1.4},
         QStringLiteral("50 mm f/1.4")},
        {ExifSet, QStringLiteral("LensSpecification"), QVariantList{70.0, 200.0, 0.0, 0.0},
         QStringLiteral("70-200 mm")},
        {ExifSet, QStringLiteral("LensSpecification"), QVariantList{0.0, 0.0, 0.0, 0.0},
         QStringLiteral("0, 0, 0, 0")},
        {ExifSet, QStringLiteral("BrightnessValue"), 7.11219820104, QStringLiteral("7.11 EV")},
        {ExifSet, QStringLiteral("FocalPlaneResolutionUnit"), 2, QStringLiteral("inches")},
        {ExifSet, QStringLiteral("FocalPlaneXResolution"), 3959.7938,
         QStringLiteral("3959.79 per inch")},
        {ExifSet, QStringLiteral("CompositeImage"), 2, QStringLiteral("General Composite Image")},
        {ExifSet, QStringLiteral("SubjectDistance"), 4294967295.0, QStringLiteral("Infinity")},
        {ExifSet, QStringLiteral("SubjectDistance"), 0.0, QStringLiteral("Unknown")},
        {ExifSet, QStringLiteral("ExifVersion"), QStringLiteral("0232"), QStringLiteral("2.32")},
        {ExifSet, QStringLiteral("ExifVersion"), QStringLiteral("02x0"), QStringLiteral("02x0")},
        {ExifSet, QStringLiteral("Temperature"), -3.5, QStringLiteral("-3.5 °C")},
        {ExifSet, QStringLiteral("CFAPattern"), QVariantList{0, 2, 0, 2, 0, 1, 1, 2},
         QStringLiteral("[Red,Green][Green,Blue]")},
        {ExifSet, QStringLiteral("CFAPattern"), QVariantList{9, 9, 1}, QStringLiteral("9, 9, 1")},
        {ExifSet, QStringLiteral("ComponentsConfiguration"), 1, QStringLiteral("Y")},
        {ExifSet, QStringLiteral("SubjectArea"), QVariantList{2002, 1505, 2213, 1324},
         QStringLiteral("centre 2002, 1505, 2213 × 1324")},
        {ExifSet, QStringLiteral("UnknownRational"), 7.11219820104, QStringLiteral("7.1122")},
        {GpsSet, QStringLiteral("DestBearingRef"), QStringLiteral("M"),
         QStringLiteral("Magnetic North")},
        {GpsSet, QStringLiteral("DestBearingRef"), QStringLiteral("Q"), QStringLiteral("Q")},
        {GpsSet, QStringLiteral("HPositioningError"), 4.696615838, QStringLiteral("4.7 m")},
        {GpsSet, QStringLiteral("Speed"), 0.5122973324, QStringLiteral("0.51 km/h")},
        {GpsSet, QStringLiteral("DestDistance"), 12.0, QStringLiteral("12 km")},
        {GpsSet, QStringLiteral("TimeStamp"), QStringLiteral("14:44:09"),
         QStringLiteral("14:44:09 UTC")},
        {GpsSet, QStringLiteral("MeasureMode"), QStringLiteral("3"),
         QStringLiteral("3-Dimensional Measurement")},
        {GpsSet, QStringLiteral("ImgDirection"), 348.0553285, QStringLiteral("348.06°")},
        {TiffSet, QStringLiteral("XResolution"), 300.0, QStringLiteral("300 per inch")},
        {TiffSet, QStringLiteral("ExposureTime"), 0.008, QStringLiteral("1/125 s")},
        {TiffSet, QStringLiteral("DNGVersion"), QVariantList{1, 4, 0, 0},
         QStringLiteral("1.4.0.0")},
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
