#include "update/update.h"

#include "update/update_check.h"

#include <QApplication>
#include <QWidget>

extern "C" void DoUpdate(std::int32_t window, const char* address) {
    // Without a widget application there is no event loop to run the check on.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || !address)
        return;
    const QUrl url(QString::fromLocal8Bit(address), QUrl::StrictMode);
    if (!url.isValid() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return;
    QWidget* owner = QWidget::find(static_cast<WId>(static_cast<std::uint32_t>(window)));
    auto* check = new UpdateCheck(owner ? owner->window() : nullptr,
                                  QVersionNumber::fromString(QStringLiteral(KORVELLA_VERSION)));
    check->setParent(QCoreApplication::instance());
    check->Start(url);
}
