#include "cli/DeviceCommands.h"

#include "cli/OutputFolder.h"

#include "metadata/AtomicFile.h"
#include "sources/CameraService.h"
#include "sources/DeviceDownload.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <optional>

namespace {

const char deviceUsage[] =
    "Usage: tessaview-cli device list\n"
    "       tessaview-cli device files [--port P]\n"
    "       tessaview-cli device download [--port P] --out DIR (--all | NAME...)\n"
    "       tessaview-cli device delete [--port P] NAME...\n"
    "\n"
    "Cameras and phones connected over USB, and the folders named in\n"
    "TESSAVIEW_EXTRA_CAMERA_PORTS (\"disk:/a/folder;disk:/another\"), each shown as\n"
    "a camera. --port picks one by its port (as device list prints it); without\n"
    "it the first one found is used. A NAME is a file's name on the device, its\n"
    "folder and name (/DCIM/100APPLE/IMG_0001.JPG), or the name it gets here.\n"
    "device files prints a JSON array of {folder, name, localName, kind, size,\n"
    "mimeType} for every photo and movie. download writes each file into DIR\n"
    "under its local name: a file of the same bytes already there is kept,\n"
    "different bytes get a numbered name (\"IMG_0001 (2).JPG\"); each written\n"
    "path is printed. Exit status: 0 when every file was done, 1 when any was\n"
    "not (one line on standard error each, with why), 2 on a usage error.\n";

int usage(const CliStreams& streams, const QString& message) {
    std::fprintf(streams.err, "tessaview-cli: %s\n\n%s", qPrintable(message), deviceUsage);
    return ExitUsage;
}

void printJson(const CliStreams& streams, const QJsonArray& array) {
    std::fputs(QJsonDocument(array).toJson(QJsonDocument::Indented).constData(), streams.out);
}

struct DeviceLine {
    QString port;
    QString out;
    bool all = false;
    QStringList names;
};

std::optional<DeviceLine> parse(const QStringList& arguments, bool takesOut,
                                const CliStreams& streams, int* exitCode) {
    DeviceLine line;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        const bool valued =
            argument == QLatin1String("--port") || (takesOut && argument == QLatin1String("--out"));
        if (valued) {
            if (i + 1 >= arguments.size()) {
                *exitCode = usage(streams, QStringLiteral("%1 needs a value").arg(argument));
                return std::nullopt;
            }
            (argument == QLatin1String("--port") ? line.port : line.out) = arguments[++i];
        } else if (takesOut && argument == QLatin1String("--all")) {
            line.all = true;
        } else if (argument == QLatin1String("--")) {
            line.names += arguments.mid(i + 1);
            break;
        } else if (argument.startsWith(QLatin1String("--"))) {
            *exitCode = usage(streams, QStringLiteral("unknown option %1").arg(argument));
            return std::nullopt;
        } else {
            line.names << argument;
        }
    }
    return line;
}

// The chosen device's open session and its files; nothing, with the exit
// code set, when there is no such device or it cannot be read.
struct OpenDevice {
    std::unique_ptr<CameraSession> session;
    QList<DeviceFile> files;
};

std::optional<OpenDevice> openDevice(CameraService& service, const QString& port,
                                     const CliStreams& streams, int* exitCode) {
    *exitCode = ExitSomeSkipped;
    // A named folder camera needs no search of the USB buses.
    std::optional<DeviceInfo> chosen;
    for (const DeviceInfo& extra : extraCameraPorts()) {
        if (!port.isEmpty() && extra.port == port)
            chosen = extra;
    }
    const auto found = chosen ? Result<QList<DeviceInfo>>::ok({*chosen}) : service.detect();
    if (!found) {
        std::fprintf(streams.err, "tessaview-cli: %s\n", qPrintable(found.error()));
        return std::nullopt;
    }
    for (const DeviceInfo& device : found.value()) {
        if (port.isEmpty() || device.port == port) {
            chosen = device;
            break;
        }
    }
    if (!chosen) {
        std::fprintf(streams.err, "tessaview-cli: %s\n",
                     port.isEmpty() ? "no camera is connected"
                                    : qPrintable(QStringLiteral("no camera on %1").arg(port)));
        return std::nullopt;
    }
    auto session = service.open(*chosen);
    if (!session) {
        std::fprintf(streams.err, "tessaview-cli: %s\n", qPrintable(session.error()));
        return std::nullopt;
    }
    auto files = session.value()->listFiles();
    if (!files) {
        std::fprintf(streams.err, "tessaview-cli: %s\n", qPrintable(files.error()));
        return std::nullopt;
    }
    return OpenDevice{std::move(session).value(), files.value()};
}

bool matches(const DeviceFile& file, const QString& name) {
    QString folder = file.folder;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return name == file.displayName() || name == file.safeName() ||
           name == folder + file.displayName();
}

// The files the names pick, in device order; each name that picks none is
// reported.
QList<DeviceFile> pick(const QList<DeviceFile>& files, const QStringList& names,
                       const CliStreams& streams, bool* missing) {
    QList<DeviceFile> picked;
    for (const QString& name : names) {
        bool any = false;
        for (const DeviceFile& file : files) {
            if (matches(file, name)) {
                any = true;
                if (!picked.contains(file))
                    picked << file;
            }
        }
        if (!any) {
            *missing = true;
            std::fprintf(streams.err, "%s: no such photo or movie on the device\n",
                         qPrintable(name));
        }
    }
    return picked;
}

