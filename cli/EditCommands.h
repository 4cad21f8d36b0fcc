#pragma once

#include "cli/CliCommands.h"

#include <QStringList>

// "gps set ..." and "edit ...": the GPS window's save and the edit form's
// apply for the command line.
int runEditCommand(const QString& command, const QStringList& arguments, MetadataService& service,
                   const CliStreams& streams);
