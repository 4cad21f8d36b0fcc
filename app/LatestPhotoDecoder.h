#pragma once

#include <QDateTime>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

#include <deque>
#include <optional>

class MetadataService;
class QThreadPool;

// Decodes one photo at a time off the GUI thread for a view that shows one:
// a request made while another decodes replaces any request still waiting,
// and only the result of the newest request is reported. Holding an arrow key
// through a folder thus decodes what is shown, not every photo passed.
//
// The last few frames are kept, each for the pixels it was decoded for, and
// a photo the view is likely to show next can be decoded ahead while nothing
// is asked for: stepping to it then shows it at once. Memory stays at a few
// frames however long the list.
class LatestPhotoDecoder : public QObject {
    Q_OBJECT
public:
    // The frames kept: the photo shown, the one before it and the one ahead.
    static constexpr size_t framesKept = 3;

    explicit LatestPhotoDecoder(MetadataService& metadata, QObject* parent = nullptr);
    ~LatestPhotoDecoder() override;

    // The photo scaled to fit pixels, turned upright: reported before this
    // returns when a kept frame of the unchanged file fits, else once decoded.
    void request(const QString& path, QSize pixels);
    // Decodes the photo into the kept frames once nothing asked for waits;
    // a later call replaces one that has not started.
    void prefetch(const QString& path, QSize pixels);
    // Nothing further is reported until the next request.
    void cancel();

    // How many frames are kept now, and whether one fits (for the tests).
    size_t framesHeld() const { return m_frames.size(); }
    bool holds(const QString& path, QSize pixels) const;

Q_SIGNALS:
    // A null photo: the file is not a photo that decodes.
    void decoded(const QString& path, const QImage& photo);

private:
    struct Job {
        QString path;
        QSize pixels;
        quint64 number = 0;
        bool wanted = false; // asked for, not only decoded ahead
    };
    struct Frame {
        QString path;
        QSize pixels;
        QDateTime modified; // the file as it was decoded, so that a change shows
        qint64 bytes = -1;
        QImage photo;
    };
    void startNext();
    std::optional<Frame> takeFrame(const QString& path, QSize pixels);

    // All of it is used on the GUI thread only: the decodes hand their
    // results back there.
    MetadataService& m_metadata;
    QThreadPool* m_pool;
    std::optional<Job> m_waiting;
    std::optional<Job> m_ahead;
    std::optional<Job> m_running;
    quint64 m_newest = 0;
    std::deque<Frame> m_frames; // the most recently used first
};
