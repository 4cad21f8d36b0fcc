#include "sources/DeviceBrowser.h"

#include <QThread>
#include <QTimer>

#include "sources/UsbEvents.h"

DeviceBrowser::DeviceBrowser(std::shared_ptr<CameraService> service, int intervalMs,
                             QObject* parent)
    : QObject(parent), m_thread(new QThread(this)), m_poller(new QObject),
      m_timer(new QTimer(m_poller)), m_service(std::move(service)) {
    qRegisterMetaType<DeviceInfo>();
    m_thread->setObjectName(QStringLiteral("device browser"));
    m_timer->setInterval(intervalMs);
    m_poller->moveToThread(m_thread);
    connect(m_timer, &QTimer::timeout, m_poller, [this] { scanOnThread(); });
    connect(m_thread, &QThread::finished, m_poller, &QObject::deleteLater);
}

void DeviceBrowser::scanOnThread() {
    const auto found = m_service->detect();
    if (!found) {
        qWarning("camera detection: %s", qPrintable(found.error()));
        return;
    }
    for (const DeviceInfo& device : std::as_const(m_known)) {
        if (!found->contains(device))
            Q_EMIT didRemoveDevice(device);
    }
    for (const DeviceInfo& device : found.value()) {
        if (!m_known.contains(device))
            Q_EMIT didAddDevice(device);
    }
    m_known = found.value();
    Q_EMIT didScan();
}

DeviceBrowser::~DeviceBrowser() {
    m_thread->quit();
    m_thread->wait(); // a detection takes a moment, never a device's whole transfer
}

void DeviceBrowser::start() {
    m_thread->start();
    QMetaObject::invokeMethod(m_timer, [this] {
        m_timer->start();
        // A device just plugged in takes a moment to answer: look a little
        // after the announcement rather than at the next poll.
        auto* events = new UsbEvents(m_poller);
        connect(events, &UsbEvents::changed, m_poller,
                [this] { QTimer::singleShot(700, m_poller, [this] { scanOnThread(); }); });
        scanOnThread();
    });
}

void DeviceBrowser::rescan() {
    QMetaObject::invokeMethod(m_poller, [this] { scanOnThread(); });
}
