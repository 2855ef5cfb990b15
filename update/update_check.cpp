#include "update/update_check.h"

#include "update/notice.h"

#include <QDesktopServices>
#include <QLoggingCategory>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QTimer>

Q_LOGGING_CATEGORY(lcUpdate, "korvella.update", QtWarningMsg)

namespace {

// The same scheme, host and port: never another server, never from https down to http.
bool SameOrigin(const QUrl& origin, const QUrl& target) {
    const int port = origin.scheme() == QLatin1String("https") ? 443 : 80;
    return target.scheme() == origin.scheme() &&
           target.host().compare(origin.host(), Qt::CaseInsensitive) == 0 &&
           target.port(port) == origin.port(port);
}

// The update library is apart from the program and shows its own boxes, in the program's manner:
// caption "Korvella", no icon, OK only; the address can be selected and copied.
void OpenDownloadPage(QWidget* owner, const QUrl& download) {
    if (QDesktopServices::openUrl(download))
        return;
    auto* box =
        new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Korvella"),
                        QStringLiteral("无法打开浏览器。请复制下面的地址，粘贴到浏览器中打开"
                                       "：\n%1")
                            .arg(download.toString(QUrl::FullyEncoded)),
                        QMessageBox::Ok, owner);
    box->setObjectName(QStringLiteral("UpdateNoBrowser"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    box->show();
}

} // namespace

UpdateCheck::UpdateCheck(QWidget* owner, const QVersionNumber& current)
    : m_owner(owner), m_current(current), m_network(new QNetworkAccessManager(this)) {}

void UpdateCheck::Start(const QUrl& address) {
    m_origin = address;
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(MaxNoticeBytes + 1); // a flood stays in the socket, not in memory
    connect(m_reply, &QNetworkReply::redirected, this, &UpdateCheck::Redirected);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::Receive);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::Finish);
    QTimer::singleShot(TimeoutMs, this, [this] { Stop("not finished within ten seconds"); });
}

void UpdateCheck::Redirected(const QUrl& target) {
    if (SameOrigin(m_origin, target) && target.userInfo().isEmpty()) {
        qCDebug(lcUpdate).noquote() << "redirected to" << target.toString(QUrl::FullyEncoded);
        Q_EMIT m_reply->redirectAllowed();
    } else {
        m_stopped = QStringLiteral("refused a redirect off the notice's origin to ") +
                    target.toString(QUrl::RemovePassword | QUrl::FullyEncoded);
        m_reply->abort();
    }
}

void UpdateCheck::Receive() {
    // Read at most one byte past the limit: enough to know the notice is too large.
    m_bytes += m_reply->read(MaxNoticeBytes + 1 - m_bytes.size());
    if (m_bytes.size() > MaxNoticeBytes)
        Stop("the notice is larger than 4096 bytes");
}

void UpdateCheck::Stop(const char* why) {
    if (m_stopped.isEmpty())
        m_stopped = QString::fromLatin1(why);
    m_reply->abort();
}

void UpdateCheck::Finish() {
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString end = m_stopped;
    if (end.isEmpty() && m_reply->error() != QNetworkReply::NoError)
        end = m_reply->errorString();
    else if (end.isEmpty() && status != 200)
        end = QStringLiteral("status %1").arg(status);
    if (end.isEmpty()) {
        Receive();
        const std::optional<Notice> notice = ParseNotice(m_bytes);
        if (!notice)
            end = QStringLiteral("no notice: empty, binary or malformed");
        else if (!OffersUpdate(*notice, m_current))
            end = QStringLiteral("version %1 is not newer than %2")
                      .arg(notice->version.toString(), m_current.toString());
        else
            ShowNotice(*notice);
    }
    if (!end.isEmpty())
        qCInfo(lcUpdate).noquote() << "no update offered from" << m_origin.toString() << "-" << end;
    m_reply->deleteLater();
    deleteLater();
}

void UpdateCheck::ShowNotice(const Notice& notice) {
    auto* box = new QMessageBox(m_owner);
    box->setObjectName(QStringLiteral("UpdateNotice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setAttribute(Qt::WA_QuitOnClose, false); // closing the main window still ends the program
    box->setWindowModality(Qt::NonModal);
    box->setWindowTitle(QStringLiteral("Korvella"));
    // The host as the browser will see it (an international name in its ASCII form), so that a
    // look-alike name cannot pass for the vendor's.
    const QUrl download = notice.download;
    box->setText(QStringLiteral("Korvella 有新版本 %1（您的版本是 %2）。\n"
                                "要打开下载页面吗？它在 %3 上。")
                     .arg(notice.version.toString(), m_current.toString(),
                          download.host(QUrl::FullyEncoded)));
    QPushButton* open = box->addButton(QStringLiteral("打开下载页面"), QMessageBox::AcceptRole);
    open->setToolTip(download.toString(QUrl::FullyEncoded));
    box->addButton(QStringLiteral("以后再说"), QMessageBox::RejectRole);
    QWidget* owner = m_owner;
    connect(open, &QPushButton::clicked, box,
            [owner, download] { OpenDownloadPage(owner, download); });
    box->show();
}
