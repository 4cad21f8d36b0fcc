#include "editing/DateOperations.h"
#include "editing/EditFormOperation.h"
#include "editing/TemplateOperations.h"
#include "metadata/MetadataService.h"
#include "metadata/PropertyKeys.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <gtest/gtest.h>

#include <functional>

namespace {

// A photo as a photo manager leaves it: dates with their zone, creator,
// keywords, description, rights, city and location in XMP, and, where the
// application writes both, the same in IPTC.
QString managedPhoto(const TestFolder& folder, const QString& name, bool iptc) {
    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), name);
    QStringList arguments = {"-q",
                             "-overwrite_original",
                             "-XMP-exif:DateTimeOriginal=2008:10:22 16:28:39+02:00",
                             "-XMP-photoshop:DateCreated=2008:10:22 16:28:39+02:00",
                             "-XMP-xmp:CreateDate=2008:10:22 16:28:39+02:00",
                             "-XMP-xmp:ModifyDate=2008:11:01 21:15:07+02:00",
                             "-XMP-xmp:CreatorTool=Manager 1.0",
                             "-XMP-xmp:Rating=3",
                             "-XMP-dc:Creator=Ann",
                             "-XMP-dc:Subject=lake",
                             "-XMP-dc:Subject=hills",
                             "-XMP-dc:Description=Old",
                             "-XMP-dc:Rights=Old",
                             "-XMP-photoshop:City=Siena",
                             "-XMP-iptcCore:Location=Piazza"};
    if (iptc)
        arguments += {"-IPTC:By-line=Ann",
                      "-IPTC:Keywords=lake",
                      "-IPTC:Keywords=hills",
                      "-IPTC:Caption-Abstract=Old",
                      "-IPTC:CopyrightNotice=Old",
                      "-IPTC:City=Siena",
                      "-IPTC:Sub-location=Piazza",
                      "-IPTC:DateCreated=2008:10:22",
                      "-IPTC:TimeCreated=16:28:39+02:00"};
    runTool(QStringLiteral("exiftool"), arguments << photo);
    return photo;
}

// A PNG as ImageMagick converts a camera photo, the EXIF tags copied into
// text chunks, with the standard text keywords another application added.
QString textPng(const TestFolder& folder) {
    const QString photo = folder.copyPhoto(QStringLiteral("photo.png"), QStringLiteral("text.png"));
    runTool(QStringLiteral("exiftool"),
            {"-q", "-overwrite_original", "-PNG:Author=Ann", "-PNG:Artist=Ann",
             "-PNG:Description=Old", "-PNG:Copyright=Old", "-PNG:Title=Trip",
             "-PNG:CreationTime=2008:10:22 16:28:39", photo});
    return photo;
}

// A photo whose properties were edited in Windows, which keeps its own
// copies of the author, keywords and title in the main directory.
QString windowsPhoto(const TestFolder& folder) {
    const QString photo =
        folder.copyPhoto(QStringLiteral("Canon_40D.jpg"), QStringLiteral("windows.jpg"));
    runTool(QStringLiteral("exiftool"), {"-q", "-overwrite_original", "-XPAuthor=Ann",
                                         "-XPKeywords=lake;hills", "-XPTitle=Trip", photo});
    return photo;
}

// Every place exiftool reads the value from holds it: EXIF, each XMP copy
// the photo has (one at least where it keeps XMP) and IPTC where it keeps
// IPTC.
void expectEverywhere(const QJsonObject& tags, const QString& exif, const QStringList& xmp,
                      const QString& iptc, const QJsonValue& value, bool hasXmp, bool hasIptc) {
    const auto same = [&](const QJsonValue& found) {
        const QString text = found.isArray() && found.toArray().size() == 1
                                 ? found.toArray().first().toVariant().toString()
                                 : found.toVariant().toString();
        return found.isArray() && value.isArray() ? found == value
                                                  : text.startsWith(value.toVariant().toString());
    };
    if (!exif.isEmpty()) {
        EXPECT_TRUE(same(tags.value(exif))) << qPrintable(exif);
    }
    int copies = 0;
    for (const QString& key : xmp) {
        if (!tags.contains(key))
            continue;
        ++copies;
        EXPECT_TRUE(same(tags.value(key))) << qPrintable(key);
    }
    EXPECT_EQ(copies > 0, hasXmp) << qPrintable(xmp.join(u' '));
    if (!iptc.isEmpty() && hasIptc) {
        EXPECT_TRUE(same(tags.value(iptc))) << qPrintable(iptc);
    }
}

} // namespace

