#pragma once

#include <QStringList>

// The photos named on the command line ("tessaview FILE..."), as absolute
// paths in their order. Names that are not readable files are left out and
// listed in missing.
QStringList photoArguments(const QStringList& arguments, const QString& workingFolder,
                           QStringList* missing = nullptr);
