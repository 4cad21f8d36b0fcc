#pragma once

#include "editing/Gazetteer.h"

#include <QString>

#include <memory>
#include <mutex>
#include <optional>

// The gazetteer the window's commands share: read on first use (some tens
// of milliseconds), then kept. Batch threads may ask too.
class PlacesSource {
public:
    explicit PlacesSource(QString path = Gazetteer::defaultPath()) : m_path(std::move(path)) {}

    Result<std::shared_ptr<const Gazetteer>> gazetteer() {
        const std::lock_guard lock(m_mutex);
        if (!m_loaded)
            m_loaded = Gazetteer::load(m_path);
        return *m_loaded;
    }

private:
    QString m_path;
    std::mutex m_mutex;
    std::optional<Result<std::shared_ptr<const Gazetteer>>> m_loaded;
};
