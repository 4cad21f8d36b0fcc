#pragma once

#include "metadata/PropertyKeys.h"
#include "metadata/Result.h"
#include "metadata/RewritePlan.h"

#include <QByteArray>
#include <QString>
#include <QVariantMap>

#include <memory>

class TiffEditor;

// Copies every image of a photo into a new buffer of the same format with a
// change dictionary merged over the source's properties: a key with a value
// replaces, a removal value removes the key, or the whole set when it names
// one. Pixels are copied, never re-encoded. The container properties are
// merged first, then the changes. A value equal to what the photo already has
// is left as it is, so a dictionary read from the photo and handed back
// changes nothing but what was altered. The result is parsed again before it
// is returned; any failure says why and returns no bytes.
Result<QByteArray> rewritePhoto(const QByteArray& source, const QVariantMap& changes,
                                const QVariantMap& containerProperties = {});

// The same as pieces of new bytes and ranges of the source, with what was
// repaired on the way. Only the EXIF, IPTC and XMP data a change concerns is
// rewritten; every other byte keeps its place. A caller that has read the
// photo's dictionary already hands it in, so it is not read twice, and with
// it the photo's EXIF block if it parsed that. stripHidden drops what the
// dictionary does not show (MetadataEdit::stripHidden).
Result<RewritePlan> planRewrite(const QByteArray& source, const QVariantMap& changes,
                                const QVariantMap& containerProperties = {},
                                const QVariantMap* sourceDictionary = nullptr,
                                std::shared_ptr<const TiffEditor> parsedExifBlock = nullptr,
                                bool stripHidden = false);
