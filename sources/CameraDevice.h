#pragma once

#include "sources/CameraService.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>

class QThread;
class CameraDeviceWorker;

// What became of one requested download.
struct DownloadOutcome {
    DeviceFile file;
    QString path; // where it is on this computer, when it is
    bool reused = false;
    QString error; // why it is not, when it is not
    bool isOk() const { return error.isEmpty(); }
};
Q_DECLARE_METATYPE(DownloadOutcome)

// One connected camera. Every call into the image-capture service runs on
// the camera's own thread, one at a time, since the service blocks and is
// not safe to share; requests return at once and answers come back as
// queued signals on the thread that made the camera.
class CameraDevice : public QObject {
    Q_OBJECT
public:
    CameraDevice(std::shared_ptr<CameraService> service, DeviceInfo info,
                 QObject* parent = nullptr);
    // Stops the camera's thread without waiting for it.
    ~CameraDevice() override;

    const DeviceInfo& info() const { return m_info; }
    QString name() const { return m_info.name(); }

    // Opens a session, lists every photo and movie, then makes thumbnails.
    void requestOpenSession();
    void requestDownloadFiles(const QList<DeviceFile>& files, const QString& folder, int tag);
    void requestDeleteFiles(const QList<DeviceFile>& files);

    // Waits for the threads of cameras already gone; at the end of the process.
    static void waitForStoppedDevices();

Q_SIGNALS:
    void didOpenSession(const QString& error); // empty when it opened
    void didListItems(const QList<DeviceFile>& files);
    void didReceiveThumbnail(const DeviceFile& file, const QString& thumbnailPath);
    void didDownloadFile(const DownloadOutcome& outcome, int done, int total, int tag);
    void didFinishDownloads(const QList<DownloadOutcome>& outcomes, int tag);
    void didDeleteFiles(const QList<DeviceFile>& deleted, const QStringList& failures);

private:
    DeviceInfo m_info;
    QThread* m_thread;
    CameraDeviceWorker* m_worker;
    std::shared_ptr<std::atomic_bool> m_stopping;
};
