#pragma once

#include "metadata/Result.h"
#include "metadata/RewritePlan.h"

#include <optional>

struct MetadataEdit;

// Writers that change a photo's metadata where it lies and copy every other
// byte as it is. Each answers nothing when the photo needs something they do
// not do (a block that would outgrow its container, a container form they do
// not edit); the metadata library's writer takes it then.
using InPlaceResult = std::optional<Result<RewritePlan>>;

// A JPEG left to the library for an EXIF block that outgrows its segment
// says which value made it grow, for the message if the library cannot
// place it either.
InPlaceResult rewriteJpegInPlace(const QByteArray& source, const MetadataEdit& edit,
                                 QString* whyDeclined = nullptr);
InPlaceResult rewriteTiffInPlace(const QByteArray& source, const MetadataEdit& edit);
InPlaceResult rewritePngInPlace(const QByteArray& source, const MetadataEdit& edit);
InPlaceResult rewriteWebpInPlace(const QByteArray& source, const MetadataEdit& edit);
InPlaceResult rewriteHeifInPlace(const QByteArray& source, const MetadataEdit& edit);

// The written headers of a JPEG as the library's read-back needs to see
// them: without their XMP segments. The library reads an XMP packet apart
// from everything else, and never fails a photo for one, so it can neither
// break the photo nor be found broken there; the written check reads the
// packet itself, with our own reader.
QByteArray jpegHeadToCheck(const QByteArray& head);
