#pragma once

#include "metadata/Result.h"

#include <QDateTime>
#include <QString>

#include <optional>

struct FileTimes {
    QDateTime created; // the birth time where the file system keeps one, else the modification time
    QDateTime modified;
};

Result<FileTimes> readFileTimes(const QString& path);

// Linux offers no way to set a birth time: the creation time, where no
// modification time is given, becomes the modification time.
Status setFileTimes(const QString& path, const std::optional<QDateTime>& created,
                    const std::optional<QDateTime>& modified);
// The same for an open file, by its descriptor.
Status setFileModified(int fd, const QDateTime& modified);
