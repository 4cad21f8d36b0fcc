// Runs `tessaview-cli dump` in one process over many files, the way
// `exiftool -j FILE...` reads many files in one process, and prints files/s.
#include "cli/CliCommands.h"
#include "metadata/MetadataLibrary.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStringList>

#include <cstdio>

int main(int argc, char** argv) {
    initialiseMetadataLibrary();
    std::FILE* sink = std::fopen("/dev/null", "w");
    CliStreams streams;
    streams.out = sink;
    QElapsedTimer timer;
    timer.start();
    int failed = 0;
    for (int i = 1; i < argc; ++i)
        failed += runCli({QStringLiteral("dump"), QFile::decodeName(argv[i])}, streams) != 0;
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.1f\n", (argc - 1) / seconds);
    std::fclose(sink);
    return failed == 0 ? 0 : 1;
}
