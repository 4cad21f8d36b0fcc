#pragma once

#include "cli/CliCommands.h"

// The "device" and "stamp" commands, for setMediaCommands.
int runMediaCommand(const QString& command, const QStringList& arguments, MetadataService& service,
                    const CliStreams& streams);
