#include "metadata/AtomicFile.h"
#include "metadata/CanonicalPaths.h"
#include "metadata/PropertyKeys.h"
#include "metadata/engine/EngineMetadataService.h"
#include "metadata/engine/MappedFile.h"
#include "metadata/engine/PropertyWriter.h"
#include "support/TestPhotos.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

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

TEST(AtomicFile, givesNewAndReplacedFilesTheSamePermissionsAndNothingElseInTheFolder) {
    TestFolder folder;
    const QString fresh = folder.file(QStringLiteral("fresh.jpg"));
    const QString replaced = folder.writeFile(QStringLiteral("replaced.jpg"), "old");
    ASSERT_TRUE(writeFileAtomically(fresh, "fresh contents", SyncMode::Later).isOk());
    ASSERT_TRUE(writeFileAtomically(replaced, "new contents", SyncMode::Later).isOk());
    EXPECT_EQ(fileBytes(fresh), QByteArray("fresh contents"));
    EXPECT_EQ(fileBytes(replaced), QByteArray("new contents"));
    struct stat freshInfo {};
    struct stat replacedInfo {};
    ASSERT_EQ(::stat(fresh.toLocal8Bit().constData(), &freshInfo), 0);
    ASSERT_EQ(::stat(replaced.toLocal8Bit().constData(), &replacedInfo), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(freshInfo.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(replacedInfo.st_mode & 0777, 0666 & ~mask);
    EXPECT_EQ(freshInfo.st_nlink, 1u);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{QStringLiteral("fresh.jpg"), QStringLiteral("replaced.jpg")}));
    // A name taken by something that is not a file is refused, not replaced.
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("taken.jpg")));
    EXPECT_FALSE(
        writeFileAtomically(folder.file(QStringLiteral("taken.jpg")), "x", SyncMode::Later).isOk());
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

    // The mapped reader refuses and accepts the same files.
    const auto mappedPipe = MappedFile::open(fifo);
    EXPECT_FALSE(mappedPipe.isOk());
    EXPECT_EQ(mappedPipe.error(), QStringLiteral("not a regular file"));
    EXPECT_FALSE(MappedFile::open(folder.path()).isOk());
    EXPECT_FALSE(MappedFile::open(folder.file(QStringLiteral("missing.jpg"))).isOk());
    const auto mappedEmpty = MappedFile::open(empty);
    ASSERT_TRUE(mappedEmpty.isOk());
    EXPECT_TRUE(mappedEmpty->bytes().isEmpty());
}

TEST(MappedFile, holdsTheFileBytesForAsLongAsItLives) {
    TestFolder folder;
    const QString small = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const auto copied = MappedFile::open(small);
    ASSERT_TRUE(copied.isOk());
    EXPECT_FALSE(copied->isMapped());
    EXPECT_EQ(copied->bytes(), fileBytes(small));

    const QString large = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("l.jpg"));
    ASSERT_TRUE(QFile::resize(large, qint64(3) << 20));
    const QByteArray original = fileBytes(large);
    auto opened = MappedFile::open(large);
    ASSERT_TRUE(opened.isOk());
    EXPECT_TRUE(opened->isMapped());
    MappedFile kept = std::move(opened.value());
    EXPECT_EQ(kept.bytes(), original);
    // The file replaced under the same name leaves the mapped bytes as they were.
    ASSERT_TRUE(writeFileAtomically(large, "replaced", SyncMode::Later).isOk());
    EXPECT_EQ(kept.bytes(), original);

    // Read for its headers, a JPEG stops after the first 64 KiB when they end
    // there; one whose headers run on, and any other file, is read whole.
    const QByteArray photo = fileBytes(small);
    const qsizetype scan = photo.indexOf("\xFF\xDA");
    ASSERT_GT(scan, 0);
    const QByteArray app15(QByteArray("\xFF\xEF\xFF\xFF") + QByteArray(0xFFFD, 'x'));
    const QByteArray longHeaders = photo.left(2) + app15 + app15 + photo.mid(2);
    const QByteArray padded = photo + QByteArray(100000, '\0');
    const QByteArray tiff =
        fileBytes(fixturePath(QStringLiteral("Arbitro.tiff"))) + QByteArray(100000, '\0');
    const struct {
        const char* name;
        QByteArray bytes;
        qsizetype expected;
    } reaches[] = {{"headers.jpg", padded, 64 * 1024},
                   {"long-headers.jpg", longHeaders, longHeaders.size()},
                   {"other.tiff", tiff, tiff.size()}};
    for (const auto& reach : reaches) {
        SCOPED_TRACE(reach.name);
        const QString path = folder.writeFile(QString::fromLatin1(reach.name), reach.bytes);
        const auto head = MappedFile::open(path, MappedFile::Reach::JpegHeaders);
        ASSERT_TRUE(head.isOk());
        EXPECT_EQ(head->bytes(), reach.bytes.left(reach.expected));
    }
}

