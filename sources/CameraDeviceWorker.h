#pragma once

#include "sources/CameraDevice.h"

#include <QObject>

#include <deque>
#include <functional>

// The part of a CameraDevice that lives on its thread. Commands (open,
// each file of a download, delete) go before thumbnails, one unit of work
// per turn of the thread's event loop.
class CameraDeviceWorker : public QObject {
    Q_OBJECT
public:
    CameraDeviceWorker(std::shared_ptr<CameraService> service, DeviceInfo info,
                       std::shared_ptr<std::atomic_bool> stopping);
    ~CameraDeviceWorker() override;

    // Called on the worker's thread.
    void enqueue(std::function<void()> command);
    void openSession();
    void download(const DeviceFile& file, const QString& folder, int tag, int index, int total);
    void finishDownloads(const QString& folder, int tag);
    void remove(const QList<DeviceFile>& files);

Q_SIGNALS:
    void didOpenSession(const QString& error);
    void didListItems(const QList<DeviceFile>& files);
    void didReceiveThumbnail(const DeviceFile& file, const QString& thumbnailPath);
    void didDownloadFile(const DownloadOutcome& outcome, int done, int total, int tag);
    void didFinishDownloads(const QList<DownloadOutcome>& outcomes, int tag);
    void didDeleteFiles(const QList<DeviceFile>& deleted, const QStringList& failures);

private:
    void schedule();
    void pump();
    void makeThumbnail(const DeviceFile& file);

    std::shared_ptr<CameraService> m_service;
    DeviceInfo m_info;
    std::shared_ptr<std::atomic_bool> m_stopping;
    std::unique_ptr<CameraSession> m_session;
    std::deque<std::function<void()>> m_commands;
    std::deque<DeviceFile> m_thumbnails;
    QString m_thumbnailFolder;
    QList<DownloadOutcome> m_outcomes;
    bool m_scheduled = false;
};
