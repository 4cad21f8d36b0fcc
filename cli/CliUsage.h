#pragma once

// What tessaview-cli --help prints.
extern const char* const usageText;

#include <QString>

// The usage of one command as the text above gives it: the entries of
// "dates shift", or of all four when the variant names none of them. Empty
// for a command the text does not know.
QString commandUsage(const QString& command, const QString& variant);
