#include "cli/OutputFolder.h"

#include <QDir>
#include <QFileInfo>

bool OutputFolder::create() {
    m_made.clear();
    for (QString folder = QDir::cleanPath(m_path); !QFileInfo::exists(folder);) {
        m_made << folder;
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    if (QDir().mkpath(m_path))
        return true;
    removeIfEmpty();
    return false;
}

void OutputFolder::removeIfEmpty() const {
    // rmdir removes only an empty folder: anything written stops the walk.
    for (const QString& folder : m_made) {
        if (!QDir().rmdir(folder))
            return;
    }
}
