#pragma once

// Process-wide set-up of the metadata library. Call once from main() before
// any thread reads a photo; the readers also call it lazily so tests need not.
// It also tunes the allocator for large photo buffers.
void initialiseMetadataLibrary();

#include <QStringList>

// Collects the warnings the metadata library logs on this thread while the
// scope lives (scopes do not nest).
class LibraryWarningScope {
public:
    LibraryWarningScope();
    ~LibraryWarningScope();
    LibraryWarningScope(const LibraryWarningScope&) = delete;
    LibraryWarningScope& operator=(const LibraryWarningScope&) = delete;
    const QStringList& messages() const { return m_messages; }

private:
    QStringList m_messages;
};
