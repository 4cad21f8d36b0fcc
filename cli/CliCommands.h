#pragma once

#include <QStringList>

class MetadataService;

#include <cstdio>

// Exit codes of tessaview-cli.
enum CliExit { ExitAllWritten = 0, ExitSomeSkipped = 1, ExitUsage = 2 };

struct CliStreams {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
};

// The commands that draw text ("stamp") or talk to cameras ("device") need
// Qt's GUI module and libgphoto2, which a program links only if it runs them:
// it hands runCli those two through setMediaCommands.
bool isMediaCommand(const QString& command);
using MediaCommands = int (*)(const QString& command, const QStringList& arguments,
                              MetadataService& service, const CliStreams& streams);
void setMediaCommands(MediaCommands run);

// Takes --verbose out of a command line (before any "--"): the system's log
// lines then go to standard error, where they otherwise never appear. It
// installs the log's handler for this process and the workers it starts.
void takeLogOption(QStringList& arguments);

// Runs one command line (without the program name) and returns its exit code.
int runCli(const QStringList& arguments, MetadataService& service, const CliStreams& streams = {});
