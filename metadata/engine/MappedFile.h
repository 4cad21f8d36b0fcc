#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// A regular file's bytes mapped privately, so that reading the headers of a
// large photo touches only the pages that hold them instead of copying the
// whole file. Files under a megabyte, and files that cannot be mapped, are
// read whole instead.
//
// The file stays open while this object lives, so that ranges copied from it
// later come from the very file that was read, even if its name is given to
// another file meanwhile.
//
// A file cut short by another program while it is mapped raises SIGBUS when
// the missing pages are touched; that is why only the worker process, whose
// failures are contained, maps photos, and only to read their headers.
class MappedFile {
public:
    // How much of a file that is read rather than mapped a reader needs: all
    // of it, or of a JPEG only its headers (the scan is most of the file).
    enum class Reach { Whole, JpegHeaders };

    // Refuses FIFOs, devices and folders, as readWholeFile() does.
    static Result<MappedFile> open(const QString& path, Reach reach = Reach::Whole);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Valid while this object lives: a copy shares the mapping, not the data.
    const QByteArray& bytes() const { return m_bytes; }
    bool isMapped() const { return m_address != nullptr; }
    int descriptor() const { return m_fd; }
    const struct stat& status() const { return m_status; }

private:
    MappedFile() = default;
    void unmap();

    QByteArray m_bytes;
    void* m_address = nullptr;
    size_t m_length = 0;
    int m_fd = -1;
    struct stat m_status {};
};
