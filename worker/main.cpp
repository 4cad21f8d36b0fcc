#include "metadata/SystemLog.h"
#include "metadata/engine/EngineMetadataService.h"
#include "worker/Sandbox.h"
#include "worker/WorkerServer.h"

#include <QString>

#include <cstring>
#include <new>
#include <unistd.h>

// tessaview-worker: owns every call into the metadata library. Started by the
// application and the command-line tool, one per core, over a socket pair on
// its standard input and output; never run by hand.
int main(int argc, char** argv) {
    qint64 memoryLimit = 0;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--memory-limit") == 0)
            memoryLimit = QString::fromLatin1(argv[i + 1]).toLongLong();
    }
    if (::isatty(STDIN_FILENO)) {
        const char text[] = "tessaview-worker is started by Tessaview; it is not run by hand.\n";
        (void)!::write(STDERR_FILENO, text, sizeof text - 1);
        return 2;
    }
    SystemLog::install(SystemLog::inherited(), "tessaview-worker");
    enterSandbox(memoryLimit);
    std::set_new_handler([] { ::_exit(75); });
    EngineMetadataService service;
    return serveRequests(STDIN_FILENO, service);
}
