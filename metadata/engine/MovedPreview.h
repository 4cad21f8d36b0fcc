#pragma once

#include <QByteArray>

// Some cameras keep a large preview after the end of the JPEG image and
// point to it from their maker note (Olympus cameras of the E and SP series,
// from the camera-settings directory). The pointer counts from the maker
// note, so when a rewrite grows or shrinks the headers before the image, the
// preview moves and the pointer has to move with it; other readers would
// otherwise find garbage there.
//
// head is the new file's headers up to the image (the old file's headers
// end at scan); the EXIF segment's 0xFF starts at oldExif in the source and
// newExif in head, and ends at oldExifEnd and newExifEnd. A pointer that
// cannot be read, or that points into the headers, is left as it is.
void followMovedPreview(const QByteArray& source, qsizetype oldExif, qsizetype oldExifEnd,
                        qsizetype scan, QByteArray& head, qsizetype newExif, qsizetype newExifEnd);

// Whether two maker notes are the same but for that pointer's value, so that
// a check of what else a rewrite changed can pass over it.
bool samePreviewAside(const QByteArray& before, const QByteArray& after);
