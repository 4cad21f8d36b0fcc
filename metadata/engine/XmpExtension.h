#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>

// A JPEG's extended XMP: the properties that did not fit the packet's
// segment, as a packet of their own split over segments of their own. The
// main packet names it by the MD5 digest of its text (its GUID), which
// every segment repeats with the whole length and its own offset.
namespace XmpExtension {

inline const QString GuidKey = QStringLiteral("xmpNote:HasExtendedXMP");
inline const QByteArray SegmentHeader("http://ns.adobe.com/xmp/extension/\0", 35);

// The extension a JPEG's main packet names by guid, put together from its
// segments (their payloads, in the file's order) and checked against the
// guid: fails saying why when a part is missing or the digest differs.
// Nothing when no segment carries a part of it.
Result<QByteArray> assemble(const QList<QByteArrayView>& payloads, const QString& guid);

// The GUID the main packet names, or an empty text.
QString guidOf(const QByteArray& packet);

// The guid of an extension's text, and the payloads of the segments that
// carry it.
QByteArray guidOfText(const QByteArray& extension);
QList<QByteArray> payloads(const QByteArray& extension);

// The "{XMP}" set of a main packet and its extension: the extension's
// properties beside the main packet's, the GUID that ties them left out.
Result<QVariantMap> values(const QByteArray& packet, const QByteArray& extension);

} // namespace XmpExtension
