#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QString>

// A regular file's bytes mapped privately, so that reading the headers of a
// large photo touches only the pages that hold them instead of copying the
// whole file. Files under a megabyte, and files that cannot be mapped, are
// read whole instead.
//
// A file cut short by another program while it is mapped raises SIGBUS when
// the missing pages are touched; that is why only the worker process, whose
// failures are contained, maps photos, and only to read their headers.
class MappedFile {
public:
    // Refuses FIFOs, devices and folders, as readWholeFile() does.
    static Result<MappedFile> open(const QString& path);

    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Valid while this object lives: a copy shares the mapping, not the data.
    const QByteArray& bytes() const { return m_bytes; }
    bool isMapped() const { return m_address != nullptr; }

private:
    MappedFile() = default;
    void unmap();

    QByteArray m_bytes;
    void* m_address = nullptr;
    size_t m_length = 0;
};
