#pragma once
// A small HTTP/1.0 server on 127.0.0.1 for the tests: fixed answers per path, and a log of what
// was asked and when.

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <functional>

class QSslConfiguration;
class QTcpServer;
class QTcpSocket;

class HttpServer : public QObject {
  public:
    struct Answer {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "text/plain";
        qint64 floodBytes = 0; // instead of body: this many bytes of 'x', without Content-Length
        bool silent = false;   // accept, read, never answer
    };
    struct Request {
        QByteArray path;
        qint64 ms; // since the server started or Restart()
    };

    // Over TLS with this configuration (its certificate and key) when given.
    explicit HttpServer(const QSslConfiguration* tls = nullptr);
    ~HttpServer() override;

    quint16 Port() const;
    QByteArray Host() const; // "127.0.0.1:port"
    void SetAnswer(const QByteArray& path, const Answer& answer);
    // After SetAnswer, which undoes both: the answer's body one byte every ms milliseconds.
    void SetTrickle(const QByteArray& path, int ms) { m_trickleMs.insert(path, ms); }
    // An answer 302 to location.
    void SetRedirect(const QByteArray& path, const QByteArray& location);
    void Restart(); // clears the log and the clock
    // Called as each request arrives, before it is answered.
    void SetObserver(std::function<void(const QByteArray& path)> observer) {
        m_observer = std::move(observer);
    }

    QList<Request> Requests() const { return m_requests; }
    int Count(const QByteArray& path) const;
    // Bytes of a flood sent before the client hung up, or -1 while none has ended.
    qint64 FloodSentWhenClosed() const { return m_floodSentWhenClosed; }
    int Disconnects() const { return m_disconnects; }

  private:
    void Accept();
    void Read(QTcpSocket* socket);
    void Flood(QTcpSocket* socket);
    void Trickle(QTcpSocket* socket, QByteArray rest, int ms);

    QTcpServer* m_server;
    std::function<void(const QByteArray& path)> m_observer;
    QElapsedTimer m_clock;
    QHash<QByteArray, Answer> m_answers;
    QHash<QByteArray, int> m_trickleMs;
    QHash<QByteArray, QByteArray> m_locations;
    QList<Request> m_requests;
    QHash<QTcpSocket*, qint64> m_floodLeft;
    qint64 m_floodSentWhenClosed = -1;
    int m_disconnects = 0;
};
