#pragma once

#include "cli/CliCommands.h"

// "export KIND --out DIR FILE" and "template export [fields] --out DIR".
int runTemplateCommand(const QString& command, const QStringList& arguments,
                       MetadataService& service, const CliStreams& streams);