// Ranges a writer copies later are read through the descriptor: they must
// come from the file that was read, not from whatever bears its name now.
TEST(MappedFile, keepsTheFileThatWasReadOpen) {
    TestFolder folder;
    const QString small = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QString large = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("l.jpg"));
    ASSERT_TRUE(QFile::resize(large, qint64(3) << 20));
    for (const QString& path : {small, large}) {
        SCOPED_TRACE(path.toStdString());
        const QByteArray original = fileBytes(path);
        const auto opened = MappedFile::open(path);
        ASSERT_TRUE(opened.isOk());
        ASSERT_TRUE(writeFileAtomically(path, "replaced", SyncMode::Later).isOk());
        QByteArray through(original.size(), '\0');
        ASSERT_EQ(::pread(opened->descriptor(), through.data(), size_t(through.size()), 0),
                  ssize_t(original.size()));
        EXPECT_EQ(through, original);
        EXPECT_EQ(opened->status().st_size, original.size());
        EXPECT_EQ(fileBytes(path), QByteArray("replaced"));
    }
}

namespace {
// Bytes this process has asked the kernel to read, whether from disk or cache.
qint64 bytesReadSoFar() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    }
    return -1;
}
} // namespace

TEST(MappedFile, readsTheHeadersOfALargePhotoWithoutCopyingTheRest) {
    TestFolder folder;
    // A real photo followed by 256 MB that nothing needs: a sparse tail, so
    // the test costs no disk.
    const QString photo =
        folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("big.jpg"));
    constexpr qint64 size = qint64(256) << 20;
    ASSERT_TRUE(QFile::resize(photo, size));
    EngineMetadataService engine;
    const qint64 before = bytesReadSoFar();
    ASSERT_GE(before, 0);
    const auto properties = engine.readProperties(photo);
    const auto preview = engine.readPreview(photo, 160);
    const qint64 read = bytesReadSoFar() - before;
    ASSERT_TRUE(properties.isOk()) << qPrintable(properties.error());
    EXPECT_EQ(properties->dictionary.value(PropertyKeys::TiffSet).toMap().value(PropertyKeys::Make),
              QStringLiteral("NIKON"));
    ASSERT_TRUE(preview.isOk()) << qPrintable(preview.error());
    EXPECT_FALSE(preview->bytes.isEmpty());
    EXPECT_LT(read, qint64(4) << 20) << "read " << read << " bytes of a " << size << "-byte file";
}

