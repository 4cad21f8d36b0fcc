#include "cli/CliCommands.h"
#include "metadata/CompanionProgram.h"
#include "metadata/WorkerMetadataClient.h"

#include <QFile>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    takeLogOption(arguments);
    if (!arguments.isEmpty() && isMediaCommand(arguments.first())) {
        // Their program takes over this process, with its streams and its
        // exit code.
        const QByteArray program = QFile::encodeName(companionProgram(
            QStringLiteral("tessaview-cli-media"), QStringLiteral(TV_INSTALLED_MEDIA)));
        argv[0] = const_cast<char*>(program.constData());
        ::execv(program.constData(), argv);
        std::fprintf(stderr, "tessaview-cli: cannot run %s: %s\n", program.constData(),
                     std::strerror(errno));
        return ExitUsage;
    }
    WorkerMetadataClient metadata;
    return runCli(arguments, metadata);
}
