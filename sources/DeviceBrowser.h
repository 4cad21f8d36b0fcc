#pragma once

#include "sources/CameraService.h"

#include <QList>
#include <QObject>

#include <memory>

class QThread;
class QTimer;

// Watches for cameras coming and going. Detection blocks, so it runs on a
// thread of its own: when the system announces a USB device, and every few
// seconds besides; rescan() asks for a look at once.
class DeviceBrowser : public QObject {
    Q_OBJECT
public:
    DeviceBrowser(std::shared_ptr<CameraService> service, int intervalMs = 2000,
                  QObject* parent = nullptr);
    ~DeviceBrowser() override;

    void start();
    void rescan();

Q_SIGNALS:
    void didAddDevice(const DeviceInfo& device);
    void didRemoveDevice(const DeviceInfo& device);
    // Each look, after its arrivals and departures.
    void didScan();

private:
    void scanOnThread();

    QThread* m_thread;
    QObject* m_poller; // lives on the thread
    QTimer* m_timer;
    std::shared_ptr<CameraService> m_service;
    QList<DeviceInfo> m_known; // touched on the thread only
};
