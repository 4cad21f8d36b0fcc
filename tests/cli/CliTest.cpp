#include "support/TestPhotos.h"
#include "templates/PropertyListCodec.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun cli(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TV_CLI_BINARY), arguments);
    EXPECT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << "the tool must never crash";
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

TEST(Cli, documentsEveryCommandAndRefusesMalformedCommandLines) {
    const CliRun help = cli({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"dump", "--plist", "remove", "exif-gps", "--out", "Exit status"})
        EXPECT_TRUE(help.out.contains(QLatin1String(word))) << word;

    const QList<QStringList> misuses = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("dump")},
        {QStringLiteral("dump"), QStringLiteral("--plist"), QStringLiteral("a.jpg"),
         QStringLiteral("b.jpg")},
        {QStringLiteral("remove")},
        {QStringLiteral("remove"), QStringLiteral("xmp"), QStringLiteral("--out"),
         QStringLiteral("/tmp/x"), QStringLiteral("a.jpg")},
        {QStringLiteral("remove"), QStringLiteral("gps"), QStringLiteral("a.jpg")},
        {QStringLiteral("remove"), QStringLiteral("gps"), QStringLiteral("--out")},
        {QStringLiteral("remove"), QStringLiteral("gps"), QStringLiteral("--out"),
         QStringLiteral("/tmp/x")},
        {QStringLiteral("remove"), QStringLiteral("gps"), QStringLiteral("--jobs"),
         QStringLiteral("0"), QStringLiteral("--out"), QStringLiteral("/tmp/x"),
         QStringLiteral("a.jpg")},
    };
    for (const QStringList& arguments : misuses) {
        const CliRun run = cli(arguments);
        EXPECT_EQ(run.exitCode, 2) << qPrintable(arguments.join(QLatin1Char(' ')));
        EXPECT_TRUE(run.err.contains(QLatin1String("Usage:")));
    }
}

// Asked for help, a command prints its own usage and does nothing else: no
// folder is made and no photo read, whatever else the line holds.
TEST(Cli, answersHelpForEveryCommandWritingNothing) {
    const struct {
        QStringList command;
        const char* shown;
        const char* notShown = "Exit status";
    } commands[] = {
        {{"dump"}, "dump [--plist] FILE..."},
        {{"remove", "gps"}, "remove exif|gps|iptc|exif-gps|all --out DIR"},
        {{"dates"}, "dates preview --before-original"},
        {{"dates", "shift"}, "dates shift --add|--subtract", "dates edit"},
        {{"file-dates"}, "file-dates --out DIR FILE..."},
        {{"gps", "set"}, "gps set --lat DEG --lon DEG"},
        {{"edit"}, "edit [--artist T]"},
        {{"geotag"}, "[--speed-and-heading] [--places] --out DIR FILE..."},
        {{"export", "exif"}, "export tiff|exif|exif-tiff|exif-gps|all"},
        {{"template", "export"}, "template export [--artist T]"},
        {{"import", "all"}, "import tiff|exif|exif-tiff|exif-gps|all|template PLIST"},
        {{"stamp"}, "stamp [--corner upper-left"},
        {{"device", "download"}, "tessaview-cli device download", "geotag"},
        {{"help"}, "Exit status", "(no such text)"},
    };
    TestFolder folder;
    const QString photo = fixturePath(QStringLiteral("DSCN0010.jpg"));
    const QString out = folder.file(QStringLiteral("out"));
    for (const auto& c : commands) {
        SCOPED_TRACE(qPrintable(c.command.join(QLatin1Char(' '))));
        const CliRun run = cli(
            c.command + QStringList{QStringLiteral("--out"), out, QStringLiteral("--help"), photo});
        EXPECT_EQ(run.exitCode, 0) << qPrintable(run.err);
        EXPECT_TRUE(run.out.contains(QLatin1String(c.shown))) << qPrintable(run.out);
        EXPECT_FALSE(run.out.contains(QLatin1String(c.notShown))) << qPrintable(run.out);
        EXPECT_TRUE(run.err.isEmpty()) << qPrintable(run.err);
        EXPECT_FALSE(QFileInfo::exists(out));
    }
}

