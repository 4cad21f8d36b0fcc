#pragma once

#include <QCache>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QStringList>

class MetadataService;
class QThreadPool;

// Makes thumbnails on worker threads: the photo's embedded preview where it
// has one (through the metadata worker), else a decode scaled while reading.
// Only requested paths are made, the latest requests first, so the cells on
// screen come before the ones scrolled past. A preview smaller than the cell
// (a camera's 160-pixel thumbnail on a screen at twice the density) is shown
// at once and the photo decoded at the cell's size after every request is
// served: a full decode of a large photo takes a hundred times longer. finished thumbnails live in
// a cache bounded by bytes, each under its path and its size, so that going back to a size finds
// the thumbnails still cached there.
class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    ThumbnailLoader(MetadataService& metadata, QSize size, QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // The thumbnail if it is ready; otherwise a null image, and it is queued.
    QImage thumbnail(const QString& path);
    void setCacheLimit(qint64 bytes);
    // The size thumbnails are made at from now on (in device pixels: the
    // cell's side times the screen's pixel ratio); thumbnails of another size
    // are made anew as they are asked for.
    void setSize(QSize size);
    QSize size() const;
    int pendingCount() const;
    // Thumbnails shown from a preview smaller than their cell, still to be
    // decoded again from the photo at the cell's size.
    int sharpeningCount() const;
    // Forgets the queue (the list was emptied); the cache stays.
    void cancelPending();

Q_SIGNALS:
    void thumbnailReady(const QString& path);

private:
    void startWork();
    QImage make(const QString& path, QSize size, bool* soft) const;
    static QImage decoded(const QString& path, QSize size);
    static QString keyOf(const QString& path, QSize size);

    MetadataService& m_metadata;
    QSize m_size;
    QThreadPool* m_pool;
    mutable QMutex m_mutex;
    QCache<QString, QImage> m_cache;
    QStringList m_pending; // the last is served first
    QStringList m_sharpen; // served when nothing is pending
    QSet<QString> m_queued;
    int m_running = 0;
};
