#include "cli/CliRun.h"
#include "metadata/MetadataService.h"
#include "support/ForeignXmp.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimeZone>
#include <QUrl>

#include <sys/xattr.h>

#include <functional>

#include <gtest/gtest.h>

// Sidecars, working copies and packets other programs wrote, through the
// tool as a script runs it.

TEST(CliSidecar, isReadMergedAndWrittenBesideTheOutputAsThePhotoChanged) {
    TestFolder folder;
    const QString photo = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
    const QString bare = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    // A sidecar as a photo manager writes it beside a photo it must not rewrite.
    runTool(QStringLiteral("exiftool"),
            {"-q", "-o", folder.file(QStringLiteral("Canon_40D.xmp")), "-XMP-dc:Creator=Ann",
             "-XMP-dc:Subject=tree", "-XMP-photoshop:City=Rome", photo});
    const auto read = workerService().readProperties(photo);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->sidecarPath, folder.file(QStringLiteral("Canon_40D.xmp")));
    EXPECT_TRUE(read->sidecarKeys.contains(QStringLiteral("{XMP}.photoshop:City")));
    const QJsonObject dumped = QJsonDocument::fromJson(cli({"dump", photo}).out).object();
    EXPECT_EQ(dumped.value("{XMP}").toObject().value("photoshop:City").toString(), "Rome");

    const struct {
        const char* policy;
        QString input;
        QString sidecar; // written beside the output, named after it; empty: none
    } cases[] = {
        {"present", photo, QStringLiteral("Canon_40D.xmp")},
        {"never", photo, QString()},
        {"present", bare, QString()},
        {"always", bare, QStringLiteral("DSCN0010.jpg.xmp")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((QString::fromLatin1(c.policy) + ' ' + c.input).toStdString());
        const QString out = folder.file(QStringLiteral("out_") + c.policy);
        QDir(out).removeRecursively();
        const CliRun run = cli({"edit", "--artist", "Bea", "--keywords", "sea,sky", "--sidecar",
                                c.policy, "--out", out, c.input});
        ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
        const QStringList sidecars = QDir(out).entryList({"*.xmp"}, QDir::Files);
        EXPECT_EQ(sidecars, c.sidecar.isEmpty() ? QStringList() : QStringList{c.sidecar});
        if (c.sidecar.isEmpty())
            continue;
        const QJsonObject tags = exiftoolRead(out + QLatin1Char('/') + c.sidecar);
        EXPECT_EQ(tags.value("XMP-dc:Creator").toString(), "Bea");
        EXPECT_EQ(tags.value("XMP-dc:Subject").toArray(), (QJsonArray{"sea", "sky"}));
        if (c.input == photo) {
            EXPECT_EQ(tags.value("XMP-photoshop:City").toString(), "Rome");
            // The photo itself keeps no XMP, as it had none.
            EXPECT_FALSE(exiftoolRead(out + QStringLiteral("/Canon_40D.jpg"))
                             .contains(QStringLiteral("XMP-dc:Creator")));
        }
    }
}