// The stamp and the camera commands run in a program of their own, which the
// tool hands its whole command line to: its output and exit code are the
// tool's. Without that program the tool says so rather than failing quietly.
TEST(Cli, handsTheStampAndDeviceCommandsToTheirProgram) {
    const CliRun help = cli({QStringLiteral("device"), QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.contains("tessaview-cli device download"));
    const CliRun misuse =
        cli({QStringLiteral("stamp"), QStringLiteral("--corner"), QStringLiteral("middle"),
             QStringLiteral("--out"), QStringLiteral("/tmp/x"), QStringLiteral("a.jpg")});
    EXPECT_EQ(misuse.exitCode, 2);
    EXPECT_TRUE(misuse.err.contains(QLatin1String("middle"))) << qPrintable(misuse.err);

    TestFolder folder;
    const QString alone = folder.file(QStringLiteral("tessaview-cli"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TV_CLI_BINARY), alone));
    QProcess process;
    process.start(alone, {QStringLiteral("stamp"), QStringLiteral("--dry-run"),
                          QStringLiteral("--out"), folder.file(QStringLiteral("out")),
                          fixturePath(QStringLiteral("DSCN0010.jpg"))});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 2);
    const QString error = QString::fromUtf8(process.readAllStandardError());
    EXPECT_TRUE(error.contains(QLatin1String("cannot run"))) << qPrintable(error);
    EXPECT_TRUE(error.contains(QLatin1String("tessaview-cli-media"))) << qPrintable(error);
}

