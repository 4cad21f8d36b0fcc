#pragma once

// Process-wide set-up of the metadata library. Call once from main() before
// any thread reads a photo; the readers also call it lazily so tests need not.
// It also tunes the allocator for large photo buffers.
void initialiseMetadataLibrary();