// RAW and layered photos that only the library reads: read whole, shown from
// their embedded previews, and changed in a sidecar beside a copy of the
// photo as it was; what a sidecar cannot do is refused with its reason.
TEST(CliSidecar, photosOnlyTheLibraryReadsChangeInTheirSidecarAlone) {
    TestFolder folder;
    QStringList absent;
    const QStringList photos = libraryOnlyPhotos(folder, &absent);
    for (const QString& name : absent)
        std::printf("[ SKIPPED  ] the shared photo %s is absent\n", qPrintable(name));
    const struct {
        const char* exiv2;
        const char* set;
        const char* key;
    } readBoth[] = {{"Exif.Image.Make", "{TIFF}", "Make"},
                    {"Exif.Image.Model", "{TIFF}", "Model"},
                    {"Exif.Photo.DateTimeOriginal", "{Exif}", "DateTimeOriginal"}};
    for (const QString& photo : photos) {
        SCOPED_TRACE(photo.toStdString());
        const QString name = QFileInfo(photo).fileName();
        const CliRun dump = cli({"dump", photo});
        ASSERT_EQ(dump.exitCode, 0) << qPrintable(dump.err);
        const QJsonObject dumped = QJsonDocument::fromJson(dump.out).object();
        EXPECT_GT(dumped.value("PixelWidth").toInt(), 0);
        for (const auto& value : readBoth) {
            const QString expected = exiv2Value(photo, QLatin1String(value.exiv2));
            if (!expected.isEmpty()) {
                EXPECT_EQ(dumped.value(value.set).toObject().value(value.key).toString(), expected)
                    << value.exiv2;
            }
        }
        // The thumbnail and the large view come from the embedded previews.
        for (const int side : {160, 4096}) {
            const auto preview = workerService().readPreview(photo, side);
            ASSERT_TRUE(preview) << qPrintable(preview.error());
            EXPECT_FALSE(QImage::fromData(preview->bytes).isNull()) << side;
        }

        const QString out = folder.file(QStringLiteral("out_") + name);
        const QString copy = out + QLatin1Char('/') + name;
        const QString sidecar = copy + QStringLiteral(".xmp");
        const CliRun edit = cli({"edit", "--artist", "Bea", "--out", out, photo});
        ASSERT_EQ(edit.exitCode, 0) << qPrintable(edit.err);
        EXPECT_TRUE(edit.err.contains(QLatin1String("sidecar written, photo unchanged")))
            << qPrintable(edit.err);
        // The dates build on the copy and its sidecar.
        const CliRun dates = cli({"dates", "set", "2021-03-04 05:06:07", "--out", out, photo});
        ASSERT_EQ(dates.exitCode, 0) << qPrintable(dates.err);
        EXPECT_EQ(fileBytes(copy), fileBytes(photo));
        const QJsonObject written = exiftoolRead(sidecar);
        EXPECT_EQ(written.value("XMP-dc:Creator").toString(), "Bea");
        // In the zone the photo keeps, if it keeps one.
        for (const char* copy :
             {"XMP-exif:DateTimeOriginal", "XMP-xmp:CreateDate", "XMP-photoshop:DateCreated"})
            EXPECT_TRUE(written.value(QLatin1String(copy))
                            .toString()
                            .startsWith(QLatin1String("2021:03:04 05:06:07")))
                << copy;
        EXPECT_EQ(validationWarnings({sidecar}).value(0), QStringList());

        // A sidecar cannot take away what the photo holds, and is the only
        // place a change can go.
        const QString refusedOut = folder.file(QStringLiteral("refused_") + name);
        QList<QStringList> refused = {{"remove", "all"},
                                      {"edit", "--artist", "Cy", "--sidecar", "never"}};
        if (dumped.contains(QLatin1String("{GPS}"))) {
            refused.append(QStringList{"remove", "gps"});
        } else {
            // Nothing of the photo to take away: the copy and its sidecar are written.
            const CliRun run = cli({"remove", "gps", "--out", out, photo});
            EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
            EXPECT_EQ(fileBytes(out + QStringLiteral("/NoGPS_") + name), fileBytes(photo));
        }
        for (const QStringList& command : refused) {
            SCOPED_TRACE(command.join(' ').toStdString());
            const CliRun run = cli(command + QStringList{"--out", refusedOut, photo});
            EXPECT_NE(run.exitCode, 0);
            EXPECT_TRUE(run.err.contains(name) &&
                        (run.err.contains(QLatin1String("cannot be removed")) ||
                         run.err.contains(QLatin1String("only in an XMP sidecar"))))
                << qPrintable(run.err);
            EXPECT_FALSE(QFileInfo::exists(refusedOut));
        }
    }
}

namespace {
QString originOf(const QString& path) {
    char value[4096];
    const ssize_t length =
        ::getxattr(QFile::encodeName(path).constData(), "user.xdg.origin.url", value, sizeof value);
    return length < 0 ? QString() : QString::fromUtf8(value, int(length));
}
} // namespace

