#include "app/ad/page_policy.h"

#include <QChildEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWebEngineDownloadRequest>
#include <QWebEngineNewWindowRequest>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif
#include <QWebEngineProfile>
#include <QWebEngineView>

UserGesture::UserGesture(QWebEngineView* view) : QObject(view), m_view(view) {
    view->installEventFilter(this);
}

bool UserGesture::Take() {
    const bool recent = m_at.isValid() && m_at.elapsed() < GestureMs;
    m_at.invalidate();
    return recent;
}

bool UserGesture::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ChildAdded && watched == m_view) // the engine's render widget
        static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
    else if (watched != m_view && watched == m_view->focusProxy())
        See(event);
    return false;
}

void UserGesture::See(const QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_pressed = static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton;
        break;
    case QEvent::MouseButtonRelease:
        if (m_pressed && static_cast<const QMouseEvent*>(event)->button() == Qt::LeftButton)
            m_at.start();
        m_pressed = false;
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<const QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            m_at.start();
        break;
    }
    default:
        break;
    }
}

AdPage::AdPage(QWebEngineProfile* profile, QWebEngineView* view, Hooks hooks)
    : QWebEnginePage(profile, view), m_hooks(std::move(hooks)), m_gesture(new UserGesture(view)) {
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                // Not opened in the program: a page without a window is dropped.
                if (request.isUserInitiated())
                    OpenLink(request.requestedUrl());
            });
    RefusePermissions();
    connect(profile, &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                m_hooks.log(QStringLiteral("download refused: ") + download->url().toString());
                download->cancel();
            });
}

bool AdPage::javaScriptConfirm(const QUrl&, const QString&) {
    m_hooks.dialogAsked();
    return false;
}

bool AdPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) {
    m_hooks.dialogAsked();
    return false;
}

// Camera, microphone, location, notifications, screen capture: whatever the page asks for.
void AdPage::RefusePermissions() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    connect(this, &QWebEnginePage::permissionRequested, this,
            [](QWebEnginePermission permission) { permission.deny(); });
#else
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
            });
#endif
}

bool AdPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) {
    if (type == NavigationTypeLinkClicked) {
        OpenLink(url);
        return false;
    }
    if (!isMainFrame)
        return true; // the advertisement's own frames
    switch (type) {
    case NavigationTypeTyped:
    case NavigationTypeReload:
        return true;
    case NavigationTypeRedirect:
        return m_loading;
    default:
        return false;
    }
}

void AdPage::OpenLink(const QUrl& url) {
    if (!m_gesture->Take()) {
        m_hooks.log(QStringLiteral("link without a click refused: ") + url.toString());
        return;
    }
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
        m_hooks.log(QStringLiteral("link refused, not http(s): ") + url.toString());
        return;
    }
    m_hooks.open(url);
}