TEST(Cli, dumpsTheDictionaryAsJsonAndAsAPropertyList) {
    const QString photo = fixturePath(QStringLiteral("BlueSquare.jpg"));
    const CliRun json = cli({QStringLiteral("dump"), photo});
    ASSERT_EQ(json.exitCode, 0) << qPrintable(json.err);
    QJsonParseError error;
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    const QVariantMap fromJson = object.toVariantMap();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_TRUE(object.value(QStringLiteral("PixelWidth")).isDouble()) << "numbers as numbers";
    EXPECT_EQ(
        fromJson.value(QStringLiteral("{IPTC}")).toMap().value(QStringLiteral("Keywords")).typeId(),
        QMetaType::QVariantList);

    const CliRun plist = cli({QStringLiteral("dump"), QStringLiteral("--plist"), photo});
    ASSERT_EQ(plist.exitCode, 0);
    EXPECT_TRUE(plist.out.startsWith(QLatin1String("<?xml")));
    EXPECT_TRUE(plist.out.contains(QLatin1String("<!DOCTYPE plist")));
    const auto fromPlist = fromXmlPropertyList(plist.out.toUtf8());
    ASSERT_TRUE(fromPlist.isOk());
    EXPECT_EQ(fromPlist->value(QStringLiteral("PixelWidth")).toInt(),
              fromJson.value(QStringLiteral("PixelWidth")).toInt());
    EXPECT_EQ(fromPlist->value(QStringLiteral("{IPTC}"))
                  .toMap()
                  .value(QStringLiteral("Keywords"))
                  .toStringList(),
              fromJson.value(QStringLiteral("{IPTC}"))
                  .toMap()
                  .value(QStringLiteral("Keywords"))
                  .toStringList());

    const CliRun missing = cli({QStringLiteral("dump"), QStringLiteral("/nonexistent/photo.jpg")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.startsWith(QLatin1String("/nonexistent/photo.jpg: ")));
}

TEST(Cli, removesIntoANewFolderAndNamesEachSkippedFile) {
    TestFolder folder;
    const QString good = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString bad = folder.writeFile(QStringLiteral("bad.jpg"), "not a photo");
    const QString out = folder.file(QStringLiteral("deep/er/out"));
    const CliRun ok =
        cli({QStringLiteral("remove"), QStringLiteral("gps"), QStringLiteral("--out"), out, good});
    EXPECT_EQ(ok.exitCode, 0) << qPrintable(ok.err);
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/NoGPS_DSCN0010.jpg")));

    const CliRun partly = cli({QStringLiteral("remove"), QStringLiteral("exif-gps"),
                               QStringLiteral("--out"), out, bad, good});
    EXPECT_EQ(partly.exitCode, 1);
    const QStringList lines = partly.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << qPrintable(partly.err);
    EXPECT_TRUE(lines[0].startsWith(bad + QStringLiteral(": "))) << qPrintable(partly.err);
    EXPECT_EQ(lines[1], QStringLiteral("tessaview-cli: 1 of 2 photos written (0 under another "
                                       "name), 1 skipped"));
    EXPECT_TRUE(QFile::exists(out + QStringLiteral("/NoExifAndGPS_DSCN0010.jpg")));
    EXPECT_FALSE(QFile::exists(out + QStringLiteral("/NoExifAndGPS_bad.jpg")));
}

TEST(Cli, aParallelBatchWritesWhatASequentialOneWrites) {
    TestFolder folder;
    QStringList inputs;
    const QStringList fixtures = {QStringLiteral("DSCN0010.jpg"), QStringLiteral("Pentax_K10D.jpg"),
                                  QStringLiteral("BlueSquare.jpg"),
                                  QStringLiteral("Kodak_CX7530.jpg")};
    for (int i = 0; i < 30; ++i) {
        const QString sub = QStringLiteral("in%1/").arg(i % 3);
        QDir().mkpath(folder.file(sub));
        inputs << folder.copyPhoto(fixtures[i % 4], sub + QStringLiteral("n%1.jpg").arg(i % 12));
    }
    inputs << folder.writeFile(QStringLiteral("in0/broken.jpg"), "x");
    const CliRun one =
        cli(QStringList{QStringLiteral("remove"), QStringLiteral("iptc"), QStringLiteral("--jobs"),
                        QStringLiteral("1"), QStringLiteral("--out"),
                        folder.file(QStringLiteral("one"))} +
            inputs);
    const CliRun two =
        cli(QStringList{QStringLiteral("remove"), QStringLiteral("iptc"), QStringLiteral("--jobs"),
                        QStringLiteral("2"), QStringLiteral("--out"),
                        folder.file(QStringLiteral("two"))} +
            inputs);
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_EQ(two.exitCode, 1);
    EXPECT_EQ(one.err, two.err);
    const QStringList names =
        QDir(folder.file(QStringLiteral("one"))).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(names.size(), 12);
    EXPECT_EQ(names,
              QDir(folder.file(QStringLiteral("two"))).entryList(QDir::Files | QDir::Hidden));
    for (const QString& name : names)
        EXPECT_EQ(fileBytes(folder.file(QStringLiteral("one/") + name)),
                  fileBytes(folder.file(QStringLiteral("two/") + name)));
}

namespace {
QString dateOf(const QString& file, const char* tag) {
    return exiftoolRead(file).value(QLatin1String(tag)).toString();
}
} // namespace

// Each command reads the copy the one before wrote: the edits build on each other.
TEST(CliDates, eachCommandWritesThePhotoUnderItsOwnNameWithItsNewDates) {
    TestFolder folder;
    const QString canon = folder.copyPhoto(QStringLiteral("Canon_40D.jpg")); // 2008:05:30 15:56:01
    const QString out = folder.file(QStringLiteral("out"));
    const QString written = out + QStringLiteral("/Canon_40D.jpg");
    struct Case {
        QStringList arguments;
        QString original;
        QString digitized;
    };
    const QList<Case> cases = {
        {{QStringLiteral("dates"), QStringLiteral("edit"), QStringLiteral("--original"),
          QStringLiteral("2014:05:06 07:08:08"), QStringLiteral("--digitized"),
          QStringLiteral("2014-05-06 07:08:09")},
         QStringLiteral("2014:05:06 07:08:08"),
         QStringLiteral("2014:05:06 07:08:09")},
        {{QStringLiteral("dates"), QStringLiteral("set"), QStringLiteral("2014-05-06 07:08:09")},
         QStringLiteral("2014:05:06 07:08:09"),
         QStringLiteral("2014:05:06 07:08:09")},
        {{QStringLiteral("dates"), QStringLiteral("shift"), QStringLiteral("--subtract"),
          QStringLiteral("--months"), QStringLiteral("1"), QStringLiteral("--days"),
          QStringLiteral("-5"), QStringLiteral("--seconds"), QStringLiteral("1")},
         QStringLiteral("2014:04:06 07:08:08"),
         QStringLiteral("2014:04:06 07:08:08")},
        {{QStringLiteral("dates"), QStringLiteral("preview"), QStringLiteral("--before-original"),
          QStringLiteral("2020:01:01 00:00:00"), QStringLiteral("--before-digitized"),
          QStringLiteral("2020:01:01 00:00:00"), QStringLiteral("--after-original"),
          QStringLiteral("2020:01:01 00:00:00"), QStringLiteral("--after-digitized"),
          QStringLiteral("2020:01:01 02:00:00")},
         QStringLiteral("2014:04:06 07:08:08"),
         QStringLiteral("2014:04:06 09:08:08")},
    };
    for (const Case& c : cases) {
        const CliRun run = cli(c.arguments + QStringList{QStringLiteral("--out"), out, canon});
        const QString what = c.arguments.join(QLatin1Char(' '));
        EXPECT_EQ(run.exitCode, 0) << qPrintable(what) << qPrintable(run.err);
        EXPECT_EQ(dateOf(written, "ExifIFD:DateTimeOriginal"), c.original) << qPrintable(what);
        EXPECT_EQ(dateOf(written, "ExifIFD:CreateDate"), c.digitized) << qPrintable(what);
        EXPECT_EQ(exiv2Value(written, QStringLiteral("Exif.Photo.DateTimeDigitized")), c.digitized)
            << qPrintable(what);
        EXPECT_EQ(jpegImageData(fileBytes(written)), jpegImageData(fileBytes(canon)));
    }

    const QByteArray edited = fileBytes(written);
    const CliRun copy = cli({QStringLiteral("file-dates"), QStringLiteral("--out"), out, canon});
    EXPECT_EQ(copy.exitCode, 0) << qPrintable(copy.err);
    EXPECT_EQ(fileBytes(written), edited);
    EXPECT_EQ(QFileInfo(written).lastModified(),
              QDateTime(QDate(2014, 4, 6), QTime(7, 8, 8)));
    EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList{QStringLiteral("Canon_40D.jpg")});
}

