// tessaview-cli runs this program for the commands that need Qt's GUI module
// or libgphoto2, with the same arguments.
#include "cli/CliCommands.h"
#include "cli/MediaCommands.h"
#include "cli/StampCommand.h"
#include "metadata/WorkerMetadataClient.h"

#include <QFile>
#include <QGuiApplication>
#include <QStringList>

#include <memory>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    takeLogOption(arguments);
    // Drawing text needs fonts, which need a GUI application: one off screen,
    // so the tool runs without a display.
    std::unique_ptr<QGuiApplication> gui;
    static char program[] = "tessaview-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* guiArgv[] = {program, platformOption, platform, nullptr};
    static int guiArgc = 3;
    if (needsGuiApplication(arguments)) {
        gui = std::make_unique<QGuiApplication>(guiArgc, guiArgv);
    }
    setMediaCommands(runMediaCommand);
    WorkerMetadataClient metadata;
    return runCli(arguments, metadata);
}
