#include "sources/CameraService.h"

#include "sources/DeviceFileName.h"

#include <QDir>
#include <QFileInfo>

QString DeviceInfo::name() const {
    if (port.startsWith(QLatin1String("disk:")))
        return QStringLiteral("%1 (%2)").arg(model, QDir(port.mid(5)).dirName());
    return model;
}

QString DeviceFile::safeName() const {
    return safeDeviceFileName(name);
}

QString deviceFileKind(const QString& mimeType, const QString& name) {
    const QString type = mimeType.trimmed().toLower();
    if (type.startsWith(QLatin1String("image/")))
        return QStringLiteral("public.image");
    if (type.startsWith(QLatin1String("video/")))
        return QStringLiteral("public.movie");
    static const QStringList generic = {QString(),
                                        QStringLiteral("application/octet-stream"),
                                        QStringLiteral("application/x-unknown"),
                                        QStringLiteral("application/unknown"),
                                        QStringLiteral("unknown/unknown"),
                                        QStringLiteral("unknown")};
    if (!generic.contains(type))
        return QString();
    static const QStringList images = {
        QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
        QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("webp"),
        QStringLiteral("gif"), QStringLiteral("heic"), QStringLiteral("heif"),
        QStringLiteral("hif"), QStringLiteral("avif"), QStringLiteral("dng"),
        QStringLiteral("cr2"), QStringLiteral("cr3"),  QStringLiteral("crw"),
        QStringLiteral("nef"), QStringLiteral("nrw"),  QStringLiteral("arw"),
        QStringLiteral("srf"), QStringLiteral("sr2"),  QStringLiteral("orf"),
        QStringLiteral("rw2"), QStringLiteral("raf"),  QStringLiteral("pef"),
        QStringLiteral("srw"), QStringLiteral("x3f"),  QStringLiteral("3fr"),
        QStringLiteral("iiq"), QStringLiteral("erf"),  QStringLiteral("mrw"),
        QStringLiteral("kdc"), QStringLiteral("dcr"),  QStringLiteral("raw"),
        QStringLiteral("rwl")};
    static const QStringList movies = {QStringLiteral("mov"), QStringLiteral("mp4"),
                                       QStringLiteral("m4v")};
    const QString extension = QFileInfo(name).suffix().toLower();
    if (images.contains(extension))
        return QStringLiteral("public.image");
    if (movies.contains(extension))
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
