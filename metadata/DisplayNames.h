#pragma once

#include <QString>

// The name the outline shows for a property key; a key without an entry
// shows as itself.
QString displayNameForKey(const QString& key);
