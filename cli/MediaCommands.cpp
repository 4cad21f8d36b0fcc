#include "cli/MediaCommands.h"

#include "cli/DeviceCommands.h"
#include "cli/StampCommand.h"
#include "sources/CameraServiceGPhoto.h"

int runMediaCommand(const QString& command, const QStringList& arguments, MetadataService& service,
                    const CliStreams& streams) {
    if (command == QLatin1String("stamp"))
        return stampCommand(arguments, service, streams);
    if (arguments.value(0) == QLatin1String("--help") ||
        arguments.value(0) == QLatin1String("help")) {
        std::fputs(deviceUsageText(), streams.out);
        return ExitAllWritten;
    }
    const auto cameras = makeGPhotoCameraService();
    return runDeviceCommand(arguments, *cameras, streams);
}
