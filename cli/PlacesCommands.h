#pragma once

#include "cli/CliCommands.h"

#include <QStringList>

// "places ...": city, state and country from each photo's position.
int runPlacesCommand(const QStringList& arguments, MetadataService& service,
                     const CliStreams& streams);

// "dates zone ...": the offsets of each photo's dates for a zone.
int runDatesZoneCommand(const QStringList& arguments, MetadataService& service,
                        const CliStreams& streams);
