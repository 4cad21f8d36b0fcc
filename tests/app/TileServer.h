#pragma once

#include <QColor>
#include <QStringList>
#include <QTcpServer>

#include <optional>

// A loopback HTTP server that answers every request with one PNG tile of a
// single colour, or with a set answer, and remembers what it was asked.
class TileServer : public QTcpServer {
    Q_OBJECT
public:
    struct Answer {
        int status = 200;
        QByteArray reason = "OK";
        QByteArray contentType = "application/octet-stream";
        QByteArray body;
        QByteArray headers;     // more header lines, each ending in CRLF
        bool sendLength = true; // else the body ends when the connection closes
        bool silent = false;    // read the request, never answer
    };

    explicit TileServer(QColor color, QObject* parent = nullptr);
    QString urlTemplate() const;
    QString url(const QString& path) const;
    void setAnswer(const Answer& answer);
    QStringList paths() const { return m_paths; }
    QStringList userAgents() const { return m_userAgents; }

private:
    void answer(QTcpSocket* socket);
    QByteArray m_tile;
    std::optional<Answer> m_answer;
    QStringList m_paths;
    QStringList m_userAgents;
};
