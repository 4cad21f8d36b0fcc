#pragma once

#include <QByteArray>

// A HEIF with the structure of the photo (its boxes, items, properties and
// references) but only the first bytes of each image item's data: a seed the
// fuzzer can mutate thousands of times a second. EXIF and XMP items are kept
// whole. Nothing for a photo whose items do not parse.
QByteArray shrinkHeif(const QByteArray& photo);
