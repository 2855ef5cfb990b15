#include "http_server.h"

#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

HttpServer::HttpServer(const QSslConfiguration* tls) {
    if (tls) {
        auto* server = new QSslServer(this);
        server->setSslConfiguration(*tls);
        m_server = server;
    } else {
        m_server = new QTcpServer(this);
    }
    if (!m_server->listen(QHostAddress::LocalHost))
        qFatal("cannot listen on 127.0.0.1");
    // A TLS connection is pending only once its handshake is done.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this, &HttpServer::Accept);
    m_clock.start();
}

HttpServer::~HttpServer() = default;

quint16 HttpServer::Port() const {
    return m_server->serverPort();
}

QByteArray HttpServer::Host() const {
    return "127.0.0.1:" + QByteArray::number(Port());
}

void HttpServer::SetAnswer(const QByteArray& path, const Answer& answer) {
    m_answers.insert(path, answer);
    m_trickleMs.remove(path);
    m_locations.remove(path);
}

void HttpServer::SetRedirect(const QByteArray& path, const QByteArray& location) {
    m_answers.insert(path, {302, {}, "text/plain", 0, false});
    m_locations.insert(path, location);
}

void HttpServer::Restart() {
    m_requests.clear();
    m_floodSentWhenClosed = -1;
    m_disconnects = 0;
    m_clock.restart();
}

int HttpServer::Count(const QByteArray& path) const {
    return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(),
                                          [&](const Request& r) { return r.path == path; }));
}

void HttpServer::Accept() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            ++m_disconnects;
            if (m_floodLeft.contains(socket)) {
                m_floodSentWhenClosed = socket->property("floodSent").toLongLong();
                m_floodLeft.remove(socket);
            }
            socket->deleteLater();
        });
    }
}

void HttpServer::Read(QTcpSocket* socket) {
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (!head.contains("\r\n\r\n") || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QByteArray path = requestLine.value(1);
    m_requests.append({path, m_clock.elapsed()});
    if (m_observer)
        m_observer(path);

    const Answer answer = m_answers.value(path, Answer{404, "not found", "text/plain", 0, false});
    if (answer.silent)
        return;
    const QByteArray reason = answer.status == 200 ? "OK" : "Status";
    QByteArray header = "HTTP/1.0 " + QByteArray::number(answer.status) + " " + reason +
                        "\r\nContent-Type: " + answer.contentType + "\r\nConnection: close\r\n";
    if (answer.floodBytes > 0) {
        socket->write(header + "\r\n");
        m_floodLeft.insert(socket, answer.floodBytes);
        socket->setProperty("floodSent", qint64(0));
        connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { Flood(socket); });
        Flood(socket);
        return;
    }
    if (m_locations.contains(path))
        header += "Location: " + m_locations.value(path) + "\r\n";
    header += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n\r\n";
    if (m_trickleMs.value(path) > 0) {
        socket->write(header);
        Trickle(socket, answer.body, m_trickleMs.value(path));
        return;
    }
    socket->write(header + answer.body);
    socket->disconnectFromHost();
}

void HttpServer::Trickle(QTcpSocket* socket, QByteArray rest, int ms) {
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (rest.isEmpty()) {
        socket->disconnectFromHost();
        return;
    }
    socket->write(rest.left(1));
    QTimer::singleShot(ms, socket, [this, socket, rest, ms] { Trickle(socket, rest.mid(1), ms); });
}

void HttpServer::Flood(QTcpSocket* socket) {
    if (!m_floodLeft.contains(socket) || socket->bytesToWrite() > 65536)
        return;
    const qint64 chunk = std::min<qint64>(m_floodLeft[socket], 65536);
    if (chunk == 0) {
        socket->disconnectFromHost();
        return;
    }
    socket->write(QByteArray(chunk, 'x'));
    m_floodLeft[socket] -= chunk;
    socket->setProperty("floodSent", socket->property("floodSent").toLongLong() + chunk);
}
