#include "metadata/engine/MappedFile.h"

#include "metadata/engine/JpegSegments.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

Result<MappedFile> MappedFile::open(const QString& path, Reach reach) {
    using R = Result<MappedFile>;
    auto systemError = [](int error) {
        return QStringLiteral("cannot read: %1").arg(QString::fromLocal8Bit(std::strerror(error)));
    };
    MappedFile file;
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    file.m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (file.m_fd < 0)
        return R::fail(systemError(errno));
    if (::fstat(file.m_fd, &file.m_status) != 0)
        return R::fail(systemError(errno));
    if (!S_ISREG(file.m_status.st_mode))
        return R::fail(QStringLiteral("not a regular file"));
    const qint64 size = file.m_status.st_size;
    // Small files are cheaper to copy than to map: a copy costs no page
    // faults, and unmapping costs no cross-core flush of other threads'
    // address translations.
    constexpr qint64 smallestMapped = qint64(1) << 20;
    if (size >= smallestMapped && quint64(size) < quint64(SIZE_MAX)) {
        // Writable but private: the library edits some containers in the
        // buffer it is given, and those writes must land in copies of the
        // pages, never in the file.
        void* address =
            ::mmap(nullptr, size_t(size), PROT_READ | PROT_WRITE, MAP_PRIVATE, file.m_fd, 0);
        if (address != MAP_FAILED) {
            file.m_address = address;
            file.m_length = size_t(size);
            file.m_bytes =
                QByteArray::fromRawData(static_cast<const char*>(address), qsizetype(size));
            return R::ok(std::move(file));
        }
    }
    // Empty files and file systems without mappings: read from the same
    // descriptor, up to the end even if the file grew or shrank meanwhile.
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qsizetype filled = 0;
    // A JPEG's headers nearly always lie in its first 64 KiB.
    constexpr qsizetype firstReach = 64 * 1024;
    qsizetype wanted = reach == Reach::JpegHeaders ? std::min(firstReach, bytes.size()) : size;
    while (filled < wanted) {
        const ssize_t got = ::read(file.m_fd, bytes.data() + filled, size_t(wanted - filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return R::fail(systemError(errno));
        if (got == 0)
            break;
        filled += got;
        if (filled == wanted && wanted < bytes.size()) {
            const QByteArray head = QByteArray::fromRawData(bytes.constData(), filled);
            if (jpegFirstScanOffset(head))
                break;
            wanted = bytes.size(); // not a JPEG, or longer headers: the rest too
        }
    }
    bytes.truncate(filled);
    file.m_bytes = std::move(bytes);
    return R::ok(std::move(file));
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, QByteArray())),
      m_address(std::exchange(other.m_address, nullptr)),
      m_length(std::exchange(other.m_length, 0)), m_fd(std::exchange(other.m_fd, -1)),
      m_status(other.m_status) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        unmap();
        m_bytes = std::exchange(other.m_bytes, QByteArray());
        m_address = std::exchange(other.m_address, nullptr);
        m_length = std::exchange(other.m_length, 0);
        m_fd = std::exchange(other.m_fd, -1);
        m_status = other.m_status;
    }
    return *this;
}

MappedFile::~MappedFile() {
    unmap();
}

void MappedFile::unmap() {
    m_bytes.clear();
    if (m_address)
        ::munmap(m_address, m_length);
    m_address = nullptr;
    m_length = 0;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}
