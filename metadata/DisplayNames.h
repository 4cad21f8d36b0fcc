#pragma once

#include <QString>

// The name the outline shows for a property key. A key without an entry shows
// as its words ("GainControl" as "Gain Control"), a set as its name without
// braces, and a prefixed XMP name ("dc:creator") as itself.
QString displayNameForKey(const QString& key);
