#include "metadata/AtomicFile.h"

#include "metadata/CanonicalPaths.h"
#include "metadata/FileTimes.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <vector>

namespace {

using ContentWriter = std::function<bool(int fd)>;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

bool writeAll(int fd, const char* data, qint64 size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(std::min<qint64>(size, 1 << 30)));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Starts writing a new copy to disk now, without waiting for it: a batch then
// flushes while it works, instead of piling up dirty pages that throttle it
// and all have to be written by the one flush at its end.
void startWriteBack(int fd) {
    ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

} // namespace

Result<QByteArray> readWholeFile(const QString& path) {
    using R = Result<QByteArray>;
    FileDescriptor fd(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return R::fail(QStringLiteral("cannot read: %1").arg(systemError(errno)));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        return R::fail(QStringLiteral("cannot read: %1").arg(systemError(errno)));
    if (!S_ISREG(info.st_mode))
        return R::fail(QStringLiteral("not a regular file"));
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + filled, size_t(bytes.size() - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return R::fail(QStringLiteral("cannot read: %1").arg(systemError(errno)));
        if (got == 0)
            break; // the file shrank while we read it
        filled += got;
    }
    bytes.truncate(filled);
    return R::ok(std::move(bytes));
}

namespace {

// A new file written unnamed and then linked in under its name, so that it
// appears only when complete: one operation on the folder instead of a create
// and a rename, which matters when both workers fill one folder. Nothing when
// the file system has no unnamed files or the name is taken meanwhile; the
// caller then goes the way of a temporary name.
std::optional<Status> writeNewFileUnnamed(const QString& folder, const QByteArray& finalName,
                                          const ContentWriter& write) {
    FileDescriptor fd(
        ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return std::nullopt;
    if (!write(fd.get()))
        return Status::fail(QStringLiteral("cannot write: %1").arg(systemError(errno)));
    startWriteBack(fd.get());
    if (AtomicFileTesting::beforeLink)
        AtomicFileTesting::beforeLink(finalName);
    const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd.get());
    if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, finalName.constData(), AT_SYMLINK_FOLLOW) !=
        0) {
        // Another writer took the name while this copy was written: replacing
        // its file would lose it, so this copy fails instead.
        if (errno == EEXIST)
            return Status::fail(
                QStringLiteral("not written: %1 appeared while it was being written")
                    .arg(QFile::decodeName(finalName)));
        return std::nullopt;
    }
    if (::close(fd.release()) != 0) {
        const int error = errno;
        ::unlink(finalName.constData());
        return Status::fail(QStringLiteral("cannot write: %1").arg(systemError(error)));
    }
    return Status::ok();
}

} // namespace

static Status writeWithAtomically(const QString& path, const ContentWriter& write, SyncMode sync,
                                  OutputPath output = OutputPath::Unknown) {
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    struct stat existing {};
    if (sync == SyncMode::Later &&
        (output == OutputPath::Free ||
         (::lstat(finalName.constData(), &existing) != 0 && errno == ENOENT))) {
        if (auto written = writeNewFileUnnamed(folder, finalName, write))
            return *written;
    }
    QByteArray tempName;
    int fdValue = -1;
    for (int attempt = 0; attempt < 16 && fdValue < 0; ++attempt) {
        tempName = QFile::encodeName(QStringLiteral("%1/.%2.%3.part")
                                         .arg(folder, target.fileName())
                                         .arg(QRandomGenerator::global()->generate64(), 0, 36));
        fdValue = ::open(tempName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fdValue < 0 && errno != EEXIST)
            break;
    }
    if (fdValue < 0)
        return Status::fail(
            QStringLiteral("cannot write into %1: %2").arg(folder, systemError(errno)));
    FileDescriptor fd(fdValue);
    auto failWith = [&](const QString& what) {
        const int error = errno;
        ::unlink(tempName.constData());
        return Status::fail(QStringLiteral("%1: %2").arg(what, systemError(error)));
    };
    if (!write(fd.get()))
        return failWith(QStringLiteral("cannot write"));
    if (sync == SyncMode::Now && ::fsync(fd.get()) != 0)
        return failWith(QStringLiteral("cannot flush"));
    if (sync == SyncMode::Later)
        startWriteBack(fd.get());
    if (::close(fd.release()) != 0)
        return failWith(QStringLiteral("cannot write"));
    if (::rename(tempName.constData(), finalName.constData()) != 0)
        return failWith(QStringLiteral("cannot replace %1").arg(path));
    if (sync == SyncMode::Now) {
        FileDescriptor dir(
            ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir.get() >= 0)
            ::fsync(dir.get());
    }
    return Status::ok();
}

