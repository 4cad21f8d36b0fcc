#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

// Whether a written XMP packet is what its edit planned: each planned value
// (by "{XMP}" key; a removal value for a removed property) reads back from
// it, or nothing of it when the set was removed, and every property no step
// concerns is as the source packet had it. A structure or array a step
// writes into counts as concerned whole. A JPEG's extension is read with its
// packet (its checked text, or why it is not there as named).
struct XmpPacketBlocks {
    QByteArray packet;
    QByteArray extension;
    QString extensionProblem;
};
Status checkXmpWritten(const QMap<QString, QVariant>& planned, bool removed,
                       const XmpPacketBlocks& before, const XmpPacketBlocks& after);
