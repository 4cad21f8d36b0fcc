#include "sources/DeviceDownload.h"

#include "support/TestPhotos.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

std::function<Status(int)> writes(const QByteArray& bytes) {
    return [bytes](int fd) {
        return ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size()
                   ? Status::ok()
                   : Status::fail(QStringLiteral("short write"));
    };
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

TEST(DeviceDownload, ANewFileIsWrittenWhole) {
    TestFolder folder;
    const auto stored =
        storeDownloadedFile(folder.path(), QStringLiteral("IMG_0001.JPG"), 5, writes("photo"));
    ASSERT_TRUE(stored.isOk()) << qPrintable(stored.error());
    EXPECT_EQ(QFileInfo(stored->path).fileName(), QStringLiteral("IMG_0001.JPG"));
    EXPECT_FALSE(stored->reused);
    EXPECT_EQ(fileBytes(stored->path), QByteArray("photo"));
    EXPECT_EQ(entries(folder.path()), QStringList{QStringLiteral("IMG_0001.JPG")});
}

TEST(DeviceDownload, AnExistingFileIsNeverReplaced) {
    struct Case {
        QByteArray existing, second, third;
        QStringList expectedNames;
        bool reused;
    };
    const Case cases[] = {
        // The same bytes again: the file there is the download.
        {"photo", "photo", {}, {QStringLiteral("IMG_0001.JPG")}, true},
        // Other bytes get the next free number.
        {"photo",
         "other",
         {},
         {QStringLiteral("IMG_0001 (2).JPG"), QStringLiteral("IMG_0001.JPG")},
         false},
        {"photo",
         "other",
         "third",
         {QStringLiteral("IMG_0001 (2).JPG"), QStringLiteral("IMG_0001 (3).JPG"),
          QStringLiteral("IMG_0001.JPG")},
         false},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        folder.writeFile(QStringLiteral("IMG_0001.JPG"), c.existing);
        QByteArray last = c.second;
        auto stored = storeDownloadedFile(folder.path(), QStringLiteral("IMG_0001.JPG"), -1,
                                          writes(c.second));
        if (!c.third.isEmpty()) {
            last = c.third;
            stored = storeDownloadedFile(folder.path(), QStringLiteral("IMG_0001.JPG"), -1,
                                         writes(c.third));
        }
        ASSERT_TRUE(stored.isOk()) << qPrintable(stored.error());
        EXPECT_EQ(stored->reused, c.reused);
        EXPECT_EQ(fileBytes(stored->path), last);
        EXPECT_EQ(fileBytes(folder.file(QStringLiteral("IMG_0001.JPG"))), c.existing);
        EXPECT_EQ(entries(folder.path()), c.expectedNames);
    }
}

TEST(DeviceDownload, AFailedOrShortDownloadLeavesNothing) {
    struct Case {
        qint64 expectedSize;
        std::function<Status(int)> write;
        QString reason;
    };
    const Case cases[] = {
        {-1,
         [](int fd) {
             [[maybe_unused]] auto n = ::write(fd, "half", 4);
             return Status::fail(QStringLiteral("I/O problem: the cable came out"));
         },
         QStringLiteral("I/O problem: the cable came out")},
        {100, writes("only part"), QStringLiteral("the device sent 9 of 100 bytes")},
    };
    for (const Case& c : cases) {
        TestFolder folder;
        const auto stored = storeDownloadedFile(folder.path(), QStringLiteral("IMG_0002.JPG"),
                                                c.expectedSize, c.write);
        ASSERT_FALSE(stored.isOk());
        EXPECT_EQ(stored.error(), c.reason);
        EXPECT_EQ(entries(folder.path()), QStringList());
    }
}

TEST(DeviceDownload, ALinkInTheFolderIsNotFollowed) {
    TestFolder outside, folder;
    const QString target = outside.writeFile(QStringLiteral("victim"), "keep me");
    ASSERT_TRUE(QFile::link(target, folder.file(QStringLiteral("IMG_0003.JPG"))));
    const auto stored =
        storeDownloadedFile(folder.path(), QStringLiteral("IMG_0003.JPG"), -1, writes("photo"));
    ASSERT_TRUE(stored.isOk()) << qPrintable(stored.error());
    EXPECT_EQ(QFileInfo(stored->path).fileName(), QStringLiteral("IMG_0003 (2).JPG"));
    EXPECT_EQ(fileBytes(target), QByteArray("keep me"));
}

TEST(DeviceDownload, ANameThatWouldLeaveTheFolderIsRefusedBeforeAnythingIsWritten) {
    TestFolder folder;
    bool called = false;
    const auto stored =
        storeDownloadedFile(folder.path(), QStringLiteral("../escape"), -1, [&](int) {
            called = true;
            return Status::ok();
        });
    EXPECT_FALSE(stored.isOk());
    EXPECT_FALSE(called);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(folder.path()).dir().filePath("escape")));
}

} // namespace
