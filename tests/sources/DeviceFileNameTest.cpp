#include "sources/DeviceFileName.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct NameCase {
    QByteArray device;
    QString expected;
};

TEST(DeviceFileName, EveryNameBecomesOnePlainFileNameThatStaysRecognisable) {
    const QByteArray longStem(300, 'a');
    const NameCase cases[] = {
        {"IMG_0001.JPG", QStringLiteral("IMG_0001.JPG")},
        {"../../.bashrc", QStringLiteral("bashrc")},
        {"a/b", QStringLiteral("a_b")},
        {"a\\b.jpg", QStringLiteral("a_b.jpg")},
        {"/etc/passwd", QStringLiteral("etc_passwd")},
        {".hidden.jpg", QStringLiteral("hidden.jpg")},
        {"...jpg", QStringLiteral("jpg")},
        {"ctl\x01name.jpg", QStringLiteral("ctl_name.jpg")},
        {"line\nbreak.jpg", QStringLiteral("line_break.jpg")},
        {"esc\x1b[31m.jpg", QStringLiteral("esc_[31m.jpg")},
        {"caf\xe9.jpg", QStringLiteral("caf_.jpg")},
        {"caf\xc3\xa9.jpg", QStringLiteral("caf\u00e9.jpg")},
        {"evil\xe2\x80\xaegpj.exe", QStringLiteral("evil_gpj.exe")},
        {"-rf.jpg", QStringLiteral("_rf.jpg")},
        {"  spaced .jpg ", QStringLiteral("spaced .jpg")},
        {"", QStringLiteral("unnamed")},
        {"..", QStringLiteral("unnamed")},
        {"\x01\x02", QStringLiteral("unnamed")},
        {QByteArray("nul\0.jpg", 8), QStringLiteral("nul_.jpg")},
    };
    QTemporaryDir folder;
    for (const NameCase& c : cases) {
        const QString safe = safeDeviceFileName(c.device);
        EXPECT_EQ(safe, c.expected) << c.device.toHex().constData();
        const auto path = pathInsideFolder(folder.path(), safe);
        ASSERT_TRUE(path.isOk()) << qPrintable(path.error());
    }
    const QString cut = safeDeviceFileName(longStem + ".JPG");
    EXPECT_LE(cut.toUtf8().size(), 200);
    EXPECT_TRUE(cut.endsWith(QLatin1String("a.JPG")));
}

TEST(DeviceFileName, PathsThatWouldLeaveTheFolderAreRefused) {
    QTemporaryDir folder;
    for (const QString& name : {QStringLiteral(".."), QStringLiteral("."), QStringLiteral("a/b"),
                                QStringLiteral("../x"), QString()})
        EXPECT_FALSE(pathInsideFolder(folder.path(), name).isOk()) << qPrintable(name);
    EXPECT_EQ(pathInsideFolder(folder.path(), QStringLiteral("x.jpg")).value(),
              QDir(folder.path()).canonicalPath() + QStringLiteral("/x.jpg"));
}

TEST(DeviceFileName, NumberedCopiesKeepTheExtension) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("IMG_0001.JPG"), QStringLiteral("IMG_0001 (2).JPG")},
        {QStringLiteral("archive.tar.gz"), QStringLiteral("archive.tar (2).gz")},
        {QStringLiteral("README"), QStringLiteral("README (2)")},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(numberedFileName(name, 2), expected);
}

} // namespace
