#include "sources/ThumbnailLoader.h"

#include "metadata/MetadataService.h"

#include <QImageReader>
#include <QThread>
#include <QThreadPool>

namespace {
constexpr int maxPending = 512;
}

ThumbnailLoader::ThumbnailLoader(MetadataService& metadata, QSize size, QObject* parent)
    : QObject(parent), m_metadata(metadata), m_size(size), m_pool(new QThreadPool(this)) {
    m_pool->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
    m_cache.setMaxCost(64 * 1024 * 1024);
}

ThumbnailLoader::~ThumbnailLoader() {
    cancelPending();
    m_pool->waitForDone();
}

void ThumbnailLoader::setCacheLimit(qint64 bytes) {
    QMutexLocker lock(&m_mutex);
    m_cache.setMaxCost(bytes);
}

void ThumbnailLoader::setSize(QSize size) {
    QMutexLocker lock(&m_mutex);
    if (size == m_size || size.isEmpty())
        return;
    m_size = size;
}

QString ThumbnailLoader::keyOf(const QString& path, QSize size) {
    return QString::number(size.width()) + QLatin1Char('x') + QString::number(size.height()) +
           QLatin1Char(' ') + path;
}

QSize ThumbnailLoader::size() const {
    QMutexLocker lock(&m_mutex);
    return m_size;
}

int ThumbnailLoader::pendingCount() const {
    QMutexLocker lock(&m_mutex);
    return int(m_pending.size()) + m_running;
}

int ThumbnailLoader::sharpeningCount() const {
    QMutexLocker lock(&m_mutex);
    return int(m_sharpen.size());
}

void ThumbnailLoader::cancelPending() {
    QMutexLocker lock(&m_mutex);
    m_pending.clear();
    m_queued.clear();
    m_sharpen.clear();
}

QImage ThumbnailLoader::thumbnail(const QString& path) {
    QMutexLocker lock(&m_mutex);
    if (const QImage* cached = m_cache.object(keyOf(path, m_size)))
        return *cached;
    if (m_queued.contains(path)) {
        // Asked again: it is on screen now, so it moves to the front.
        m_pending.removeOne(path);
        m_pending.append(path);
        return {};
    }
    m_pending.append(path);
    m_queued.insert(path);
    // Requests scrolled far past are dropped; they are asked again if shown.
    while (m_pending.size() > maxPending)
        m_queued.remove(m_pending.takeFirst());
    lock.unlock();
    startWork();
    return {};
}

void ThumbnailLoader::startWork() {
    QMutexLocker lock(&m_mutex);
    while (m_running < m_pool->maxThreadCount() && !m_pending.isEmpty()) {
        ++m_running;
        m_pool->start([this] {
            for (;;) {
                QString path;
                QSize size;
                bool sharpening = false;
                {
                    QMutexLocker inner(&m_mutex);
                    size = m_size;
                    // A soft one of a size since changed is asked for anew.
                    while (m_pending.isEmpty() && !m_sharpen.isEmpty() && path.isEmpty()) {
                        const QString next = m_sharpen.takeLast();
                        if (m_cache.contains(keyOf(next, size)))
                            path = next;
                    }
                    sharpening = !path.isEmpty();
                    if (!sharpening && m_pending.isEmpty()) {
                        --m_running;
                        return;
                    }
                    if (!sharpening)
                        path = m_pending.takeLast();
                }
                bool soft = false;
                // Sharpening takes what the processor has left: the large
                // view of the selected photo and the workers come first.
                if (sharpening)
                    QThread::currentThread()->setPriority(QThread::IdlePriority);
                const QImage image = sharpening ? decoded(path, size) : make(path, size, &soft);
                if (sharpening)
                    QThread::currentThread()->setPriority(QThread::NormalPriority);
                {
                    QMutexLocker inner(&m_mutex);
                    if (!sharpening)
                        m_queued.remove(path);
                    // The latest first, as the requests.
                    if (soft) {
                        m_sharpen.removeOne(path);
                        m_sharpen.append(path);
                        while (m_sharpen.size() > maxPending)
                            m_sharpen.removeFirst();
                    }
                    // One made for a size since changed is kept for that size.
                    if (!sharpening || !image.isNull())
                        m_cache.insert(keyOf(path, size), new QImage(image),
                                       std::max<qsizetype>(1, image.sizeInBytes()));
                }
                if (sharpening && image.isNull())
                    continue;
                QMetaObject::invokeMethod(
                    this, [this, path] { Q_EMIT thumbnailReady(path); }, Qt::QueuedConnection);
            }
        });
    }
}

QImage ThumbnailLoader::make(const QString& path, QSize size, bool* soft) const {
    QImage image;
    const int side = std::max(size.width(), size.height());
    const auto preview = m_metadata.readPreview(path, side * 2);
    if (preview.isOk())
        image = QImage::fromData(preview->bytes);
    if (image.isNull())
        return decoded(path, size);
    // A preview smaller than the cell would be blown up soft: it serves
    // until the photo itself is decoded at the cell's size, if the photo is
    // larger than the preview.
    if (std::max(image.width(), image.height()) < side) {
        QImageReader reader(path);
        const QSize full = reader.size();
        *soft = full.isValid() &&
                std::max(full.width(), full.height()) > std::max(image.width(), image.height());
    }
    return image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QImage ThumbnailLoader::decoded(const QString& path, QSize size) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid())
        reader.setScaledSize(full.scaled(size * 2, Qt::KeepAspectRatio).boundedTo(full));
    const QImage image = reader.read();
    if (image.isNull())
        return image;
    return image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
