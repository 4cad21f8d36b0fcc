#include "app/NetworkUpdateFetcher.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

Status allowedUpdateUrl(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty())
        return Status::fail(QStringLiteral("the address %1 is not valid").arg(url.toString()));
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https"))
        return Status::ok();
    const QString host = url.host();
    const bool loopback = host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
    if (scheme == QLatin1String("http") && loopback)
        return Status::ok();
    return Status::fail(
        QStringLiteral("%1 is not an HTTPS address").arg(url.toString(QUrl::RemoveUserInfo)));
}

NetworkUpdateFetcher::NetworkUpdateFetcher(QObject* parent)
    : NetworkUpdateFetcher(Limits(), parent) {}

NetworkUpdateFetcher::NetworkUpdateFetcher(Limits limits, QObject* parent)
    : QObject(parent), m_limits(limits), m_network(new QNetworkAccessManager(this)),
      m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_refusal = QStringLiteral("the server did not answer within %1 seconds")
                        .arg(m_limits.timeoutMs / 1000.0);
        if (m_reply)
            m_reply->abort();
    });
}

NetworkUpdateFetcher::~NetworkUpdateFetcher() {
    m_done = nullptr;
    if (m_reply)
        m_reply->abort();
}

void NetworkUpdateFetcher::fetch(const QUrl& url, Done done) {
    if (m_reply) {
        done(Result<QByteArray>::fail(QStringLiteral("a check is already running")));
        return;
    }
    const Status allowed = allowedUpdateUrl(url);
    if (!allowed) {
        done(Result<QByteArray>::fail(allowed.error()));
        return;
    }
    m_done = std::move(done);
    m_body.clear();
    m_refusal.clear();
    QNetworkRequest request(url);
    // Every hop of a redirect must meet the same rule as the first address.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::redirected, this, [this](const QUrl& target) {
        const Status hop = allowedUpdateUrl(target);
        if (hop) {
            Q_EMIT m_reply->redirectAllowed();
            return;
        }
        m_refusal = QStringLiteral("the server redirected the check, and %1").arg(hop.error());
        m_reply->abort();
    });
    connect(m_reply, &QNetworkReply::metaDataChanged, this, [this] {
        const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_limits.maxBytes) {
            m_refusal = QStringLiteral("the version file is larger than %1 KB")
                            .arg(m_limits.maxBytes / 1024);
            m_reply->abort();
        }
    });
    connect(m_reply, &QNetworkReply::readyRead, this, &NetworkUpdateFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &NetworkUpdateFetcher::onFinished);
    m_timer->start(m_limits.timeoutMs);
}

void NetworkUpdateFetcher::onReadyRead() {
    if (!m_reply || !m_refusal.isEmpty())
        return;
    m_body += m_reply->read(m_limits.maxBytes + 1 - m_body.size());
    if (m_body.size() > m_limits.maxBytes) {
        m_refusal =
            QStringLiteral("the version file is larger than %1 KB").arg(m_limits.maxBytes / 1024);
        m_reply->abort();
    }
}

void NetworkUpdateFetcher::onFinished() {
    m_timer->stop();
    if (!m_reply)
        return;
    if (m_refusal.isEmpty())
        onReadyRead();
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason =
        m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    const QNetworkReply::NetworkError error = m_reply->error();
    const QString errorText = m_reply->errorString();
    m_reply->deleteLater();
    m_reply = nullptr;

    if (!m_refusal.isEmpty())
        return finish(Result<QByteArray>::fail(m_refusal));
    if (status != 0 && status != 200)
        return finish(Result<QByteArray>::fail(
            QStringLiteral("the server answered %1 %2").arg(status).arg(reason).trimmed()));
    if (error != QNetworkReply::NoError)
        return finish(Result<QByteArray>::fail(errorText));
    finish(Result<QByteArray>::ok(m_body));
}

void NetworkUpdateFetcher::finish(const Result<QByteArray>& result) {
    Done done = std::move(m_done);
    m_done = nullptr;
    m_body.clear();
    if (done)
        done(result);
}

bool NetworkUpdateFetcher::isFetching() const {
    return !m_reply.isNull();
}
