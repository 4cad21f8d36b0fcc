#pragma once

#include "cli/CliCommands.h"

#include <QStringList>

class MetadataService;

// tessaview-cli stamp: the date drawn onto each photo. Needs a QGuiApplication.
int stampCommand(const QStringList& arguments, MetadataService& service, const CliStreams& streams);

// The command line names the stamp, so main() makes a GUI application for it.
bool needsGuiApplication(const QStringList& arguments);