// A day's work from a script: every command reads the copy the one before
// wrote, photos of one name each keep their own, and nothing of the user's
// is replaced; the same where the file system keeps no attributes.
TEST(CliWorkingCopy, commandsBuildOnTheCopyAndEveryPhotoKeepsItsOwn) {
    for (const bool index : {false, true}) {
        SCOPED_TRACE(index ? "origins in the index" : "origins in attributes");
        if (index)
            qputenv("TESSAVIEW_NO_XATTRS", "1");
        TestFolder folder;
        QDir().mkpath(folder.file(QStringLiteral("a")));
        QDir().mkpath(folder.file(QStringLiteral("b")));
        const QString nikon =
            folder.copyPhoto(QStringLiteral("Nikon_D70.jpg"), QStringLiteral("a/Nikon_D70.jpg"));
        const QByteArray original = fileBytes(nikon);
        const QString st = folder.file(QStringLiteral("st"));
        const QString copy = st + QStringLiteral("/Nikon_D70.jpg");
        for (const QStringList& command :
             {QStringList{"edit", "--artist", "First"},
              QStringList{"gps", "set", "--lat", "10", "--lon", "20", "--date", "2020:01:01",
                          "--time", "10:00:00"},
              QStringList{"dates", "shift", "--add", "--hours", "1"},
              QStringList{"remove", "gps"}}) {
            const CliRun run = cli(command + QStringList{"--out", st, nikon});
            EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
            EXPECT_TRUE(run.err.isEmpty()) << qPrintable(run.err);
        }
        const QJsonObject edited = exiftoolRead(copy);
        EXPECT_EQ(edited.value("IFD0:Artist").toString(), "First");
        EXPECT_EQ(edited.value("GPS:GPSLatitude").toDouble(), 10.0);
        EXPECT_EQ(edited.value("ExifIFD:DateTimeOriginal").toString(), "2008:03:15 10:52:01");
        EXPECT_FALSE(edited.contains("ExifIFD:CreateDate")) << "no date is made up";
        // The prefixed copy is made from the working copy too.
        const QJsonObject noGps = exiftoolRead(st + QStringLiteral("/NoGPS_Nikon_D70.jpg"));
        EXPECT_EQ(noGps.value("IFD0:Artist").toString(), "First");
        EXPECT_EQ(noGps.value("ExifIFD:DateTimeOriginal").toString(), "2008:03:15 10:52:01");
        EXPECT_FALSE(noGps.contains("GPS:GPSLatitude"));
        EXPECT_EQ(fileBytes(nikon), original);
        const QString url = QUrl::fromLocalFile(nikon).toString(QUrl::FullyEncoded);
        EXPECT_EQ(index ? QString() : originOf(copy), index ? QString() : url);
        EXPECT_EQ(QFile::exists(st + QStringLiteral("/.tessaview-origins")), index);

        // Two photos of one name: both written, the second under the next free name.
        const QString other =
            folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("b/Nikon_D70.jpg"));
        const CliRun both = cli({"edit", "--artist", "Second", "--out", st, nikon, other});
        EXPECT_EQ(both.exitCode, 0);
        const QString second = st + QStringLiteral("/Nikon_D70 (2).jpg");
        EXPECT_EQ(both.err, other + QStringLiteral(": written under another name: ") + second +
                                QStringLiteral("\ntessaview-cli: 2 of 2 photos written (1 under "
                                               "another name), 0 skipped\n"));
        EXPECT_EQ(exiftoolRead(copy).value("ExifIFD:DateTimeOriginal").toString(),
                  "2008:03:15 10:52:01");
        EXPECT_EQ(exiftoolRead(second).value("IFD0:Make").toString(), "NIKON");
        EXPECT_EQ(exiftoolRead(second).value("IFD0:Artist").toString(), "Second");

        // A file of the user's under a photo's name is never replaced.
        const QString mine = folder.writeFile(QStringLiteral("st/Canon_40D.jpg"), "my own file");
        const CliRun beside = cli({"edit", "--artist", "Third", "--out", st,
                                   folder.copyPhoto(QStringLiteral("Canon_40D.jpg"))});
        EXPECT_EQ(beside.exitCode, 0) << qPrintable(beside.err);
        EXPECT_TRUE(beside.err.contains(QStringLiteral("written under another name")));
        EXPECT_EQ(fileBytes(mine), QByteArray("my own file"));
        EXPECT_EQ(exiftoolRead(st + QStringLiteral("/Canon_40D (2).jpg")).value("IFD0:Artist"),
                  "Third");
        qunsetenv("TESSAVIEW_NO_XATTRS");
    }
}

namespace {

bool isGpsTag(const QString& key) {
    return key.startsWith(QLatin1String("GPS:")) || key == QLatin1String("IFD0:GPSInfo") ||
           key.startsWith(QLatin1String("XMP-exif:GPS")) ||
           key.startsWith(QLatin1String("Composite:GPS")) ||
           key.startsWith(QLatin1String("PNG:ExifGPS")); // a PNG's text copies of EXIF tags
}

} // namespace

