#include "metadata/engine/MappedFile.h"

#include "metadata/AtomicFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

Result<MappedFile> MappedFile::open(const QString& path) {
    using R = Result<MappedFile>;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return R::fail(
            QStringLiteral("cannot read: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    void* address = MAP_FAILED;
    // Small files are cheaper to copy than to map: a copy costs no page
    // faults, and unmapping costs no cross-core flush of other threads'
    // address translations.
    constexpr qint64 smallestMapped = qint64(1) << 20;
    if (regular && info.st_size >= smallestMapped && quint64(info.st_size) < quint64(SIZE_MAX))
        // Writable but private: the library edits some containers in the
        // buffer it is given, and those writes must land in copies of the
        // pages, never in the file.
        address = ::mmap(nullptr, size_t(info.st_size), PROT_READ | PROT_WRITE, MAP_PRIVATE, fd, 0);
    ::close(fd);

    MappedFile file;
    if (address != MAP_FAILED) {
        file.m_address = address;
        file.m_length = size_t(info.st_size);
        file.m_bytes =
            QByteArray::fromRawData(static_cast<const char*>(address), qsizetype(info.st_size));
        return R::ok(std::move(file));
    }
    // Empty files, file systems without mappings, and everything that is not
    // a regular file: the plain reader copies or refuses them.
    auto whole = readWholeFile(path);
    if (!whole)
        return R::fail(whole.error());
    file.m_bytes = std::move(whole.value());
    return R::ok(std::move(file));
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : m_bytes(std::exchange(other.m_bytes, QByteArray())),
      m_address(std::exchange(other.m_address, nullptr)),
      m_length(std::exchange(other.m_length, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        unmap();
        m_bytes = std::exchange(other.m_bytes, QByteArray());
        m_address = std::exchange(other.m_address, nullptr);
        m_length = std::exchange(other.m_length, 0);
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
}