namespace {
// What another program puts at the final name while a new copy is written.
const QByteArray TheirContents = "another program's file";
void theyTakeTheName(const QByteArray& finalName) {
    QFile theirs(QFile::decodeName(finalName));
    if (theirs.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        theirs.write(TheirContents);
}
} // namespace

TEST(AtomicFile, failsANewCopyWhoseNameAppearsWhileItIsWrittenAndLeavesThatFileAlone) {
    TestFolder folder;
    const QByteArray source = fileBytes(fixturePath(QStringLiteral("DSCN0010.jpg")));
    RewritePlan plan;
    plan.addBytes("ours");
    plan.addSource(100, 1000);
    struct Case {
        const char* what;
        std::function<Status(const QString&)> write;
    };
    const QList<Case> cases = {
        {"bytes",
         [](const QString& path) { return writeFileAtomically(path, "ours", SyncMode::Later); }},
        {"a plan",
         [&](const QString& path) {
             return writePlanAtomically(path, plan, -1, source, SyncMode::Later);
         }},
    };
    AtomicFileTesting::beforeLink = theyTakeTheName;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = folder.file(QStringLiteral("new %1.jpg").arg(QLatin1String(c.what)));
        const Status written = c.write(path);
        EXPECT_FALSE(written.isOk());
        EXPECT_EQ(written.error(),
                  QStringLiteral("not written: %1 appeared while it was being written").arg(path));
        EXPECT_EQ(fileBytes(path), TheirContents);
    }
    AtomicFileTesting::beforeLink = nullptr;
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              (QStringList{QStringLiteral("new a plan.jpg"), QStringLiteral("new bytes.jpg")}));
}

