#include "support/TestPhotos.h"
#include "templates/PropertyListCodec.h"

#include <QDir>
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
        {QStringLiteral("dump"), QStringLiteral("a.jpg"), QStringLiteral("b.jpg")},
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
    EXPECT_EQ(partly.err.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(partly.err.startsWith(bad + QStringLiteral(": "))) << qPrintable(partly.err);
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
