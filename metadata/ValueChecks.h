#pragma once

#include "metadata/Result.h"

#include <QVariantMap>

// What a value must be before it is written under its key, the same for the
// window, the command-line options, templates and whole-dictionary imports:
// numbers finite, positions in range, dates real dates and times in the
// forms their keys hold. A failure names the key and the value.
namespace ValueChecks {

Status check(const QString& set, const QString& key, const QVariant& value);

// Every value a change dictionary writes; removals always pass.
Status checkChanges(const QVariantMap& changes);

// "YYYY:MM:DD HH:MM:SS", a day of the calendar and a time of the day.
bool isExifDateTime(const QString& text);

} // namespace ValueChecks
