#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QVariantMap>

// Property dictionaries as XML property lists (version 1.0, a dictionary at the root).
QByteArray toXmlPropertyList(const QVariantMap& dictionary);
Result<QVariantMap> fromXmlPropertyList(const QByteArray& xml);
