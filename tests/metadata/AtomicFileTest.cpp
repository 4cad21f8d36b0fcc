#include "metadata/AtomicFile.h"
#include "support/TestPhotos.h"

#include <QDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(AtomicFile, replacesAFileWholeAndLeavesNoTemporaryBehind) {
    TestFolder folder;
    const QString path = folder.writeFile(QStringLiteral("photo.jpg"), "old contents");
    ASSERT_TRUE(writeFileAtomically(path, "new contents", SyncMode::Later).isOk());
    EXPECT_EQ(fileBytes(path), QByteArray("new contents"));
    ASSERT_TRUE(writeFileAtomically(path, "synced contents", SyncMode::Now).isOk());
    EXPECT_EQ(fileBytes(path), QByteArray("synced contents"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("photo.jpg")});
    EXPECT_TRUE(syncFileSystem(folder.path()).isOk());
}

TEST(AtomicFile, leavesTheOldFileAloneWhenTheWriteFails) {
    TestFolder folder;
    // A folder standing at the output path cannot be replaced by a file.
    ASSERT_TRUE(QDir(folder.path()).mkpath(QStringLiteral("taken/inside")));
    const Status status =
        writeFileAtomically(folder.file(QStringLiteral("taken")), "bytes", SyncMode::Now);
    EXPECT_FALSE(status.isOk());
    EXPECT_FALSE(status.error().isEmpty());
    EXPECT_TRUE(QFileInfo(folder.file(QStringLiteral("taken/inside"))).isDir());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    const Status noFolder =
        writeFileAtomically(folder.file(QStringLiteral("missing/photo.jpg")), "x", SyncMode::Later);
    EXPECT_FALSE(noFolder.isOk());
}

TEST(AtomicFile, readsRegularFilesOnlyAndNeverBlocksOnAPipe) {
    TestFolder folder;
    const QString fifo = folder.file(QStringLiteral("pipe.jpg"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    const auto fromPipe = readWholeFile(fifo);
    EXPECT_FALSE(fromPipe.isOk());
    EXPECT_EQ(fromPipe.error(), QStringLiteral("not a regular file"));
    EXPECT_FALSE(readWholeFile(folder.path()).isOk());
    EXPECT_FALSE(readWholeFile(folder.file(QStringLiteral("missing.jpg"))).isOk());
    const QString empty = folder.writeFile(QStringLiteral("empty.jpg"), QByteArray());
    ASSERT_TRUE(readWholeFile(empty).isOk());
    EXPECT_TRUE(readWholeFile(empty)->isEmpty());
}
