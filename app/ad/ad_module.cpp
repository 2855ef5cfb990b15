// The advertisement panel: a QWebEngineView with its defaults, drawn in software, in a private
// profile that keeps nothing on disk.

#include "app/ad/ad_module.h"

#include <QLoggingCategory>
#include <QQuickWindow>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

// Chromium reads its switches once, when the first profile starts the engine. One renderer is
// all one page needs; without a GPU the GPU process is useless. The zygote only serves the
// sandbox, so it goes when the sandbox is off.
void SetEngineSwitches() {
    QByteArray switches = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    switches += " --renderer-process-limit=1 --disable-gpu";
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
        switches.contains("--no-sandbox"))
        switches += " --no-zygote";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.trimmed());
}

} // namespace

extern "C" __attribute__((visibility("default"))) QWidget*
KorvellaCreateAdPanel(QWidget* parent, const QRect& geometry, const QUrl& url) {
    SetEngineSwitches();
    // The engine reports its set-up on standard error; the program prints nothing.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // Software drawing keeps the panel an ordinary raster widget: adding it to the shown window
    // does not make Qt re-create that window for OpenGL (a visible flicker), and no OpenGL
    // driver is loaded.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    auto* view = new QWebEngineView(parent);
    view->setObjectName(QStringLiteral("WebBrowser_AD"));
    // A profile without a storage name is off the record: no disk cache, no cookies on disk.
    auto* profile = new QWebEngineProfile;
    auto* page = new QWebEnginePage(profile, view);
    profile->setParent(view); // after the page among the view's children, so deleted after it
    view->setPage(page);
    view->setGeometry(geometry);
    view->show();
    view->load(url);
    return view;
}
