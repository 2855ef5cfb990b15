#pragma once
// One update check: fetch the notice without blocking, then offer the download page when the
// notice names a newer version. The object deletes itself when done.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <QVersionNumber>

class QNetworkAccessManager;
class QNetworkReply;
class QWidget;
struct Notice;

class UpdateCheck : public QObject {
    Q_OBJECT

  public:
    // The notice, if any, is a child of owner (the program's main window) so that it closes with
    // it.
    UpdateCheck(QWidget* owner, const QVersionNumber& current);

    void Start(const QUrl& address);

    // The whole check, connect to last byte, ends after this: a slow or endless server included.
    static constexpr int TimeoutMs = 10000;

  private:
    void Redirected(const QUrl& target);
    void Receive();
    void Stop(const char* why);
    void Finish();
    void ShowNotice(const Notice& notice);

    QPointer<QWidget> m_owner;
    QVersionNumber m_current;
    QNetworkAccessManager* m_network;
    QNetworkReply* m_reply = nullptr;
    QUrl m_origin; // the notice's address: redirects stay on its scheme, host and port
    QByteArray m_bytes;
    QString m_stopped; // why the check stopped the reply itself, if it did
};
