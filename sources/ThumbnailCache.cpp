#include "sources/ThumbnailCache.h"

#include "metadata/AtomicFile.h"
#include "sources/CameraService.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace ThumbnailCache {

Result<QString> folder() {
    using R = Result<QString>;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (base.isEmpty())
        return R::fail(QStringLiteral("no cache folder"));
    const QString path = base + QStringLiteral("/device-thumbnails");
    // A base that cannot be made fails the check of the folder below.
    QDir().mkpath(base);
    const QByteArray native = QFile::encodeName(path);
    ::mkdir(native.constData(), 0700);
    struct stat info {};
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        info.st_uid != ::getuid())
        return R::fail(QStringLiteral("%1 is not a folder of ours").arg(path));
    if ((info.st_mode & 0777) != 0700 && ::chmod(native.constData(), 0700) != 0)
        return R::fail(QStringLiteral("cannot make %1 private").arg(path));
    return R::ok(path);
}

QString key(const QString& port, const DeviceFile& file) {
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(port.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(file.folder.toUtf8());
    hash.addData(QByteArrayView("\0", 1));
    hash.addData(file.name);
    return QString::fromLatin1(hash.result().toHex());
}

QString existing(const QString& folder, const QString& key) {
    for (const char* extension : {".jpg", ".png"}) {
        const QString path = folder + QLatin1Char('/') + key + QLatin1String(extension);
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}

Result<QString> storeImage(const QString& folder, const QString& key, const QImage& image) {
    using R = Result<QString>;
    if (image.isNull())
        return R::fail(QStringLiteral("no picture"));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const QString path = folder + QLatin1Char('/') + key + QStringLiteral(".png");
    if (const Status written = writeFileAtomically(path, png, SyncMode::Later); !written)
        return R::fail(written.error());
    return R::ok(path);
}

Result<QString> storePreview(const QString& folder, const QString& key, const QByteArray& bytes) {
    using R = Result<QString>;
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    if (reader.format() == "jpeg" && reader.size().isValid()) {
        const QString path = folder + QLatin1Char('/') + key + QStringLiteral(".jpg");
        if (const Status written = writeFileAtomically(path, bytes, SyncMode::Later); !written)
            return R::fail(written.error());
        return R::ok(path);
    }
    if (reader.size().isValid())
        reader.setScaledSize(reader.size().scaled(QSize(340, 340), Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull())
        return R::fail(QStringLiteral("the preview is not a picture"));
    return storeImage(folder, key, image);
}

QImage placeholder(bool movie) {
    QImage image(160, 120, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(48, 44, 43));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(170, 170, 170));
    if (movie) {
        QPainterPath play;
        play.moveTo(65, 40);
        play.lineTo(100, 60);
        play.lineTo(65, 80);
        play.closeSubpath();
        painter.drawPath(play);
    } else {
        painter.drawRect(50, 40, 60, 40);
    }
    return image;
}

} // namespace ThumbnailCache
