// The device browser's first screen: a folder camera of N photos is found,
// opened and listed, and the time until the first screen of thumbnails has
// arrived is printed, with the longest stall of the thread that made the
// camera (the window's, in the application). Prints figures; judges nothing.
#include "sources/CameraDevice.h"
#include "sources/CameraServiceGPhoto.h"
#include "sources/DeviceBrowser.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: tv_bench_device COUNT PHOTO [SCREEN]\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    const int count = QString::fromLocal8Bit(argv[1]).toInt();
    const QString photo = QString::fromLocal8Bit(argv[2]);
    const int screen = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 30;
    QTemporaryDir home;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    const QString dcim = home.filePath(QStringLiteral("camera/DCIM/100APPLE"));
    QDir().mkpath(dcim);
    for (int i = 1; i <= count; ++i)
        QFile::copy(photo, dcim + QStringLiteral("/IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
    qputenv("TESSAVIEW_EXTRA_CAMERA_PORTS",
            QFile::encodeName(QStringLiteral("disk:") + home.filePath(QStringLiteral("camera"))));

    std::shared_ptr<CameraService> service = makeGPhotoCameraService();
    DeviceBrowser browser(service, 60000);
    std::unique_ptr<CameraDevice> camera;
    QElapsedTimer clock;
    qint64 listedAt = -1, screenAt = -1, lastTick = 0, longestStall = 0;
    int thumbnails = 0;
    // A tick every 5 ms: a late one is a stall of this thread.
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, &app, [&] {
        const qint64 now = clock.elapsed();
        longestStall = std::max(longestStall, now - lastTick);
        lastTick = now;
    });
    QObject::connect(&browser, &DeviceBrowser::didAddDevice, &app, [&](const DeviceInfo& device) {
        clock.start();
        lastTick = 0;
        ticker.start();
        camera = std::make_unique<CameraDevice>(service, device);
        QObject::connect(camera.get(), &CameraDevice::didListItems, &app,
                         [&](const QList<DeviceFile>&) { listedAt = clock.elapsed(); });
        QObject::connect(camera.get(), &CameraDevice::didReceiveThumbnail, &app, [&] {
            if (++thumbnails == screen) {
                screenAt = clock.elapsed();
                app.quit();
            }
        });
        camera->requestOpenSession();
    });
    QTimer::singleShot(120000, &app, &QCoreApplication::quit);
    browser.start();
    app.exec();
    std::printf("device browser, folder camera of %d photos (%lld bytes each):\n", count,
                static_cast<long long>(QFileInfo(photo).size()));
    std::printf("  listed after %lld ms; first screen of %d thumbnails after %lld ms\n", listedAt,
                screen, screenAt);
    std::printf("  longest stall of the camera's owner thread: %lld ms\n", longestStall);
    camera.reset();
    CameraDevice::waitForStoppedDevices();
    return screenAt < 0 ? 1 : 0;
}
