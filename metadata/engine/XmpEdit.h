#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

struct MetadataEdit;

// A photo's XMP packet after the edit's steps of the "{XMP}" set: nothing
// when it stays byte for byte as it is, an empty packet when the set is
// removed. packet is null for a photo without one: a packet is then made
// only when a step writes a value. What reading the packet needed mended
// (XmpPacket::repairs) is added to notes, where given.
Result<std::optional<QByteArray>> editXmpPacket(const QByteArray* packet, const MetadataEdit& edit,
                                                QStringList* notes = nullptr);