// Packets as other programs write them, through each writing command: the
// photo is written with every copy of what changes in step, one packet, no
// new warning, the rest and the pixels as they were; or it is refused with
// the reason and the batch goes on.
TEST(CliForeignXmp, eachCommandKeepsEveryCopyInStepOrRefusesThePhoto) {
    TestFolder folder;
    const QMap<QString, QString> photos = makeForeignXmpPhotos(folder);
    const QStringList inputs = photos.values();
    const QList<QJsonObject> before = exiftoolRead(inputs);
    const QList<QStringList> warningsBefore = validationWarnings(inputs);
    const QString date = QStringLiteral("2019:08:07 06:05:04");
    const struct {
        const char* name;
        QStringList arguments;
        QStringList refused; // the photos skipped, each with the reason
        std::function<bool(const QString& key)> changes;
        std::function<void(const QJsonObject& tags)> holds;
    } commands[] = {
        {"edit",
         {"edit", "--artist", "Bea", "--description", "A lake"},
         {"malformed.jpg"},
         [](const QString& key) {
             return QStringList{"IFD0:Artist",
                                "XMP-dc:Creator",
                                "IPTC:By-line",
                                "IFD0:ImageDescription",
                                "XMP-dc:Description",
                                "IPTC:Caption-Abstract",
                                "PNG:ExifImageDescription"}
                 .contains(key);
         },
         [](const QJsonObject& tags) {
             for (const char* key : {"IFD0:Artist", "XMP-dc:Creator", "IPTC:By-line"})
                 EXPECT_EQ(tags.value(key).toString(), tags.contains(key) ? "Bea" : "") << key;
             for (const char* key : {"IFD0:ImageDescription", "XMP-dc:Description"})
                 EXPECT_EQ(tags.value(key).toString(), "A lake") << key;
             // A PNG's text copy of the EXIF tag, where ImageMagick left one.
             if (tags.contains("PNG:ExifImageDescription")) {
                 EXPECT_EQ(tags.value("PNG:ExifImageDescription").toString(), "A lake");
             }
         }},
        {"dates set",
         {"dates", "set", date},
         {"malformed.jpg"},
         [](const QString& key) {
             return key.contains(QLatin1String("Date")) || key.contains(QLatin1String("Time"));
         },
         [date](const QJsonObject& tags) {
             for (const char* key : {"ExifIFD:DateTimeOriginal", "XMP-exif:DateTimeOriginal",
                                     "XMP-photoshop:DateCreated"})
                 EXPECT_EQ(tags.value(key).toString().left(19), date) << key;
             if (tags.contains("IPTC:DateCreated")) {
                 EXPECT_EQ(tags.value("IPTC:DateCreated").toString(), "2019:08:07");
             }
         }},
        {"remove gps",
         {"remove", "gps"},
         {"malformed.jpg"},
         isGpsTag,
         [](const QJsonObject& tags) {
             for (const QString& key : tags.keys())
                 EXPECT_FALSE(isGpsTag(key)) << qPrintable(key);
         }},
        {"remove all",
         {"remove", "all"},
         {},
         [](const QString&) { return true; },
         [](const QJsonObject& tags) {
             for (const QString& key : tags.keys())
                 EXPECT_FALSE(key.startsWith(QLatin1String("XMP-")) ||
                              key.startsWith(QLatin1String("IPTC:")))
                     << qPrintable(key);
         }},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        const QString out = folder.file(QString::fromLatin1(c.name).replace(' ', '_'));
        const CliRun run = cli(c.arguments + QStringList{"--out", out} + inputs);
        EXPECT_EQ(run.exitCode, c.refused.isEmpty() ? 0 : 1) << qPrintable(run.err);
        QStringList outputs;
        for (int i = 0; i < inputs.size(); ++i) {
            const QString name = QFileInfo(inputs[i]).fileName();
            const QString written = QDir(out).filePath(
                QDir(out).entryList({QStringLiteral("*") + name}, QDir::Files).value(0));
            if (c.refused.contains(name)) {
                EXPECT_TRUE(run.err.contains(inputs[i] + QStringLiteral(": the XMP packet could "
                                                                        "not be read")))
                    << qPrintable(run.err);
                EXPECT_FALSE(QFileInfo(written).isFile());
                outputs << QString();
                continue;
            }
            EXPECT_TRUE(QFileInfo(written).isFile()) << qPrintable(name);
            outputs << written;
        }
        for (int i = 0; i < inputs.size(); ++i) {
            if (outputs[i].isEmpty())
                continue;
            const QStringList warningsAfter = validationWarnings({outputs[i]}).value(0);
            const QString name = QFileInfo(inputs[i]).fileName();
            SCOPED_TRACE(name.toStdString());
            const QJsonObject tags = exiftoolRead(outputs[i]);
            c.holds(tags);
            if (tags.contains("Photoshop:IPTCDigest")) {
                EXPECT_EQ(tags.value("Photoshop:IPTCDigest"), tags.value("File:CurrentIPTCDigest"));
            }
            for (const QString& warning : warningsAfter)
                EXPECT_TRUE(warningsBefore[i].contains(warning)) << qPrintable(warning);
            // What the command does not name stays; a flawed date's copy
            // is read back mended, an extension under its new digest.
            const auto kept = [&](QJsonObject all) {
                all = withoutVolatileTags(all);
                for (const QString& key : all.keys()) {
                    if (c.changes(key) || key.startsWith(QLatin1String("Composite:")) ||
                        key == QLatin1String("XMP-photoshop:DateCreated") ||
                        key == QLatin1String("XMP-xmpNote:HasExtendedXMP") ||
                        key == QLatin1String("Photoshop:IPTCDigest"))
                        all.remove(key);
                }
                return all;
            };
            const QJsonObject now = kept(tags), was = kept(before[i]);
            QStringList keys = now.keys() + was.keys();
            keys.removeDuplicates();
            for (const QString& key : std::as_const(keys))
                EXPECT_EQ(now.value(key), was.value(key)) << qPrintable(key);
            EXPECT_EQ(pixelSignatures(outputs[i]), pixelSignatures(inputs[i]));
        }
    }
}

