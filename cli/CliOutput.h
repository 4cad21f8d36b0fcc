#pragma once

#include "cli/CliCommands.h"
#include "editing/ChangePreview.h"

#include <QStringList>

class MetadataService;

// dump over one or more files: one file prints its object, several print one
// array of objects, each with its "SourceFile", in argument order. Reads run
// on several threads; at most a window of answers waits to be printed.
int dumpFiles(const QStringList& files, bool plist, MetadataService& service,
              const CliStreams& streams);

// A dry run's report: one JSON line per photo that would be written, a line
// on standard error per photo that would be skipped.
int printPreviews(const std::vector<PhotoChangePreview>& previews, const CliStreams& streams);
