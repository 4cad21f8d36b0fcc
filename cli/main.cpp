#include "cli/CliCommands.h"
#include "metadata/MetadataLibrary.h"

#include <QFile>
#include <QStringList>

int main(int argc, char** argv) {
    initialiseMetadataLibrary();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return runCli(arguments);
}