// A sidecar with a control character reads as other readers read it and is
// written beside the photo with the user's properties; one that does not
// read at all costs its photo, with the reason, before anything is written.
TEST(CliSidecar, aFlawedSidecarIsReadMendedAndAnUnreadableOneSkipsItsPhoto) {
    TestFolder folder;
    const QString photo = folder.copyPhoto(QStringLiteral("Canon_40D.jpg"));
    const QString sidecar = folder.file(QStringLiteral("Canon_40D.xmp"));
    runTool(QStringLiteral("exiftool"),
            {"-q", "-o", sidecar, "-XMP-dc:Creator=Ann", "-XMP-photoshop:City=Rome", photo});
    const QByteArray written = fileBytes(sidecar);
    QByteArray flawed = written;
    flawed.replace("Rome<", "Rome\x1a<");
    QByteArray broken = written;
    broken.replace("</rdf:RDF>", "</rdf:RDX>");
    const struct {
        const char* what;
        QByteArray bytes;
        int exitCode;
    } cases[] = {{"a control character", flawed, 0}, {"no XML", broken, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        folder.writeFile(QStringLiteral("Canon_40D.xmp"), c.bytes);
        const QString out = folder.file(QStringLiteral("out_%1").arg(c.exitCode));
        const CliRun run = cli({"edit", "--artist", "Bea", "--out", out, photo});
        EXPECT_EQ(run.exitCode, c.exitCode) << qPrintable(run.err);
        if (c.exitCode != 0) {
            EXPECT_TRUE(run.err.contains(photo + QStringLiteral(": the XMP sidecar Canon_40D.xmp "
                                                                "could not be read")))
                << qPrintable(run.err);
            EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/Canon_40D.jpg")));
            continue;
        }
        EXPECT_TRUE(run.err.contains("dropped 1 control character(s) from the XMP packet "
                                     "(sidecar Canon_40D.xmp)"))
            << qPrintable(run.err);
        const QJsonObject tags = exiftoolRead(out + QStringLiteral("/Canon_40D.xmp"));
        EXPECT_EQ(tags.value("XMP-dc:Creator").toString(), "Bea");
        EXPECT_EQ(tags.value("XMP-photoshop:City").toString(), "Rome");
    }
}