TEST(CliDates, aBadDateOrAmountIsAUsageErrorThatNamesIt) {
    TestFolder folder;
    const QString photo = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString out = folder.file(QStringLiteral("out"));
    const QStringList tail = {QStringLiteral("--out"), out, photo};
    const QList<std::pair<QStringList, QString>> misuses = {
        {{QStringLiteral("dates"), QStringLiteral("set"), QStringLiteral("2014/05/06 07:08:09")},
         QStringLiteral("\"2014/05/06 07:08:09\"")},
        {{QStringLiteral("dates"), QStringLiteral("set"), QStringLiteral("2014:13:01 00:00:00")},
         QStringLiteral("\"2014:13:01 00:00:00\"")},
        {{QStringLiteral("dates"), QStringLiteral("edit"), QStringLiteral("--original"),
          QStringLiteral("yesterday"), QStringLiteral("--digitized"),
          QStringLiteral("2014:05:06 07:08:09")},
         QStringLiteral("\"yesterday\"")},
        {{QStringLiteral("dates"), QStringLiteral("edit"), QStringLiteral("--digitized"),
          QStringLiteral("2014:05:06 07:08:09")},
         QStringLiteral("--original")},
        {{QStringLiteral("dates"), QStringLiteral("shift"), QStringLiteral("--days"),
          QStringLiteral("1")},
         QStringLiteral("--add or --subtract")},
        {{QStringLiteral("dates"), QStringLiteral("shift"), QStringLiteral("--add"),
          QStringLiteral("--subtract")},
         QStringLiteral("--add or --subtract")},
        {{QStringLiteral("dates"), QStringLiteral("shift"), QStringLiteral("--add"),
          QStringLiteral("--days"), QStringLiteral("one")},
         QStringLiteral("\"one\"")},
        {{QStringLiteral("dates"), QStringLiteral("preview"), QStringLiteral("--before-original"),
          QStringLiteral("2020:01:01 00:00:00"), QStringLiteral("--before-digitized"),
          QStringLiteral("2020:01:01 00:00:00"), QStringLiteral("--after-original"),
          QStringLiteral("2020-01-01 00:00:00"), QStringLiteral("--after-digitized"),
          QStringLiteral("2020:01:01 02:00:00")},
         QStringLiteral("one layout")},
        {{QStringLiteral("dates"), QStringLiteral("rewind")}, QStringLiteral("edit, set")},
    };
    for (const auto& [arguments, named] : misuses) {
        const CliRun run = cli(arguments + tail);
        const QString what = arguments.join(QLatin1Char(' '));
        EXPECT_EQ(run.exitCode, 2) << qPrintable(what);
        const QString firstLine = run.err.section(QLatin1Char('\n'), 0, 0);
        EXPECT_TRUE(firstLine.contains(named)) << qPrintable(what) << ": " << qPrintable(firstLine);
        // A date is named with the two layouts it may take.
        const bool isDate = named.startsWith(QLatin1Char('"')) && named != QLatin1String("\"one\"");
        EXPECT_EQ(firstLine.contains(QLatin1String("YYYY:MM:DD HH:MM:SS or YYYY-MM-DD HH:MM:SS")),
                  isDate)
            << qPrintable(firstLine);
    }
    EXPECT_FALSE(QFileInfo::exists(out)) << "a usage error writes nothing";

    // A shift past the four-digit years skips the photo and says why.
    const CliRun far =
        cli(QStringList{QStringLiteral("dates"), QStringLiteral("shift"), QStringLiteral("--add"),
                        QStringLiteral("--years"), QStringLiteral("9000")} +
            tail);
    EXPECT_EQ(far.exitCode, 1);
    EXPECT_TRUE(far.err.startsWith(photo + QStringLiteral(": ")));
    EXPECT_TRUE(far.err.contains(QLatin1String("9999")));
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/DSCN0010.jpg")));
}
