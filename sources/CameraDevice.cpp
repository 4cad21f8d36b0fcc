#include "sources/CameraDevice.h"

#include "sources/CameraDeviceWorker.h"

#include <QMutex>
#include <QSet>
#include <QThread>

namespace {

QMutex& stoppedMutex() {
    static QMutex mutex;
    return mutex;
}
QSet<QThread*>& stoppedThreads() {
    static QSet<QThread*> threads;
    return threads;
}

} // namespace

CameraDevice::CameraDevice(std::shared_ptr<CameraService> service, DeviceInfo info, QObject* parent)
    : QObject(parent), m_info(std::move(info)), m_thread(new QThread),
      m_stopping(std::make_shared<std::atomic_bool>(false)) {
    qRegisterMetaType<DeviceFile>();
    qRegisterMetaType<QList<DeviceFile>>();
    qRegisterMetaType<DownloadOutcome>();
    qRegisterMetaType<QList<DownloadOutcome>>();
    m_worker = new CameraDeviceWorker(std::move(service), m_info, m_stopping);
    m_worker->moveToThread(m_thread);
    m_thread->setObjectName(QStringLiteral("camera ") + m_info.port);
    connect(m_worker, &CameraDeviceWorker::didOpenSession, this, &CameraDevice::didOpenSession);
    connect(m_worker, &CameraDeviceWorker::didListItems, this, &CameraDevice::didListItems);
    connect(m_worker, &CameraDeviceWorker::didReceiveThumbnail, this,
            &CameraDevice::didReceiveThumbnail);
    connect(m_worker, &CameraDeviceWorker::didDownloadFile, this, &CameraDevice::didDownloadFile);
    connect(m_worker, &CameraDeviceWorker::didFinishDownloads, this,
            &CameraDevice::didFinishDownloads);
    connect(m_worker, &CameraDeviceWorker::didDeleteFiles, this, &CameraDevice::didDeleteFiles);
    m_thread->start();
}

CameraDevice::~CameraDevice() {
    // The camera may be in the middle of a long call: it is told to stop
    // and left to finish on its own thread, which cleans up after itself.
    *m_stopping = true;
    CameraDeviceWorker* worker = m_worker;
    QThread* thread = m_thread;
    {
        QMutexLocker lock(&stoppedMutex());
        stoppedThreads().insert(thread);
    }
    QMetaObject::invokeMethod(
        worker,
        [worker, thread] {
            delete worker; // closes the session on the thread that opened it
            thread->quit();
        },
        Qt::QueuedConnection);
    QObject::connect(thread, &QThread::finished, thread, [thread] {
        QMutexLocker lock(&stoppedMutex());
        if (stoppedThreads().remove(thread))
            thread->deleteLater();
    });
}

void CameraDevice::waitForStoppedDevices() {
    QSet<QThread*> threads;
    {
        QMutexLocker lock(&stoppedMutex());
        threads.swap(stoppedThreads());
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
}

void CameraDevice::requestOpenSession() {
    CameraDeviceWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker] { worker->enqueue([worker] { worker->openSession(); }); },
        Qt::QueuedConnection);
}

void CameraDevice::requestDownloadFiles(const QList<DeviceFile>& files, const QString& folder,
                                        int tag) {
    CameraDeviceWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker,
        [worker, files, folder, tag] {
            const int total = int(files.size());
            for (int i = 0; i < total; ++i) {
                const DeviceFile file = files[i];
                worker->enqueue([=] { worker->download(file, folder, tag, i, total); });
            }
            worker->enqueue([=] { worker->finishDownloads(folder, tag); });
        },
        Qt::QueuedConnection);
}

void CameraDevice::requestDeleteFiles(const QList<DeviceFile>& files) {
    CameraDeviceWorker* worker = m_worker;
    QMetaObject::invokeMethod(
        worker, [worker, files] { worker->enqueue([=] { worker->remove(files); }); },
        Qt::QueuedConnection);
}
