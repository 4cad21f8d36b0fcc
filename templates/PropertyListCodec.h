#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QVariantMap>

// Property lists, read strictly: these files come from anywhere, so every
// limit below is an error with its reason rather than a crash, a stall or
// memory without end.
namespace PropertyListLimits {
inline constexpr qsizetype MaxFileSize = 16 * 1024 * 1024;
inline constexpr int MaxDepth = 64;
inline constexpr qint64 MaxObjects = 1000000;
// What the objects of a binary list may add up to once shared references are
// expanded, in bytes of text and data.
inline constexpr qint64 MaxExpandedBytes = 64 * 1024 * 1024;
} // namespace PropertyListLimits

// An XML (version 1.0) or binary ("bplist00") property list. Values come back
// as QVariantMap, QVariantList, QString, qlonglong, double, bool, QDateTime
// (UTC) and QByteArray.
Result<QVariant> readPropertyList(const QByteArray& bytes);
// The same, with a dictionary at the root.
Result<QVariantMap> readPropertyListDictionary(const QByteArray& bytes);

// Property dictionaries as XML property lists (version 1.0, a dictionary at
// the root, with the standard declaration and document type). A removal
// value has no form in a property list and is left out.
QByteArray toXmlPropertyList(const QVariantMap& dictionary);
Result<QVariantMap> fromXmlPropertyList(const QByteArray& xml);
