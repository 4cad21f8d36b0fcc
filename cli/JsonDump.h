#pragma once

#include <QByteArray>
#include <QVariantMap>

// One JSON object: numbers as numbers, lists as arrays, sets as nested objects.
QByteArray dictionaryToJson(const QVariantMap& dictionary);
