#pragma once

#include <QByteArray>

#include <optional>

// Facts of the image itself, read from its container's structure, that a
// metadata write needs to be sound: what a new EXIF block must state, and
// what a RAW file must keep for a raw converter to develop it.

// What a TIFF-based file holds: a plain image, a DNG (its IFD0 has a
// DNGVersion), or another camera's RAW (a CR2 by its header, or colour
// filter array or linear raw data in IFD0 or one of its SubIFDs).
enum class TiffRawKind { None, Dng, CameraRaw };
TiffRawKind tiffRawKind(const QByteArray& tiff);

// The facts of a JPEG's frame header and its JFIF header: the pixel size,
// the number of colour components and the density, in dots per inch (2) or
// per centimetre (3), as an EXIF ResolutionUnit counts them; without a
// JFIF density, 72 dots per inch.
struct JpegFrameFacts {
    int width = 0;
    int height = 0;
    int components = 0;
    int densityX = 72;
    int densityY = 72;
    int densityUnit = 2;
};
std::optional<JpegFrameFacts> jpegFrameFacts(const QByteArray& jpeg);

// Whether IFD0 of a TIFF structure holds the tag (an EXIF directory's
// pointer, an ICC profile).
bool ifd0HasTag(const QByteArray& tiff, quint16 tag);

// Whether a JPEG carries an ICC profile (an APP2 "ICC_PROFILE" segment).
bool jpegHasIccProfile(const QByteArray& jpeg);
