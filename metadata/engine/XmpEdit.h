#pragma once

#include "metadata/Result.h"

#include <QByteArray>

#include <optional>

// An XMP packet without the GPS properties that mirror the EXIF GPS set, or
// nothing when it has none (the packet is then kept byte for byte).
Result<std::optional<QByteArray>> xmpWithoutGps(const QByteArray& packet);
