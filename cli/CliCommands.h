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

// Runs one command line (without the program name) and returns its exit code.
int runCli(const QStringList& arguments, MetadataService& service, const CliStreams& streams = {});
