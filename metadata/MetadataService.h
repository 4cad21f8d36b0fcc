#pragma once

#include "metadata/PhotoProperties.h"
#include "metadata/Result.h"
#include "metadata/RewriteRequest.h"

#include <QString>

// Everything the application asks of the metadata library, by file path.
// Implementations may be called from several threads at once.
class MetadataService {
public:
    virtual ~MetadataService() = default;

    virtual Result<PhotoProperties> readProperties(const QString& path) = 0;
    // The embedded preview whose longer side is closest to maxSide.
    virtual Result<PhotoPreview> readPreview(const QString& path, int maxSide) = 0;
    // Reads the photo, writes the changed copy, checks it and commits it
    // atomically. A file already at the output path is replaced only by a
    // complete photo; a write that replaces its own input is flushed at once.
    virtual PhotoOutcome rewrite(const RewriteJob& job) = 0;
};
