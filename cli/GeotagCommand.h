#pragma once

#include "cli/CliCommands.h"

#include <QStringList>

// "geotag ...": photos placed from GPS track logs.
int runGeotagCommand(const QStringList& arguments, MetadataService& service,
                     const CliStreams& streams);
