#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

class TestFolder;

// Photos whose XMP other programs wrote in forms of their own, made in the
// folder from real photos by exiftool and by rewriting the packet it wrote,
// keyed by file name:
// - "utf16be.jpg", "utf32le.jpg": the packet in UTF-16 and UTF-32;
// - "control.jpg", "stray.jpg": a control character (0x1A), or a byte that
//   is no UTF-8 (0xB0), inside a date, which other readers read;
// - "malformed.jpg": a packet that is no well-formed XML;
// - "extended.jpg": a description too long for the packet's segment, in
//   extended XMP;
// - "late.png": the packet in an iTXt chunk after the image data;
// - "compressed.png": the packet compressed in its iTXt chunk.
// Each JPEG keeps its values in EXIF, IPTC (with Photoshop's digest) and
// XMP alike: artist, keywords, dates and a position.
QMap<QString, QString> makeForeignXmpPhotos(const TestFolder& folder);

// A PNG chunk of this type, with its length and check.
QByteArray pngChunk(const QByteArray& type, const QByteArray& data);

// The PNG with this EXIF (a TIFF stream) in a compressed text chunk of hex,
// before the image data, as older tools and image converters write it.
QByteArray withRawExifProfile(const QByteArray& png, const QByteArray& tiff);
