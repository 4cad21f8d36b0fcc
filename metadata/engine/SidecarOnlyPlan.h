#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"
#include "metadata/RewritePlan.h"

#include <QByteArray>
#include <QVariantMap>

struct MetadataEdit;

// A photo that only its sidecar changes is copied as it is, once every step
// is known to have a place in the sidecar: what the photo itself holds
// cannot be taken away by a sidecar, and a value without an XMP counterpart
// would not be written at all. Either is refused rather than reported done.
Result<RewritePlan> planSidecarOnly(const QByteArray& source, PhotoFormat format,
                                    const QVariantMap& dictionary, const MetadataEdit& edit);
