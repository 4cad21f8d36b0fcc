#include "metadata/engine/MetadataLibrary.h"

#include "metadata/engine/Exiv2Include.h"

#include <malloc.h>
#include <mutex>

namespace {
thread_local QStringList* collecting = nullptr;

// The library's own warnings describe quirks of individual files: a read
// collects them and keeps those that say a block was lost; anywhere else
// they are dropped.
void collectingHandler(int, const char* message) {
    if (collecting && message)
        collecting->append(QString::fromLocal8Bit(message).trimmed());
}
} // namespace

LibraryWarningScope::LibraryWarningScope() {
    collecting = &m_messages;
}

LibraryWarningScope::~LibraryWarningScope() {
    collecting = nullptr;
}

void initialiseMetadataLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        // Each photo passes through buffers of its own size. Left to the
        // default, every such buffer is a fresh mapping: mapped, faulted in
        // page by page and unmapped again, which made two worker threads
        // spend most of a batch of large photos in the kernel. Keep them in
        // the heap, where the next photo reuses them.
        mallopt(M_MMAP_THRESHOLD, 256 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
        Exiv2::XmpParser::initialize();
#if !EXIV2_TEST_VERSION(0, 28, 0)
        // 0.28 reads them whenever it was built to.
        Exiv2::enableBMFF(true);
#endif
        Exiv2::LogMsg::setHandler(collectingHandler);
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::warn);
    });
}
