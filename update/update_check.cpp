#include "update/update_check.h"

#include "update/notice.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>

UpdateCheck::UpdateCheck(QWidget* owner, const QVersionNumber& current)
    : m_owner(owner), m_current(current), m_network(new QNetworkAccessManager(this)) {}

void UpdateCheck::Start(const QUrl& address) {
    QNetworkRequest request(address);
    request.setTransferTimeout(TimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(MaxNoticeBytes + 1); // a flood stays in the socket, not in memory
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateCheck::Receive);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateCheck::Finish);
}

void UpdateCheck::Receive() {
    // Read at most one byte past the limit: enough to know the notice is too large.
    m_bytes += m_reply->read(MaxNoticeBytes + 1 - m_bytes.size());
    if (m_bytes.size() > MaxNoticeBytes && !m_tooLarge) {
        m_tooLarge = true;
        m_reply->abort();
    }
}

void UpdateCheck::Finish() {
    const bool ok = !m_tooLarge && m_reply->error() == QNetworkReply::NoError &&
                    m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() == 200;
    if (ok) {
        Receive();
        const std::optional<Notice> notice = ParseNotice(m_bytes);
        if (notice && OffersUpdate(*notice, m_current))
            ShowNotice(*notice);
    }
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
    box->setText(QStringLiteral("Korvella 有新版本 %1（您的版本是 %2）。\n要打开下载页面吗？")
                     .arg(notice.version.toString(), m_current.toString()));
    QPushButton* open = box->addButton(QStringLiteral("打开下载页面"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("以后再说"), QMessageBox::RejectRole);
    const QUrl download = notice.download;
    connect(open, &QPushButton::clicked, box, [download] { QDesktopServices::openUrl(download); });
    box->show();
}
