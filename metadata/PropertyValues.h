#pragma once

#include <QVariant>

// How dictionary values compare, the same for the writer (which leaves a key
// alone when its new value is the same) and for anything that previews a
// change.
namespace PropertyValues {

// Whether the value is a number of any width.
bool isNumber(const QVariant& value);

// Whether two dictionary values mean the same, with numbers compared as
// numbers (a value read back as a double equals the float it came from).
bool same(const QVariant& a, const QVariant& b);

} // namespace PropertyValues
