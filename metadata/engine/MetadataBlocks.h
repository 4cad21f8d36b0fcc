#pragma once

#include "metadata/PhotoFormat.h"
#include "metadata/Result.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QVariantMap>

#include <optional>

// The metadata blocks of a container, found by walking its structure
// ourselves: what a photo still offers when the library's whole-image read
// gives up on one damaged block (an ICC profile, say) and takes the rest
// down with it.
struct MetadataBlocks {
    QByteArray exif; // from its TIFF header on
    QByteArray iptc; // IIM datasets
    QByteArray xmp;  // the packet text
    // A JPEG's extended XMP that the packet names, checked against its
    // digest, or why it is not there as named.
    QByteArray xmpExtension;
    QString xmpExtensionProblem;
    std::optional<QSize> pixelSize;
};

// A JPEG's EXIF and XMP blocks refer into its bytes rather than copy them:
// the bytes must outlive the blocks.
MetadataBlocks findMetadataBlocks(PhotoFormat format, const QByteArray& bytes);

// The photo's XMP packet as it stands in the file, found the same way for a
// read of the whole photo and for the lookups of a write: the library hands
// out a packet of its own making for some containers.
QByteArray xmpPacketOf(PhotoFormat format, const QByteArray& bytes);

// The "{XMP}" set of the blocks' packet with its extension (the packet alone
// where the extension has a problem); nothing for a photo without a packet.
Result<QVariantMap> xmpValuesOf(const MetadataBlocks& blocks);
// The packet and extension of a photo, found as xmpPacketOf finds them.
MetadataBlocks xmpBlocksOf(PhotoFormat format, const QByteArray& bytes);

// The IIM datasets inside a Photoshop image resource block (resource 0x0404).
QByteArray iptcFromImageResources(const QByteArray& resources);

// A JPEG's header segments, but for its XMP ones, closed by an end of image:
// all that a reader of the other blocks needs. Nothing where the headers do
// not lead cleanly up to the scan.
std::optional<QByteArray> jpegHeadersWithoutXmp(const QByteArray& bytes);
