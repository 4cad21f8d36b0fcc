#include "sources/ThumbnailLoader.h"

#include "metadata/MetadataService.h"

#include <QImageReader>
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

void ThumbnailLoader::cancelPending() {
    QMutexLocker lock(&m_mutex);
    m_pending.clear();
    m_queued.clear();
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
                {
                    QMutexLocker inner(&m_mutex);
                    if (m_pending.isEmpty()) {
                        --m_running;
                        return;
                    }
                    path = m_pending.takeLast();
                    size = m_size;
                }
                const QImage image = make(path, size);
                {
                    QMutexLocker inner(&m_mutex);
                    m_queued.remove(path);
                    // One made for a size since changed is kept for that size.
                    m_cache.insert(keyOf(path, size), new QImage(image),
                                   std::max<qsizetype>(1, image.sizeInBytes()));
                }
                QMetaObject::invokeMethod(
                    this, [this, path] { Q_EMIT thumbnailReady(path); }, Qt::QueuedConnection);
            }
        });
    }
}

QImage ThumbnailLoader::make(const QString& path, QSize size) const {
    QImage image;
    const int side = std::max(size.width(), size.height());
    const auto preview = m_metadata.readPreview(path, side * 2);
    if (preview.isOk())
        image = QImage::fromData(preview->bytes);
    // A preview smaller than the cell (a camera's 160-pixel thumbnail on a
    // screen at twice the density) would be blown up soft: the photo itself
    // is decoded at the cell's size instead. Where that fails the preview
    // still serves.
    if (!image.isNull() && std::max(image.width(), image.height()) < side) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid() &&
            std::max(full.width(), full.height()) > std::max(image.width(), image.height())) {
            reader.setScaledSize(full.scaled(size * 2, Qt::KeepAspectRatio).boundedTo(full));
            const QImage decoded = reader.read();
            if (!decoded.isNull())
                image = decoded;
        }
    }
    if (image.isNull()) {
        QImageReader reader(path);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid())
            reader.setScaledSize(full.scaled(size * 2, Qt::KeepAspectRatio));
        image = reader.read();
    }
    if (image.isNull())
        return image;
    return image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
