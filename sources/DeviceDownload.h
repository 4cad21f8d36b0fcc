#pragma once

#include "metadata/Result.h"

#include <QString>

#include <functional>

struct StoredFile {
    QString path;
    bool reused = false; // a file of the same bytes was already there
};

// Writes a downloaded file into the folder under its name. The bytes are
// written aside (an unnamed file in the folder) and linked into place only
// when whole, so an interrupted download leaves nothing. A file already
// there is never replaced: the same bytes are reused, different bytes take
// the next free "NAME (n).EXT". expectedSize, when not -1, must match.
Result<StoredFile> storeDownloadedFile(const QString& folder, const QString& fileName,
                                       qint64 expectedSize,
                                       const std::function<Status(int fd)>& write);
