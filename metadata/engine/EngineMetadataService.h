#pragma once

#include "metadata/MetadataService.h"

// The metadata library called in this process. Only the worker process uses
// it for the application; benchmarks use it to compare.
class EngineMetadataService : public MetadataService {
public:
    EngineMetadataService();
    Result<PhotoProperties> readProperties(const QString& path) override;
    Result<PhotoPreview> readPreview(const QString& path, int maxSide) override;
    PhotoOutcome rewrite(const RewriteJob& job) override;
};