Status writeFileAtomically(const QString& path, const QByteArray& bytes, SyncMode sync) {
    return writeWithAtomically(
        path, [&](int fd) { return writeAll(fd, bytes.constData(), bytes.size()); }, sync);
}

namespace {

// A range written from memory costs less than a copy the kernel sets up,
// unless it is large.
bool writesFromMemory(const RewritePlan::Piece& piece, const QByteArray& source) {
    return !piece.isSource() ||
           (piece.length < (1 << 20) && piece.sourceOffset + piece.length <= source.size());
}

// Writes the parts in order in as few calls as the kernel takes them.
bool writeAllGathered(int fd, std::vector<iovec> parts) {
    size_t first = 0;
    while (first < parts.size()) {
        const int count = int(std::min<size_t>(parts.size() - first, IOV_MAX));
        const ssize_t written = ::writev(fd, parts.data() + first, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return false;
        size_t left = size_t(written);
        const size_t before = first;
        while (first < parts.size() && left >= parts[first].iov_len)
            left -= parts[first++].iov_len;
        if (first < parts.size() && left > 0) {
            parts[first].iov_base = static_cast<char*>(parts[first].iov_base) + left;
            parts[first].iov_len -= left;
        } else if (written == 0 && first == before) {
            return false;
        }
    }
    return true;
}

// Copies a range of the source in the kernel (a reflink where the file
// system shares blocks); from the bytes in memory where it cannot.
bool copyRange(int from, int to, qint64 offset, qint64 length, const QByteArray& source) {
    loff_t at = offset;
    qint64 left = length;
    while (left > 0) {
        const ssize_t copied =
            ::copy_file_range(from, &at, to, nullptr, size_t(std::min<qint64>(left, 1 << 30)), 0);
        if (copied < 0 && errno == EINTR)
            continue;
        if (copied <= 0)
            break;
        left -= copied;
    }
    if (left == 0)
        return true;
    if (at + left > source.size())
        return false;
    return writeAll(to, source.constData() + at, left);
}

} // namespace

Status writePlanAtomically(const QString& path, const RewritePlan& plan, int sourceFd,
                           const QByteArray& source, SyncMode sync, OutputPath output,
                           const std::optional<QDateTime>& modified) {
    return writeWithAtomically(
        path,
        [&](int fd) {
            // New bytes and small ranges go out together, a large range by itself.
            std::vector<iovec> pending;
            for (const RewritePlan::Piece& piece : plan.pieces) {
                if (writesFromMemory(piece, source)) {
                    const char* data = piece.isSource() ? source.constData() + piece.sourceOffset
                                                        : piece.bytes.constData();
                    const size_t length =
                        size_t(piece.isSource() ? piece.length : piece.bytes.size());
                    pending.push_back({const_cast<char*>(data), length});
                    continue;
                }
                if (!writeAllGathered(fd, std::exchange(pending, {})) ||
                    !copyRange(sourceFd, fd, piece.sourceOffset, piece.length, source))
                    return false;
            }
            if (!writeAllGathered(fd, std::move(pending)))
                return false;
            if (modified) {
                // As setting the date by name afterwards did, a file system
                // that keeps no such date does not cost the photo.
                (void)setFileModified(fd, *modified);
            }
            return true;
        },
        sync, output);
}

Status syncFileSystem(const QString& folder) {
    FileDescriptor dir(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0 || ::syncfs(dir.get()) != 0)
        return Status::fail(QStringLiteral("cannot flush %1: %2").arg(folder, systemError(errno)));
    return Status::ok();
}

QString canonicalPathOf(const QString& path) {
    return CanonicalPaths().of(path);
}
