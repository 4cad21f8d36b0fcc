#pragma once

#include "support/TestPhotos.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

// A folder camera as a phone lays out its files: photos and a movie in
// DCIM/100APPLE, an empty sub-folder, a text file, and names a device may
// send that must not become paths as they are.
struct DeviceFixture {
    TestFolder folder;
    QString root = folder.file(QStringLiteral("camera"));
    QString dcim = root + QStringLiteral("/DCIM/100APPLE");

    // The photos and movies the camera lists, by their device names.
    static QStringList photoNames() {
        return {QStringLiteral("Canon_40D.jpg"), QStringLiteral("DSCN0010.jpg"),
                QStringLiteral("Nikon_D70.jpg")};
    }
    static QByteArray controlName() { return QByteArray("ctl\x01\x1b[31mname.jpg"); }
    static QByteArray latin1Name() { return QByteArray("caf\xe9.jpg"); }
    static QByteArray dashName() { return QByteArray("-rf.jpg"); }

    DeviceFixture() {
        QDir().mkpath(dcim + QStringLiteral("/sub"));
        for (const QString& name : photoNames())
            QFile::copy(fixturePath(name), dcim + QLatin1Char('/') + name);
        folder.writeFile(QStringLiteral("camera/DCIM/100APPLE/CLIP.MOV"),
                         QByteArray("\0\0\0\x14"
                                    "ftypqt  movie bytes",
                                    23));
        folder.writeFile(QStringLiteral("camera/DCIM/100APPLE/notes.txt"), "not a photo\n");
        const QByteArray square = fileBytes(fixturePath(QStringLiteral("BlueSquare.jpg")));
        for (const QByteArray& name : {controlName(), latin1Name(), dashName()})
            writeRaw(name, square);
    }
    // Names that are not UTF-8 cannot pass through QString, so the bytes go
    // to the system as they are.
    void writeRaw(const QByteArray& name, const QByteArray& bytes) const {
        const QByteArray path = QFile::encodeName(dcim) + '/' + name;
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            [[maybe_unused]] const auto written = ::write(fd, bytes.constData(), bytes.size());
            ::close(fd);
        }
    }
    ~DeviceFixture() {
        // Qt cannot name these to remove them with the folder.
        for (const QByteArray& name : {controlName(), latin1Name(), dashName()})
            ::unlink(devicePath(name).constData());
    }
    // A device file's bytes, whatever its name.
    QByteArray bytesOf(const QByteArray& name) const {
        QByteArray bytes;
        const int fd = ::open(devicePath(name).constData(), O_RDONLY);
        if (fd < 0)
            return bytes;
        char buffer[65536];
        for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, got);
        ::close(fd);
        return bytes;
    }
    bool exists(const QByteArray& name) const {
        return ::access(devicePath(name).constData(), F_OK) == 0;
    }
    QString port() const { return QStringLiteral("disk:") + root; }
    QByteArray devicePath(const QByteArray& name) const {
        return QFile::encodeName(dcim) + '/' + name;
    }
};
