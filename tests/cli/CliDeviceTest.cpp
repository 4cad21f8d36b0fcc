#include "sources/DeviceFixture.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

struct CliDevice : ::testing::Test {
    DeviceFixture camera;
    TestFolder out;
    void SetUp() override {
        qputenv("TESSAVIEW_EXTRA_CAMERA_PORTS",
                (QStringLiteral("disk:/nowhere;") + camera.port()).toUtf8());
    }
    void TearDown() override { qunsetenv("TESSAVIEW_EXTRA_CAMERA_PORTS"); }
    QString cli(const QStringList& arguments, int* exitCode) {
        return runTool(QStringLiteral(TV_CLI_BINARY),
                       QStringList{QStringLiteral("device")} + arguments, exitCode);
    }
};

TEST_F(CliDevice, ListAndFilesPrintTheCameraAndItsPhotosAndMovies) {
    int exitCode = -1;
    const QJsonArray devices =
        QJsonDocument::fromJson(cli({QStringLiteral("list")}, &exitCode).toUtf8()).array();
    EXPECT_EQ(exitCode, 0);
    ASSERT_EQ(devices.size(), 1);
    EXPECT_EQ(devices[0].toObject()[QStringLiteral("port")].toString(), camera.port());

    const QJsonArray files =
        QJsonDocument::fromJson(
            cli({QStringLiteral("files"), QStringLiteral("--port"), camera.port()}, &exitCode)
                .toUtf8())
            .array();
    EXPECT_EQ(exitCode, 0);
    QMap<QString, QJsonObject> byName;
    for (const QJsonValue& file : files)
        byName.insert(file.toObject()[QStringLiteral("localName")].toString(), file.toObject());
    EXPECT_EQ(byName.keys(),
              (QStringList{QStringLiteral("CLIP.MOV"), QStringLiteral("Canon_40D.jpg"),
                           QStringLiteral("DSCN0010.jpg"), QStringLiteral("Nikon_D70.jpg"),
                           QStringLiteral("_rf.jpg"), QStringLiteral("caf_.jpg"),
                           QStringLiteral("ctl__[31mname.jpg")}));
    const QJsonObject movie = byName.value(QStringLiteral("CLIP.MOV"));
    EXPECT_EQ(movie[QStringLiteral("folder")].toString(), QStringLiteral("/DCIM/100APPLE"));
    EXPECT_EQ(movie[QStringLiteral("kind")].toString(), QStringLiteral("public.movie"));
    EXPECT_EQ(movie[QStringLiteral("mimeType")].toString(), QStringLiteral("video/quicktime"));
    EXPECT_EQ(movie[QStringLiteral("size")].toInt(), 23);
    EXPECT_EQ(byName.value(QStringLiteral("Canon_40D.jpg"))[QStringLiteral("kind")].toString(),
              QStringLiteral("public.image"));
}

TEST_F(CliDevice, DownloadWritesTheDevicesBytesUnderSafeNamesAndDeleteRemoves) {
    struct Case {
        QStringList arguments;
        int exitCode;
        QStringList written;
    };
    const Case cases[] = {
        {{QStringLiteral("Canon_40D.jpg")}, 0, {QStringLiteral("Canon_40D.jpg")}},
        // Again: the same bytes are kept, nothing new appears.
        {{QStringLiteral("/DCIM/100APPLE/Canon_40D.jpg")}, 0, {QStringLiteral("Canon_40D.jpg")}},
        {{QStringLiteral("ctl__[31mname.jpg"), QStringLiteral("missing.jpg")},
         1,
         {QStringLiteral("Canon_40D.jpg"), QStringLiteral("ctl__[31mname.jpg")}},
    };
    for (const Case& c : cases) {
        int exitCode = -1;
        cli(QStringList{QStringLiteral("download"), QStringLiteral("--out"), out.path()} +
                c.arguments,
            &exitCode);
        EXPECT_EQ(exitCode, c.exitCode) << qPrintable(c.arguments.join(' '));
        EXPECT_EQ(QDir(out.path()).entryList(QDir::Files | QDir::Hidden), c.written);
    }
    EXPECT_EQ(fileBytes(out.file(QStringLiteral("Canon_40D.jpg"))),
              camera.bytesOf("Canon_40D.jpg"));
    EXPECT_EQ(fileBytes(out.file(QStringLiteral("ctl__[31mname.jpg"))),
              camera.bytesOf(DeviceFixture::controlName()));

    int exitCode = -1;
    cli({QStringLiteral("delete"), QStringLiteral("Canon_40D.jpg")}, &exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(camera.exists("Canon_40D.jpg"));
    EXPECT_TRUE(camera.exists("DSCN0010.jpg"));
    cli({QStringLiteral("delete"), QStringLiteral("Canon_40D.jpg")}, &exitCode);
    EXPECT_EQ(exitCode, 1);
    cli({QStringLiteral("download")}, &exitCode);
    EXPECT_EQ(exitCode, 2);
}

TEST_F(CliDevice, NoCameraIsReportedAsAFailure) {
    qunsetenv("TESSAVIEW_EXTRA_CAMERA_PORTS");
    int exitCode = -1;
    cli({QStringLiteral("files"), QStringLiteral("--port"), camera.port()}, &exitCode);
    EXPECT_EQ(exitCode, 1);
}

} // namespace