TEST(XmpMirrors, everyCopyOfAValueIsKeptInStep) {
    using namespace PropertyKeys;
    TestFolder folder;
    const struct {
        QString photo;
        bool xmp;
        bool iptc;
    } photos[] = {
        {managedPhoto(folder, QStringLiteral("managed_iptc.jpg"), true), true, true},
        {managedPhoto(folder, QStringLiteral("managed.jpg"), false), true, false},
        {folder.copyPhoto(QStringLiteral("BlueSquare.jpg")), true, false},
        {folder.copyPhoto(QStringLiteral("no_exif.jpg")), true, true},
        {folder.copyPhoto(QStringLiteral("IMG_5195.HEIC")), true, false},
        {folder.copyPhoto(QStringLiteral("Canon_40D.jpg")), false, false},
        {textPng(folder), true, false},
        {windowsPhoto(folder), false, false},
    };
    const QString date = QStringLiteral("2020:01:02 03:04:05");
    const QJsonArray keywords = {QStringLiteral("sea"), QStringLiteral("sky")};
    const QVariantMap templateFile = {{Artist, QStringLiteral("Bea")},
                                      {Keywords, QStringList{"sea", "sky"}},
                                      {Latitude, 43.5},
                                      {LatitudeRef, QStringLiteral("N")},
                                      {Longitude, 11.25},
                                      {LongitudeRef, QStringLiteral("E")}};
    const auto edit = editFormPlan(
        {.artist = "Bea", .description = "New", .copyright = "CC-BY", .keywords = "sea, sky"});
    ASSERT_TRUE(edit);
    // What EXIF requires of a block or a directory a command makes anew.
    const QStringList required = {"IFD0:XResolution",       "IFD0:YResolution",
                                  "IFD0:ResolutionUnit",    "IFD0:YCbCrPositioning",
                                  "ExifIFD:ExifVersion",    "ExifIFD:FlashpixVersion",
                                  "ExifIFD:ColorSpace",     "ExifIFD:ComponentsConfiguration",
                                  "ExifIFD:ExifImageWidth", "ExifIFD:ExifImageHeight"};
    const struct {
        const char* name;
        std::function<OperationReport(const std::vector<SelectedPhoto>&, const QString&)> run;
        QStringList changing; // the keys and groups it may change, copies included
    } commands[] = {
        {"dates set",
         [&](const auto& selected, const QString& storage) {
             return runSetDate(selected, storage, date, workerService());
         },
         // With the sub-seconds of the old dates, the zone offsets and the
         // copies other writers keep.
         QStringList{"ExifIFD:DateTimeOriginal", "ExifIFD:CreateDate", "IFD0:ModifyDate",
                     "XMP-exif:DateTime", "XMP-photoshop:DateCreated", "XMP-xmp:CreateDate",
                     "XMP-xmp:ModifyDate", "IPTC:DateCreated", "IPTC:TimeCreated",
                     "IPTC:DigitalCreationDate", "IPTC:DigitalCreationTime", "ExifIFD:SubSecTime",
                     "ExifIFD:OffsetTime", "XMP-exif:SubSecTime", "XMP-tiff:DateTime",
                     "Composite:SubSec", "PNG:ExifDateTime", "PNG:CreationTime"} +
             required},
        {"edit",
         [&](const auto& selected, const QString& storage) {
             return runEditForm(edit.value(), selected, storage, workerService());
         },
         QStringList{"IFD0:Artist", "IFD0:ImageDescription", "IFD0:Copyright", "XMP-dc:Creator",
                     "XMP-dc:Description", "XMP-dc:Rights", "XMP-dc:Subject", "IPTC:By-line",
                     "IPTC:Caption-Abstract", "IPTC:CopyrightNotice", "IPTC:Keywords", "PNG:Author",
                     "PNG:Artist", "PNG:Description", "PNG:Copyright", "PNG:ExifImageDescription",
                     "IFD0:XPAuthor", "IFD0:XPKeywords"} +
             required},
        {"template import",
         [&](const auto& selected, const QString& storage) {
             return runImport(ImportKind::Template, templateFile, selected, storage,
                              workerService());
         },
         QStringList{"IFD0:Artist", "XMP-dc:Creator", "XMP-dc:Subject", "IPTC:By-line",
                     "IPTC:Keywords", "GPS:", "IFD0:GPSInfo", "XMP-exif:GPS", "PNG:Author",
                     "PNG:Artist", "PNG:ExifGPS", "IFD0:XPAuthor", "IFD0:XPKeywords"} +
             required},
    };
    QList<ListedPhoto> listed;
    QSet<int> all;
    QStringList inputs;
    for (const auto& p : photos) {
        listed.append({p.photo, QFileInfo(p.photo).fileName()});
        all.insert(int(all.size()));
        inputs << p.photo;
    }
    const QList<QJsonObject> before = exiftoolRead(inputs);
    const QList<QStringList> warningsBefore = validationWarnings(inputs);
    for (const auto& command : commands) {
        SCOPED_TRACE(command.name);
        const QString storage = folder.file(QString::fromLatin1(command.name).replace(' ', '_'));
        ASSERT_TRUE(QDir().mkpath(storage));
        const OperationReport report =
            command.run(selectPhotos(SourceMode::Computer, listed, all, storage), storage);
        for (const auto& skipped : report.skipped)
            ADD_FAILURE() << qPrintable(skipped.path) << ": " << qPrintable(skipped.reason);
        ASSERT_EQ(report.written.size(), qsizetype(std::size(photos)));
        const QList<QJsonObject> after = exiftoolRead(report.written);
        const QList<QStringList> warningsAfter = validationWarnings(report.written);
        for (int i = 0; i < int(std::size(photos)); ++i) {
            const auto& p = photos[i];
            SCOPED_TRACE(QFileInfo(p.photo).fileName().toStdString());
            const QJsonObject& tags = after[i];
            // The copies of a value that a PNG keeps as text and Windows in its
            // own tags, where the photo has them.
            const auto textCopies = [&](const QStringList& keys, const QString& value) {
                for (const QString& key : keys) {
                    if (before[i].contains(key)) {
                        EXPECT_TRUE(tags.value(key).toString().startsWith(value))
                            << qPrintable(key) << " " << qPrintable(tags.value(key).toString());
                    }
                }
            };
            if (QLatin1String(command.name) == QLatin1String("dates set")) {
                expectEverywhere(tags, "ExifIFD:DateTimeOriginal",
                                 {"XMP-exif:DateTimeOriginal", "XMP-photoshop:DateCreated"},
                                 "IPTC:DateCreated", QStringLiteral("2020:01:02"), p.xmp, p.iptc);
                expectEverywhere(tags, "ExifIFD:CreateDate", {"XMP-xmp:CreateDate"},
                                 "IPTC:DigitalCreationDate", QStringLiteral("2020:01:02"), p.xmp,
                                 p.iptc);
                textCopies(
                    {"PNG:ExifDateTimeOriginal", "PNG:ExifDateTimeDigitized", "PNG:CreationTime"},
                    QStringLiteral("2020:01:02"));
            } else {
                expectEverywhere(tags, "IFD0:Artist", {"XMP-dc:Creator"}, "IPTC:By-line",
                                 QStringLiteral("Bea"), p.xmp, p.iptc);
                // Keywords go to IPTC where the photo keeps IPTC or no XMP.
                expectEverywhere(tags, QString(), {"XMP-dc:Subject"}, "IPTC:Keywords", keywords,
                                 p.xmp, p.iptc || !p.xmp);
                textCopies({"PNG:Author", "PNG:Artist", "IFD0:XPAuthor"}, QStringLiteral("Bea"));
                textCopies({"IFD0:XPKeywords"}, QStringLiteral("sea;sky"));
            }
            if (QLatin1String(command.name) == QLatin1String("edit")) {
                expectEverywhere(tags, "IFD0:ImageDescription", {"XMP-dc:Description"},
                                 "IPTC:Caption-Abstract", QStringLiteral("New"), p.xmp, p.iptc);
                textCopies({"PNG:Description", "PNG:ExifImageDescription"}, QStringLiteral("New"));
                textCopies({"PNG:Copyright"}, QStringLiteral("CC-BY"));
            }
            // The toolkit and every property no copy of the change holds stay.
            const auto unchanged = [&](QJsonObject t) {
                t = withoutVolatileTags(t);
                for (const QString& key : t.keys()) {
                    if (std::any_of(command.changing.cbegin(), command.changing.cend(),
                                    [&](const QString& c) { return key.startsWith(c); }) ||
                        key.startsWith(QLatin1String("Photoshop:IPTCDigest")) ||
                        key == QLatin1String("IFD0:ExifOffset") ||
                        key.startsWith(QLatin1String("QuickTime:MediaData"))) // a grown item moves
                        t.remove(key);
                }
                return t;
            };
            EXPECT_EQ(unchanged(tags), unchanged(before[i]));
            if (p.photo.endsWith(QLatin1String(".jpg"))) {
                EXPECT_EQ(jpegImageData(fileBytes(report.written[i])),
                          jpegImageData(fileBytes(p.photo)));
            }
            for (const QString& warning : warningsAfter[i])
                EXPECT_TRUE(warningsBefore[i].contains(warning)) << qPrintable(warning);
        }
    }
}
