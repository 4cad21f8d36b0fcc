#include "TileServer.h"

#include <QBuffer>
#include <QImage>
#include <QTcpSocket>

TileServer::TileServer(QColor color, QObject* parent) : QTcpServer(parent) {
    QImage tile(256, 256, QImage::Format_RGB32);
    tile.fill(color);
    QBuffer buffer(&m_tile);
    buffer.open(QIODevice::WriteOnly);
    tile.save(&buffer, "PNG");
    listen(QHostAddress::LocalHost, 0);
    connect(this, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString TileServer::urlTemplate() const {
    return QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(serverPort());
}

QString TileServer::url(const QString& path) const {
    return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
}

void TileServer::setAnswer(const Answer& answer) {
    m_answer = answer;
}

void TileServer::answer(QTcpSocket* socket) {
    const QByteArray head = socket->peek(1 << 16);
    if (!head.contains("\r\n\r\n"))
        return;
    socket->readAll();
    const QList<QByteArray> lines = head.split('\n');
    m_paths << QString::fromLatin1(lines.value(0).split(' ').value(1));
    for (const QByteArray& line : lines) {
        if (line.toLower().startsWith("user-agent:"))
            m_userAgents << QString::fromLatin1(line.mid(11).trimmed());
    }
    if (m_answer) {
        if (m_answer->silent)
            return;
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(m_answer->status) + ' ' +
                           m_answer->reason + "\r\nContent-Type: " + m_answer->contentType +
                           "\r\nConnection: close\r\n" + m_answer->headers;
        if (m_answer->sendLength)
            reply += "Content-Length: " + QByteArray::number(m_answer->body.size()) + "\r\n";
        socket->write(reply + "\r\n" + m_answer->body);
        socket->disconnectFromHost();
        return;
    }
    socket->write(
        "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\nContent-Length: " +
        QByteArray::number(m_tile.size()) + "\r\n\r\n" + m_tile);
    socket->disconnectFromHost();
}
