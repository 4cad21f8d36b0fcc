#pragma once

#include <QImage>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>

#include <optional>

class MetadataService;
class QThreadPool;

// Decodes one photo at a time off the GUI thread for a view that shows one:
// a request made while another decodes replaces any request still waiting,
// and only the result of the newest request is reported. Holding an arrow key
// through a folder thus decodes what is shown, not every photo passed.
class LatestPhotoDecoder : public QObject {
    Q_OBJECT
public:
    explicit LatestPhotoDecoder(MetadataService& metadata, QObject* parent = nullptr);
    ~LatestPhotoDecoder() override;

    // The photo scaled to fit pixels, turned upright.
    void request(const QString& path, QSize pixels);
    // Nothing further is reported until the next request.
    void cancel();

Q_SIGNALS:
    // A null photo: the file is not a photo that decodes.
    void decoded(const QString& path, const QImage& photo);

private:
    struct Request {
        QString path;
        QSize pixels;
        quint64 number = 0;
    };
    void startNext();

    MetadataService& m_metadata;
    QThreadPool* m_pool;
    QMutex m_mutex;
    std::optional<Request> m_waiting;
    bool m_running = false;
    quint64 m_newest = 0;
};
