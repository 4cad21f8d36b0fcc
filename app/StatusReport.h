#pragma once

#include "editing/OperationReport.h"

#include <QString>

// The status bar's line for a finished command: "3 photos written to
// ~/Pictures/Tessaview, 1 skipped". The folder is named only when something
// was written into it.
QString reportStatusText(const OperationReport& report, const QString& folder);
// A path with the home folder shown as "~".
QString homeAbbreviated(const QString& path);
