#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"
#include "metadata/RewritePlan.h"

#include <QByteArray>

struct MetadataEdit;

// The metadata library's writer: the one fallback, for the forms the
// container writers answer "not mine". It rewrites the metadata blocks whole.
// Of a JPEG only the headers are handed to the library, and the plan copies
// the image data that follows them from the source unchanged. What it wrote
// is checked as any writer's is (verifyWrite).
Result<RewritePlan> rewriteWithLibrary(const QByteArray& source, PhotoFormat format,
                                       const MetadataEdit& edit);
