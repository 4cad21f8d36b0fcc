#include "sources/DeviceDownload.h"

#include "sources/DeviceFileName.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Enough for any real folder; a folder full of numbered copies is refused.
constexpr int maxNumberedCopies = 9999;

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool readFully(int fd, char* data, qint64 size, qint64 offset) {
    while (size > 0) {
        const ssize_t got = ::pread(fd, data, size_t(size), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= got;
        offset += got;
    }
    return true;
}

// True when the regular file at path holds exactly the bytes of fd.
bool sameBytes(int fd, const QString& path) {
    Descriptor other(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    struct stat mine {
    }, theirs{};
    if (other.get() < 0 || ::fstat(fd, &mine) != 0 || ::fstat(other.get(), &theirs) != 0)
        return false;
    if (!S_ISREG(theirs.st_mode) || mine.st_size != theirs.st_size)
        return false;
    constexpr qint64 chunk = 1 << 20;
    QByteArray a(chunk, Qt::Uninitialized), b(chunk, Qt::Uninitialized);
    for (qint64 offset = 0; offset < mine.st_size; offset += chunk) {
        const qint64 length = std::min<qint64>(chunk, mine.st_size - offset);
        if (!readFully(fd, a.data(), length, offset) ||
            !readFully(other.get(), b.data(), length, offset) ||
            std::memcmp(a.constData(), b.constData(), size_t(length)) != 0)
            return false;
    }
    return true;
}

// The written bytes, unnamed where the file system allows it; else under a
// hidden name that is removed again whatever happens.
struct AsideFile {
    int fd = -1;
    QByteArray tempName; // empty for an unnamed file
    ~AsideFile() {
        if (fd >= 0)
            ::close(fd);
        if (!tempName.isEmpty())
            ::unlink(tempName.constData());
    }
};

Status openAside(const QString& folder, AsideFile& aside) {
    const QByteArray dir = QFile::encodeName(folder);
    aside.fd = ::open(dir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0644);
    if (aside.fd >= 0)
        return Status::ok();
    QByteArray pattern = dir + "/.tessaview-download-XXXXXX";
    aside.fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (aside.fd < 0)
        return Status::fail(
            QStringLiteral("cannot write in %1: %2").arg(folder, systemError(errno)));
    ::fchmod(aside.fd, 0644);
    aside.tempName = pattern;
    return Status::ok();
}

// Gives the written bytes a name; fails with EEXIST rather than replace.
int linkInto(const AsideFile& aside, const QByteArray& target) {
    if (aside.tempName.isEmpty()) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(aside.fd);
        return ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(),
                        AT_SYMLINK_FOLLOW);
    }
    return ::link(aside.tempName.constData(), target.constData());
}

} // namespace

Result<StoredFile> storeDownloadedFile(const QString& folder, const QString& fileName,
                                       qint64 expectedSize,
                                       const std::function<Status(int fd)>& write) {
    using R = Result<StoredFile>;
    const auto first = pathInsideFolder(folder, fileName);
    if (!first)
        return R::fail(first.error());
    AsideFile aside;
    if (const Status opened = openAside(folder, aside); !opened)
        return R::fail(opened.error());
    if (const Status written = write(aside.fd); !written)
        return R::fail(written.error());
    struct stat info {};
    if (::fstat(aside.fd, &info) != 0)
        return R::fail(systemError(errno));
    if (expectedSize >= 0 && info.st_size != expectedSize)
        return R::fail(QStringLiteral("the device sent %1 of %2 bytes")
                           .arg(qint64(info.st_size))
                           .arg(expectedSize));
    for (int number = 1; number <= maxNumberedCopies; ++number) {
        const auto path =
            number == 1 ? first : pathInsideFolder(folder, numberedFileName(fileName, number));
        if (!path)
            return R::fail(path.error());
        if (linkInto(aside, QFile::encodeName(path.value())) == 0)
            return R::ok({path.value(), false});
        if (errno != EEXIST)
            return R::fail(
                QStringLiteral("cannot write %1: %2").arg(path.value(), systemError(errno)));
        if (sameBytes(aside.fd, path.value()))
            return R::ok({path.value(), true});
    }
    return R::fail(
        QStringLiteral("%1 copies named %2 already").arg(maxNumberedCopies).arg(fileName));
}
