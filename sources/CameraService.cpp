#include "sources/CameraService.h"

#include "sources/DeviceFileName.h"

#include <QDir>

QString DeviceInfo::name() const {
    if (port.startsWith(QLatin1String("disk:")))
        return QStringLiteral("%1 (%2)").arg(model, QDir(port.mid(5)).dirName());
    return model;
}

QString DeviceFile::safeName() const {
    return safeDeviceFileName(name);
}

QString deviceFileKind(const QString& mimeType) {
    const QString type = mimeType.trimmed().toLower();
    if (type.startsWith(QLatin1String("image/")))
        return QStringLiteral("public.image");
    if (type.startsWith(QLatin1String("video/")))
        return QStringLiteral("public.movie");
    return QString();
}

QList<DeviceInfo> extraCameraPorts() {
    QList<DeviceInfo> ports;
    const QString value = qEnvironmentVariable("TESSAVIEW_EXTRA_CAMERA_PORTS");
    for (const QString& entry : value.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString port = entry.trimmed();
        // A folder camera needs its folder; a missing one has been unplugged.
        if (port.startsWith(QLatin1String("disk:")) && QDir(port.mid(5)).exists())
            ports.append({QStringLiteral("Directory Browse"), port});
    }
    return ports;
}