int list(CameraService& service, const CliStreams& streams) {
    const auto found = service.detect();
    if (!found) {
        std::fprintf(streams.err, "tessaview-cli: %s\n", qPrintable(found.error()));
        return ExitSomeSkipped;
    }
    QJsonArray devices;
    for (const DeviceInfo& device : found.value())
        devices.append(QJsonObject{{QStringLiteral("name"), device.name()},
                                   {QStringLiteral("model"), device.model},
                                   {QStringLiteral("port"), device.port}});
    printJson(streams, devices);
    return ExitAllWritten;
}

int files(const DeviceLine& line, CameraService& service, const CliStreams& streams) {
    if (!line.names.isEmpty())
        return usage(streams, QStringLiteral("device files takes no NAME"));
    int exitCode = ExitSomeSkipped;
    const auto device = openDevice(service, line.port, streams, &exitCode);
    if (!device)
        return exitCode;
    QJsonArray array;
    for (const DeviceFile& file : device->files)
        array.append(QJsonObject{{QStringLiteral("folder"), file.folder},
                                 {QStringLiteral("name"), file.displayName()},
                                 {QStringLiteral("localName"), file.safeName()},
                                 {QStringLiteral("kind"), file.kind},
                                 {QStringLiteral("size"), file.size},
                                 {QStringLiteral("mimeType"), file.mimeType}});
    printJson(streams, array);
    return ExitAllWritten;
}

int download(const DeviceLine& line, CameraService& service, const CliStreams& streams) {
    if (line.out.isEmpty())
        return usage(streams, QStringLiteral("device download needs --out DIR"));
    if (line.names.isEmpty() == !line.all)
        return usage(streams, QStringLiteral("device download needs --all or NAMEs"));
    const QString folder = QDir::cleanPath(QFileInfo(line.out).absoluteFilePath());
    OutputFolder out(folder);
    if (!out.create()) {
        std::fprintf(streams.err, "tessaview-cli: cannot create %s\n", qPrintable(folder));
        return ExitSomeSkipped;
    }
    // Without a device or a file downloaded, the folder made for them goes again.
    const int result = [&]() -> int {
        int exitCode = ExitSomeSkipped;
        const auto device = openDevice(service, line.port, streams, &exitCode);
        if (!device)
            return exitCode;
        bool failed = false;
        const QList<DeviceFile> wanted =
            line.all ? device->files : pick(device->files, line.names, streams, &failed);
        for (const DeviceFile& file : wanted) {
            const auto stored =
                storeDownloadedFile(folder, file.safeName(), file.size,
                                    [&](int fd) { return device->session->download(file, fd); });
            if (stored) {
                std::fprintf(streams.out, "%s\n", QFile::encodeName(stored->path).constData());
            } else {
                failed = true;
                std::fprintf(streams.err, "%s/%s: %s\n", qPrintable(file.folder),
                             qPrintable(file.displayName()), qPrintable(stored.error()));
            }
        }
        if (const Status synced = syncFileSystem(folder); !synced) {
            std::fprintf(streams.err, "%s: %s\n", qPrintable(folder), qPrintable(synced.error()));
            return ExitSomeSkipped;
        }
        return failed ? ExitSomeSkipped : ExitAllWritten;
    }();
    out.removeIfEmpty();
    return result;
}

int remove(const DeviceLine& line, CameraService& service, const CliStreams& streams) {
    if (line.names.isEmpty())
        return usage(streams, QStringLiteral("device delete needs a NAME"));
    int exitCode = ExitSomeSkipped;
    const auto device = openDevice(service, line.port, streams, &exitCode);
    if (!device)
        return exitCode;
    bool failed = false;
    for (const DeviceFile& file : pick(device->files, line.names, streams, &failed)) {
        if (const Status removed = device->session->remove(file); !removed) {
            failed = true;
            std::fprintf(streams.err, "%s/%s: %s\n", qPrintable(file.folder),
                         qPrintable(file.displayName()), qPrintable(removed.error()));
        }
    }
    return failed ? ExitSomeSkipped : ExitAllWritten;
}

} // namespace

const char* deviceUsageText() {
    return deviceUsage;
}

int runDeviceCommand(const QStringList& arguments, CameraService& service,
                     const CliStreams& streams) {
    const QString verb = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    if (verb == QLatin1String("list")) {
        if (!rest.isEmpty())
            return usage(streams, QStringLiteral("device list takes no arguments"));
        return list(service, streams);
    }
    const bool downloads = verb == QLatin1String("download");
    if (verb != QLatin1String("files") && !downloads && verb != QLatin1String("delete"))
        return usage(streams, QStringLiteral("device needs list, files, download or delete"));
    int exitCode = ExitUsage;
    const auto line = parse(rest, downloads, streams, &exitCode);
    if (!line)
        return exitCode;
    if (verb == QLatin1String("files"))
        return files(*line, service, streams);
    if (downloads)
        return download(*line, service, streams);
    return remove(*line, service, streams);
}
