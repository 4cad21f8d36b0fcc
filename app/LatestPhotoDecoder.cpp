#include "app/LatestPhotoDecoder.h"

#include "sources/PhotoImage.h"

#include <QPointer>
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
    QPointer<LatestPhotoDecoder> self(this);
    MetadataService* metadata = &m_metadata;
    m_pool->start([self, metadata, request, this] {
        const QImage photo = loadPhotoImage(*metadata, request.path, request.pixels);
        QMetaObject::invokeMethod(
            this,
            [self, request, photo] {
                if (!self)
                    return;
                bool newest = false;
                {
                    QMutexLocker done(&self->m_mutex);
                    self->m_running = false;
                    newest = request.number == self->m_newest;
                }
                if (newest)
                    Q_EMIT self->decoded(request.path, photo);
                self->startNext();
            },
            Qt::QueuedConnection);
    });
}
