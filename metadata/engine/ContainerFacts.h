#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"

#include <QByteArray>
#include <QSize>

#include <optional>

// Facts read straight from a container's structure, without the metadata
// library: where it is wrong about them, or trusts them without checking.

// The size of a HEIF's primary image (its 'ispe' property).
std::optional<QSize> heifPrimaryImageSize(const QByteArray& bytes);

// Whether the container holds all of its image data: a JPEG reaches its end
// marker, a TIFF's strips and tiles lie inside the file, a PNG has its end
// chunk, a WebP is as long as its header says. A truncated photo is not
// rewritten: the copy would be as broken as the source.
Status checkImageDataComplete(PhotoFormat format, const QByteArray& bytes);