TEST(AtomicFile, writesAPlanByteForByteFromTheSourceFileOrItsBytes) {
    TestFolder folder;
    const QString input = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"));
    const QByteArray source = fileBytes(input);
    RewritePlan handMade;
    handMade.addSource(0, 2);
    handMade.addBytes(QByteArray("\xff\xfe\x00\x05hi!", 7));
    handMade.addSource(2, 1001);
    handMade.addSource(1003, source.size() - 1003);
    handMade.addBytes("tail");
    handMade.addSource(source.size() - 1, 1);
    const auto planned =
        planRewrite(source, {{PropertyKeys::GpsSet, QVariant::fromValue(nullptr)}});
    ASSERT_TRUE(planned.isOk()) << qPrintable(planned.error());
    ASSERT_TRUE(std::any_of(planned->pieces.cbegin(), planned->pieces.cend(),
                            [](const RewritePlan::Piece& p) { return p.isSource(); }))
        << "the image data is copied, not carried";
    const int fd = ::open(QFile::encodeName(input).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    int n = 0;
    for (const RewritePlan& plan : {handMade, planned.value()}) {
        for (const int from : {fd, -1}) {
            for (const SyncMode sync : {SyncMode::Later, SyncMode::Now}) {
                SCOPED_TRACE(++n);
                const QString path = folder.file(QStringLiteral("out%1.jpg").arg(n));
                ASSERT_TRUE(writePlanAtomically(path, plan, from, source, sync).isOk());
                EXPECT_EQ(fileBytes(path), plan.assemble(source));
                EXPECT_EQ(fileBytes(path).size(), plan.size());
            }
        }
    }
    ::close(fd);

    // A range of a megabyte or more is copied by the kernel between the
    // pieces written from memory, which must keep their places around it.
    const QString large = folder.copyPhoto(QStringLiteral("DSCN0010.jpg"), QStringLiteral("l.jpg"));
    ASSERT_TRUE(QFile::resize(large, qint64(3) << 20));
    const QByteArray big = fileBytes(large);
    RewritePlan mixed;
    mixed.addBytes("head");
    mixed.addSource(10, 100);
    mixed.addSource(200, (qint64(2) << 20));
    mixed.addBytes("middle");
    mixed.addSource(5, 5);
    mixed.addSource(big.size() - (qint64(1) << 20), qint64(1) << 20);
    mixed.addBytes("end");
    const int bigFd = ::open(QFile::encodeName(large).constData(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(bigFd, 0);
    const QString path = folder.file(QStringLiteral("mixed.jpg"));
    ASSERT_TRUE(writePlanAtomically(path, mixed, bigFd, big, SyncMode::Later).isOk());
    EXPECT_EQ(fileBytes(path), mixed.assemble(big));
    ::close(bigFd);
}

// A batch resolves its paths through one CanonicalPaths, which lists a folder
// that holds many of them: the answers must be those of canonicalPathOf()
// path by path, links included, whether the folder was listed or not.
TEST(CanonicalPaths, listingAFolderGivesTheAnswersOfOnePathAtATime) {
    TestFolder folder;
    const QString real = QDir(folder.path()).canonicalPath();
    QDir().mkpath(folder.file(QStringLiteral("many")));
    QDir().mkpath(folder.file(QStringLiteral("other")));
    QStringList filler;
    for (int i = 0; i < 40; ++i)
        filler << folder.writeFile(QStringLiteral("many/f%1.jpg").arg(i), "x");
    folder.writeFile(QStringLiteral("other/target.jpg"), "t");
    auto link = [&](const QString& target, const QString& name) {
        ASSERT_EQ(::symlink(QFile::encodeName(target).constData(),
                            QFile::encodeName(folder.file(name)).constData()),
                  0);
    };
    link(folder.file(QStringLiteral("other/target.jpg")), QStringLiteral("many/link.jpg"));
    link(QStringLiteral("../other/target.jpg"), QStringLiteral("many/relative.jpg"));
    link(folder.file(QStringLiteral("other/gone.jpg")), QStringLiteral("many/dangling.jpg"));
    link(folder.file(QStringLiteral("other")), QStringLiteral("many/folder"));

    const struct {
        QString path;
        QString expected;
    } cases[] = {
        {folder.file(QStringLiteral("many/f3.jpg")), real + QStringLiteral("/many/f3.jpg")},
        {folder.file(QStringLiteral("many/link.jpg")), real + QStringLiteral("/other/target.jpg")},
        {folder.file(QStringLiteral("many/relative.jpg")),
         real + QStringLiteral("/other/target.jpg")},
        {folder.file(QStringLiteral("many/dangling.jpg")), QString()},
        {folder.file(QStringLiteral("many/missing.jpg")),
         real + QStringLiteral("/many/missing.jpg")},
        {folder.file(QStringLiteral("many/folder/target.jpg")),
         real + QStringLiteral("/other/target.jpg")},
        {folder.file(QStringLiteral("many/../other/target.jpg")),
         real + QStringLiteral("/other/target.jpg")},
        {folder.file(QStringLiteral("nowhere/x.jpg")), real + QStringLiteral("/nowhere/x.jpg")},
    };
    QStringList paths = filler;
    for (const auto& c : cases)
        paths << c.path;
    CanonicalPaths listed;
    listed.expect(paths);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(canonicalPathOf(c.path), c.expected);
        EXPECT_EQ(listed.of(c.path), c.expected);
    }
    // Relative paths are taken from the working folder.
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(folder.path()));
    CanonicalPaths relative;
    relative.expect(paths);
    EXPECT_EQ(relative.of(QStringLiteral("many/link.jpg")),
              real + QStringLiteral("/other/target.jpg"));
    EXPECT_EQ(relative.of(QStringLiteral("many/f7.jpg")), real + QStringLiteral("/many/f7.jpg"));
    QDir::setCurrent(before);
}

// The window asks for the same folders batch after batch: a folder replaced
// by a link meanwhile must be resolved anew, not from an earlier answer.
TEST(CanonicalPaths, aFolderReplacedByALinkIsResolvedAnew) {
    TestFolder folder;
    const QString real = QDir(folder.path()).canonicalPath();
    QDir().mkpath(folder.file(QStringLiteral("album")));
    QDir().mkpath(folder.file(QStringLiteral("elsewhere")));
    const QString photo = folder.file(QStringLiteral("album/p.jpg"));
    EXPECT_EQ(canonicalPathOf(photo), real + QStringLiteral("/album/p.jpg"));
    ASSERT_TRUE(QDir(folder.file(QStringLiteral("album"))).removeRecursively());
    ASSERT_EQ(::symlink(QFile::encodeName(folder.file(QStringLiteral("elsewhere"))).constData(),
                        QFile::encodeName(folder.file(QStringLiteral("album"))).constData()),
              0);
    EXPECT_EQ(canonicalPathOf(photo), real + QStringLiteral("/elsewhere/p.jpg"));
}
