#pragma once

#include <QString>

// A program of ours that the running program starts: in the build tree it
// lies beside the running program; installed, in the private folder of
// libexec, given relative to the running program's folder so that any
// installation prefix works.
QString companionProgram(const QString& name, const QString& installedRelative);
