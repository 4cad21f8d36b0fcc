#include "app/LatestPhotoDecoder.h"

#include "app/Background.h"
#include "sources/PhotoImage.h"

#include <QFileInfo>
#include <QThreadPool>

#include <algorithm>

namespace {
struct Decoded {
    QDateTime modified;
    qint64 bytes = -1;
    QImage photo;
};
} // namespace

LatestPhotoDecoder::LatestPhotoDecoder(MetadataService& metadata, QObject* parent)
    : QObject(parent), m_metadata(metadata), m_pool(new QThreadPool(this)) {
    m_pool->setMaxThreadCount(1);
}

LatestPhotoDecoder::~LatestPhotoDecoder() {
    cancel();
    m_pool->waitForDone();
}

bool LatestPhotoDecoder::holds(const QString& path, QSize pixels) const {
    return std::any_of(m_frames.begin(), m_frames.end(), [&](const Frame& frame) {
        return frame.path == path && frame.pixels == pixels;
    });
}

// A kept frame of the file as it is now; one of a file changed since is dropped.
std::optional<LatestPhotoDecoder::Frame> LatestPhotoDecoder::takeFrame(const QString& path,
                                                                       QSize pixels) {
    const auto found = std::find_if(m_frames.begin(), m_frames.end(), [&](const Frame& frame) {
        return frame.path == path && frame.pixels == pixels;
    });
    if (found == m_frames.end())
        return std::nullopt;
    Frame frame = std::move(*found);
    m_frames.erase(found);
    const QFileInfo file(path);
    if (file.lastModified() != frame.modified || file.size() != frame.bytes)
        return std::nullopt;
    return frame;
}

void LatestPhotoDecoder::request(const QString& path, QSize pixels) {
    ++m_newest;
    m_waiting.reset();
    if (auto frame = takeFrame(path, pixels)) {
        const QImage photo = frame->photo;
        m_frames.push_front(std::move(*frame));
        Q_EMIT decoded(path, photo);
        return;
    }
    // The photo decoded ahead is the one now wanted: its result is reported.
    if (m_running && m_running->path == path && m_running->pixels == pixels) {
        m_running->number = m_newest;
        m_running->wanted = true;
        return;
    }
    m_waiting = Job{path, pixels, m_newest, true};
    startNext();
}

void LatestPhotoDecoder::prefetch(const QString& path, QSize pixels) {
    if (path.isEmpty() || pixels.isEmpty() || holds(path, pixels) ||
        (m_running && m_running->path == path && m_running->pixels == pixels))
        return;
    m_ahead = Job{path, pixels, 0, false};
    startNext();
}

void LatestPhotoDecoder::cancel() {
    m_waiting.reset();
    m_ahead.reset();
    ++m_newest;
}

void LatestPhotoDecoder::startNext() {
    if (m_running)
        return;
    std::optional<Job>& next = m_waiting ? m_waiting : m_ahead;
    if (!next)
        return;
    m_running = *next;
    next.reset();
    const Job job = *m_running;
    MetadataService* metadata = &m_metadata;
    runInBackground(
        this,
        [metadata, job] {
            // The file's state before its pixels are read: a change while
            // they are read shows as a difference next time.
            const QFileInfo file(job.path);
            return Decoded{file.lastModified(), file.size(),
                           loadPhotoImage(*metadata, job.path, job.pixels)};
        },
        [this](const Decoded& done) {
            const Job job = *m_running;
            m_running.reset();
            if (!done.photo.isNull()) {
                m_frames.push_front(
                    Frame{job.path, job.pixels, done.modified, done.bytes, done.photo});
                if (m_frames.size() > framesKept)
                    m_frames.pop_back();
            }
            if (job.wanted && job.number == m_newest)
                Q_EMIT decoded(job.path, done.photo);
            startNext();
        },
        m_pool);
}
