#pragma once

#include "metadata/Result.h"

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

#include <memory>

// A camera-class device as the image-capture service reports it. The port
// names it while it stays connected.
struct DeviceInfo {
    QString model;
    QString port;
    // What the window shows: the model, and for a folder camera its folder.
    QString name() const;
    bool operator==(const DeviceInfo& other) const = default;
};

// One photo or movie on a device. The name is the device's bytes as given.
struct DeviceFile {
    QString folder;
    QByteArray name;
    QString kind; // "public.image" or "public.movie"
    QString mimeType;
    qint64 size = -1; // -1 when the device does not say
    // The file name it gets on this computer (sources/DeviceFileName.h).
    QString safeName() const;
    // The name as text, for messages; invalid bytes shown as replacement characters.
    QString displayName() const { return QString::fromUtf8(name); }
    bool operator==(const DeviceFile& other) const {
        return folder == other.folder && name == other.name;
    }
};

// The kind of a file: "public.image" or "public.movie" from its MIME type,
// or, where the device gives a generic or unknown type (as phones and some
// libgphoto2 versions do for HEIC, HEIF and raw formats), from its name's
// extension. Anything else is not listed (an empty text).
QString deviceFileKind(const QString& mimeType, const QString& name);

// An open session with one camera. Its calls block; a session is used from
// one thread at a time.
class CameraSession {
public:
    virtual ~CameraSession() = default;
    // Every photo and movie, folder by folder.
    virtual Result<QList<DeviceFile>> listFiles() = 0;
    // The camera's small preview of a file, in whatever format it keeps it.
    virtual Result<QByteArray> preview(const DeviceFile& file) = 0;
    // The whole file, written to fd from its current position.
    virtual Status download(const DeviceFile& file, int fd) = 0;
    // The whole file in memory, for files small enough to decode.
    virtual Result<QByteArray> read(const DeviceFile& file) = 0;
    virtual Status remove(const DeviceFile& file) = 0;
};

// The image-capture service: finds devices and opens sessions. Safe to call
// from several threads.
class CameraService {
public:
    virtual ~CameraService() = default;
    virtual Result<QList<DeviceInfo>> detect() = 0;
    virtual Result<std::unique_ptr<CameraSession>> open(const DeviceInfo& device) = 0;
};

// The extra camera ports named in TESSAVIEW_EXTRA_CAMERA_PORTS, read anew on
// each call: entries separated by ";", each "disk:FOLDER" for a folder shown
// as a camera. Lets tests and scripts attach a camera without hardware.
QList<DeviceInfo> extraCameraPorts();

Q_DECLARE_METATYPE(DeviceInfo)
Q_DECLARE_METATYPE(DeviceFile)
