#include "metadata/FileTimes.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
QDateTime fromTimestamp(const struct statx_timestamp& stamp) {
    return QDateTime::fromMSecsSinceEpoch(qint64(stamp.tv_sec) * 1000 + stamp.tv_nsec / 1000000);
}
} // namespace

Result<FileTimes> readFileTimes(const QString& path) {
    struct statx info {};
    if (::statx(AT_FDCWD, QFile::encodeName(path).constData(), 0, STATX_BTIME | STATX_MTIME,
                &info) != 0)
        return Result<FileTimes>::fail(QString::fromLocal8Bit(std::strerror(errno)));
    FileTimes times;
    times.modified = fromTimestamp(info.stx_mtime);
    times.created = (info.stx_mask & STATX_BTIME) ? fromTimestamp(info.stx_btime) : times.modified;
    return Result<FileTimes>::ok(times);
}

// The access time left alone and the modification time set, as the calls
// that set file times take them.
struct ModificationTimes {
    struct timespec times[2];
    explicit ModificationTimes(const QDateTime& modified) {
        const qint64 ms = modified.toMSecsSinceEpoch();
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_OMIT;
        times[1].tv_sec = ms / 1000 - (ms % 1000 < 0 ? 1 : 0);
        times[1].tv_nsec = ((ms % 1000 + 1000) % 1000) * 1000000;
    }
};

Status setFileTimes(const QString& path, const std::optional<QDateTime>& created,
                    const std::optional<QDateTime>& modified) {
    const std::optional<QDateTime> stamp = modified ? modified : created;
    if (!stamp)
        return Status::ok();
    const ModificationTimes set(*stamp);
    if (::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), set.times, 0) != 0)
        return Status::fail(QString::fromLocal8Bit(std::strerror(errno)));
    return Status::ok();
}

Status setFileModified(int fd, const QDateTime& modified) {
    const ModificationTimes set(modified);
    if (::futimens(fd, set.times) != 0)
        return Status::fail(QString::fromLocal8Bit(std::strerror(errno)));
    return Status::ok();
}
