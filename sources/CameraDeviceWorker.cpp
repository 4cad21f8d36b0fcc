#include "sources/CameraDeviceWorker.h"

#include "metadata/AtomicFile.h"
#include "sources/DeviceDownload.h"
#include "sources/ThumbnailCache.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// A photo with no preview of its own is fetched whole to make one, up to
// this size; larger ones get the placeholder.
constexpr qint64 largestDecodedForThumbnail = 48 * 1024 * 1024;

} // namespace

CameraDeviceWorker::CameraDeviceWorker(std::shared_ptr<CameraService> service, DeviceInfo info,
                                       std::shared_ptr<std::atomic_bool> stopping)
    : m_service(std::move(service)), m_info(std::move(info)), m_stopping(std::move(stopping)) {}

CameraDeviceWorker::~CameraDeviceWorker() = default;

void CameraDeviceWorker::enqueue(std::function<void()> command) {
    m_commands.push_back(std::move(command));
    schedule();
}

void CameraDeviceWorker::schedule() {
    if (m_scheduled)
        return;
    m_scheduled = true;
    QMetaObject::invokeMethod(this, &CameraDeviceWorker::pump, Qt::QueuedConnection);
}

void CameraDeviceWorker::pump() {
    m_scheduled = false;
    if (*m_stopping)
        return;
    if (!m_commands.empty()) {
        std::function<void()> command = std::move(m_commands.front());
        m_commands.pop_front();
        command();
    } else if (!m_thumbnails.empty()) {
        const DeviceFile file = m_thumbnails.front();
        m_thumbnails.pop_front();
        makeThumbnail(file);
    }
    if (!m_commands.empty() || !m_thumbnails.empty())
        schedule();
}

void CameraDeviceWorker::openSession() {
    if (!m_session) {
        auto opened = m_service->open(m_info);
        if (!opened) {
            Q_EMIT didOpenSession(opened.error());
            return;
        }
        m_session = std::move(opened).value();
    }
    Q_EMIT didOpenSession(QString());
    auto listed = m_session->listFiles();
    if (!listed) {
        Q_EMIT didOpenSession(listed.error());
        return;
    }
    // A file the device gave no kind for is listed by its type or its name.
    QList<DeviceFile> files;
    for (DeviceFile file : listed.value()) {
        if (file.kind.isEmpty())
            file.kind = deviceFileKind(file.mimeType, QString::fromUtf8(file.name));
        if (!file.kind.isEmpty())
            files << file;
    }
    listed = Result<QList<DeviceFile>>::ok(files);
    Q_EMIT didListItems(listed.value());
    const auto folder = ThumbnailCache::folder();
    if (!folder) {
        qWarning("device thumbnails: %s", qPrintable(folder.error()));
        for (const DeviceFile& file : listed.value())
            Q_EMIT didReceiveThumbnail(file, QString());
        return;
    }
    m_thumbnailFolder = folder.value();
    m_thumbnails.assign(listed->begin(), listed->end());
}

void CameraDeviceWorker::makeThumbnail(const DeviceFile& file) {
    const QString key = ThumbnailCache::key(m_info.port, file);
    QString path = ThumbnailCache::existing(m_thumbnailFolder, key);
    if (path.isEmpty()) {
        if (const auto preview = m_session->preview(file)) {
            if (const auto stored =
                    ThumbnailCache::storePreview(m_thumbnailFolder, key, preview.value()))
                path = stored.value();
        }
    }
    const bool movie = file.kind == QLatin1String("public.movie");
    if (path.isEmpty() && !movie && file.size >= 0 && file.size <= largestDecodedForThumbnail) {
        if (const auto whole = m_session->read(file)) {
            QBuffer buffer;
            buffer.setData(whole.value());
            QImageReader reader(&buffer);
            reader.setAutoTransform(true);
            if (reader.size().isValid())
                reader.setScaledSize(reader.size().scaled(QSize(340, 340), Qt::KeepAspectRatio));
            if (const auto stored =
                    ThumbnailCache::storeImage(m_thumbnailFolder, key, reader.read()))
                path = stored.value();
        }
    }
    if (path.isEmpty()) {
        if (const auto stored = ThumbnailCache::storeImage(m_thumbnailFolder, key,
                                                           ThumbnailCache::placeholder(movie)))
            path = stored.value();
    }
    Q_EMIT didReceiveThumbnail(file, path);
}

void CameraDeviceWorker::download(const DeviceFile& file, const QString& folder, int tag, int index,
                                  int total) {
    if (index == 0)
        m_outcomes.clear();
    DownloadOutcome outcome;
    outcome.file = file;
    if (!m_session) {
        outcome.error = QStringLiteral("the device is not open");
    } else {
        const auto stored = storeDownloadedFile(folder, file.safeName(), file.size, [&](int fd) {
            return m_session->download(file, fd);
        });
        if (stored) {
            outcome.path = stored->path;
            outcome.reused = stored->reused;
        } else {
            outcome.error = stored.error();
        }
    }
    m_outcomes << outcome;
    Q_EMIT didDownloadFile(outcome, index + 1, total, tag);
}

void CameraDeviceWorker::finishDownloads(const QString& folder, int tag) {
    // New copies are flushed once for the whole batch.
    syncFileSystem(folder);
    Q_EMIT didFinishDownloads(m_outcomes, tag);
    m_outcomes.clear();
}

void CameraDeviceWorker::remove(const QList<DeviceFile>& files) {
    QList<DeviceFile> deleted;
    QStringList failures;
    for (const DeviceFile& file : files) {
        const Status removed =
            m_session ? m_session->remove(file) : Status::fail(QStringLiteral("not open"));
        if (removed)
            deleted << file;
        else
            failures << QStringLiteral("%1: %2").arg(file.displayName(), removed.error());
    }
    Q_EMIT didDeleteFiles(deleted, failures);
}
