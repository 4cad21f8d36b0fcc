#pragma once

#include "cli/CliCommands.h"

#include <QStringList>

class CameraService;

// tessaview-cli device list|files|download|delete, on the given service.
int runDeviceCommand(const QStringList& arguments, CameraService& service,
                     const CliStreams& streams);
const char* deviceUsageText();
