#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVariantMap>

#include <optional>

// The named keys (no names: every key) of a JPEG's IPTC set as a read of the whole photo would give
// them, decoded from its IPTC datasets alone. Nothing where the library might
// gather other datasets than the ones found here: more than one Photoshop
// segment, one after the frame header, resources it would read differently,
// more than one IPTC resource, or damaged datasets.
std::optional<QVariantMap> storedIptcValues(const QByteArray& jpeg, const QSet<QString>& names);
