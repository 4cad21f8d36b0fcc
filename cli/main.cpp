#include "cli/CliCommands.h"
#include "metadata/WorkerMetadataClient.h"

#include <QFile>
#include <QStringList>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    WorkerMetadataClient metadata;
    return runCli(arguments, metadata);
}
