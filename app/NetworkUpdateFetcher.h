#pragma once

#include "app/UpdateFetcher.h"

#include <QObject>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

// Over HTTP(S) with Qt Network, without blocking: the whole fetch is given
// a time limit, and a body larger than a version file can be is refused
// while it arrives.
class NetworkUpdateFetcher : public QObject, public UpdateFetcher {
    Q_OBJECT
public:
    struct Limits {
        int timeoutMs = 10000;
        qint64 maxBytes = 64 * 1024;
    };

    explicit NetworkUpdateFetcher(QObject* parent = nullptr);
    NetworkUpdateFetcher(Limits limits, QObject* parent = nullptr);
    ~NetworkUpdateFetcher() override;

    void fetch(const QUrl& url, Done done) override;
    bool isFetching() const override;

private:
    void onReadyRead();
    void onFinished();
    void finish(const Result<QByteArray>& result);

    Limits m_limits;
    QNetworkAccessManager* m_network;
    QPointer<QNetworkReply> m_reply;
    QTimer* m_timer;
    QByteArray m_body;
    QString m_refusal; // why the fetch was cut short by us
    Done m_done;
};
