#include "app/LatestPhotoDecoder.h"

#include "app/Background.h"
#include "sources/PhotoImage.h"

#include <QThreadPool>

LatestPhotoDecoder::LatestPhotoDecoder(MetadataService& metadata, QObject* parent)
    : QObject(parent), m_metadata(metadata), m_pool(new QThreadPool(this)) {
    m_pool->setMaxThreadCount(1);
}

LatestPhotoDecoder::~LatestPhotoDecoder() {
    cancel();
    m_pool->waitForDone();
}

void LatestPhotoDecoder::request(const QString& path, QSize pixels) {
    QMutexLocker lock(&m_mutex);
    m_waiting = Request{path, pixels, ++m_newest};
    if (!m_running) {
        lock.unlock();
        startNext();
    }
}

void LatestPhotoDecoder::cancel() {
    QMutexLocker lock(&m_mutex);
    m_waiting.reset();
    ++m_newest;
}

void LatestPhotoDecoder::startNext() {
    QMutexLocker lock(&m_mutex);
    if (m_running || !m_waiting)
        return;
    const Request request = *m_waiting;
    m_waiting.reset();
    m_running = true;
    lock.unlock();
    MetadataService* metadata = &m_metadata;
    runInBackground(
        this,
        [metadata, request] { return loadPhotoImage(*metadata, request.path, request.pixels); },
        [this, request](const QImage& photo) {
            bool newest = false;
            {
                QMutexLocker done(&m_mutex);
                m_running = false;
                newest = request.number == m_newest;
            }
            if (newest)
                Q_EMIT decoded(request.path, photo);
            startNext();
        },
        m_pool);
}
