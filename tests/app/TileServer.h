#pragma once

#include <QColor>
#include <QStringList>
#include <QTcpServer>

// A loopback HTTP server that answers every request with one PNG tile of a
// single colour and remembers what it was asked.
class TileServer : public QTcpServer {
    Q_OBJECT
public:
    explicit TileServer(QColor color, QObject* parent = nullptr);
    QString urlTemplate() const;
    QStringList paths() const { return m_paths; }
    QStringList userAgents() const { return m_userAgents; }

private:
    void answer(QTcpSocket* socket);
    QByteArray m_tile;
    QStringList m_paths;
    QStringList m_userAgents;
};
