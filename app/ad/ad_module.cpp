// The advertisement panel: a QWebEngineView drawn in software, in a private profile that keeps
// nothing on disk. The page comes from a server the program does not control, so it is kept in
// its strip: no dialogs, menus, downloads or scrollbars; a link the user clicks opens in the
// user's browser; a page that fails to load, dies twice or keeps a core busy leaves the main
// window's background in its place; while the main window is hidden or minimised it is frozen.

#include "app/ad/ad_module.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
#include <QWebEnginePermission>
#endif
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

#ifdef Q_OS_LINUX
#include <csignal>
#include <unistd.h>
#endif

namespace {

// A banner needs a few megabytes; a page that allocates without end meets this and its
// renderer ends, instead of taking gigabytes from the machine first.
constexpr int JsHeapLimitMb = 64;
// A renderer that died gets one more chance after this pause.
constexpr int RestartPauseMs = 3000;
// A renderer above this share of one core for this many seconds in a row, or one whose page
// has not answered a trivial script for as long while shown, is stopped. The answer counts where
// the processor is shared with other programs and the share would not reach the mark.
constexpr double BusyShare = 0.8;
constexpr int BusySeconds = 5;
// A link opens in the browser only this soon after the user's click or key.
constexpr qint64 GestureMs = 1000;

// Chromium reads its switches once, when the first profile starts the engine. One renderer is
// all one page needs; without a GPU the GPU process is useless. The zygote only serves the
// sandbox, so it goes when the sandbox is off.
void SetEngineSwitches() {
    QByteArray switches = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    switches += " --renderer-process-limit=1 --disable-gpu";
    switches += " --js-flags=--max-old-space-size=" + QByteArray::number(JsHeapLimitMb);
    if (qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX") ||
        switches.contains("--no-sandbox"))
        switches += " --no-zygote";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", switches.trimmed());
}

// Nothing of the graphics stack goes to disk: neither Qt's shader and pipeline caches nor the
// shader cache of Mesa, loaded by the engine's processes, which inherit the setting.
void KeepGraphicsCachesOffDisk() {
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    qputenv("MESA_SHADER_CACHE_DISABLE", "true");
}

// CPU time of a process in seconds, or -1 where it cannot be read.
double CpuSeconds(qint64 pid) {
#ifdef Q_OS_LINUX
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which may hold blanks: state is the first, utime the
    // twelfth, stime the thirteenth.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

// Camera, microphone, location, notifications, screen capture: whatever the page asks for.
void RefusePermissions(QWebEnginePage* page) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QObject::connect(page, &QWebEnginePage::permissionRequested, page,
                     [](QWebEnginePermission permission) { permission.deny(); });
#else
    QObject::connect(page, &QWebEnginePage::featurePermissionRequested, page,
                     [page](const QUrl& origin, QWebEnginePage::Feature feature) {
                         page->setFeaturePermission(origin, feature,
                                                    QWebEnginePage::PermissionDeniedByUser);
                     });
#endif
}

class AdPage;

class AdPanel : public QObject {
  public:
    AdPanel(QWebEngineView* view, AdPage* page, const QUrl& url, const KorvellaAdHost& host);

    bool AcceptNavigation(const QUrl& url, QWebEnginePage::NavigationType type, bool isMainFrame);
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Load();
    void OpenLink(const QUrl& url);
    void LoadingChanged(const QWebEngineLoadingInfo& info);
    void RendererEnded(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);
    void SampleCpu();
    void FollowWindow();
    void SwitchOff(const QString& why);
    void Log(const QString& what) const {
        m_host.log(m_url.toString() + QStringLiteral(": ") + what);
    }

    QWebEngineView* m_view;
    QWebEnginePage* m_page;
    QUrl m_url;
    KorvellaAdHost m_host;
    QElapsedTimer m_gesture;
    bool m_loading = false;
    bool m_off = false;
    int m_deaths = 0;
    QTimer m_cpuTimer;
    qint64 m_pid = 0;
    double m_cpu = -1;
    QElapsedTimer m_sinceSample;
    int m_busy = 0;
    QElapsedTimer m_sinceAnswer;
};

class AdPage : public QWebEnginePage {
  public:
    AdPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}
    AdPanel* panel = nullptr;

  protected:
    // Dialogs, the console and file choosers of the page never reach the user.
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override {}
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
        return {};
    }
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override {
        return panel && panel->AcceptNavigation(url, type, isMainFrame);
    }
};

AdPanel::AdPanel(QWebEngineView* view, AdPage* page, const QUrl& url, const KorvellaAdHost& host)
    : QObject(view), m_view(view), m_page(page), m_url(url), m_host(host) {
    page->panel = this;
    connect(page, &QWebEnginePage::loadingChanged, this, &AdPanel::LoadingChanged);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &AdPanel::RendererEnded);
    connect(page, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                // Not opened in the program: a page without a window is dropped.
                if (request.isUserInitiated())
                    OpenLink(request.requestedUrl());
            });
    RefusePermissions(page);
    connect(page->profile(), &QWebEngineProfile::downloadRequested, this,
            [this](QWebEngineDownloadRequest* download) {
                Log(QStringLiteral("download refused: ") + download->url().toString());
                download->cancel();
            });
    view->installEventFilter(this);
    view->window()->installEventFilter(this);
    connect(&m_cpuTimer, &QTimer::timeout, this, &AdPanel::SampleCpu);
    m_cpuTimer.start(1000);
    Load();
}

void AdPanel::Load() {
    m_loading = true;
    m_page->load(m_url);
}

bool AdPanel::AcceptNavigation(const QUrl& url, QWebEnginePage::NavigationType type,
                               bool isMainFrame) {
    if (type == QWebEnginePage::NavigationTypeLinkClicked) {
        OpenLink(url);
        return false;
    }
    if (!isMainFrame)
        return true; // the advertisement's own frames
    switch (type) {
    case QWebEnginePage::NavigationTypeTyped:
    case QWebEnginePage::NavigationTypeReload:
        return true;
    case QWebEnginePage::NavigationTypeRedirect:
        return m_loading; // the server's, while the panel loads; not the page's own later
    default:
        return false;
    }
}

void AdPanel::OpenLink(const QUrl& url) {
    const bool clicked = m_gesture.isValid() && m_gesture.elapsed() < GestureMs;
    if (!clicked) {
        Log(QStringLiteral("link without a click refused: ") + url.toString());
        return;
    }
    m_gesture.invalidate(); // one click, one link
    if (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) {
        Log(QStringLiteral("link refused, not http(s): ") + url.toString());
        return;
    }
    // Not from inside the engine's call: opening may show a modal message.
    QTimer::singleShot(0, m_view,
                       [view = m_view, open = m_host.openLink, url] { open(view, url); });
}

bool AdPanel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ChildAdded: // the engine's render widget, which gets the input
        if (watched == m_view)
            static_cast<QChildEvent*>(event)->child()->installEventFilter(this);
        break;
    case QEvent::MouseButtonRelease:
        m_gesture.start();
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space)
            m_gesture.start();
        break;
    }
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::WindowStateChange:
        if (watched == m_view->window())
            QTimer::singleShot(0, this, &AdPanel::FollowWindow); // once Qt has updated the page
        break;
    default:
        break;
    }
    return false;
}

void AdPanel::FollowWindow() {
    if (m_off)
        return;
    const QWidget* window = m_view->window();
    const bool seen = window->isVisible() && !window->isMinimized();
    if (seen) {
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
        m_page->setVisible(m_view->isVisible());
    } else {
        m_page->setVisible(false); // a minimised window leaves the view "visible" to Qt
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
    }
}

void AdPanel::LoadingChanged(const QWebEngineLoadingInfo& info) {
    // Only the panel's own loads count: a refused navigation ends as an aborted load too.
    if (m_off || !m_loading || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    m_loading = false;
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
        m_view->show();
        return;
    }
    SwitchOff(QStringLiteral("not loaded (%1 %2): %3")
                  .arg(QVariant::fromValue(info.errorDomain()).toString())
                  .arg(info.errorCode())
                  .arg(info.errorString()));
}

void AdPanel::RendererEnded(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
    if (m_off)
        return;
    const QString what =
        QStringLiteral("renderer ended (status %1, exit code %2)").arg(int(status)).arg(exitCode);
    if (++m_deaths > 1) {
        SwitchOff(what + QStringLiteral(" again"));
        return;
    }
    Log(what + QStringLiteral("; reloading in %1 ms").arg(RestartPauseMs));
    m_view->hide();
    QTimer::singleShot(RestartPauseMs, this, [this] {
        if (!m_off)
            Load();
    });
}

void AdPanel::SampleCpu() {
    const qint64 pid = m_page->renderProcessPid();
    const double cpu = CpuSeconds(pid);
    const double seconds = m_sinceSample.isValid() ? m_sinceSample.elapsed() / 1000.0 : 0;
    const bool comparable = pid == m_pid && cpu >= 0 && m_cpu >= 0 && seconds > 0;
    m_busy = comparable && (cpu - m_cpu) / seconds >= BusyShare ? m_busy + 1 : 0;
    // A frozen page does not answer by design; a new renderer starts its clock afresh.
    const QWidget* window = m_view->window();
    if (pid != m_pid || pid <= 0 || !window->isVisible() || window->isMinimized() ||
        !m_sinceAnswer.isValid())
        m_sinceAnswer.start();
    m_pid = pid;
    m_cpu = cpu;
    m_sinceSample.start();
    if (m_busy < BusySeconds && m_sinceAnswer.elapsed() < BusySeconds * 1000) {
        m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                              [panel = QPointer<AdPanel>(this)](const QVariant&) {
                                  if (panel)
                                      panel->m_sinceAnswer.start();
                              });
        return;
    }
#ifdef Q_OS_LINUX
    // Ended first: a renderer that does not yield holds up its discarding for many seconds.
    m_off = true;
    ::kill(static_cast<pid_t>(pid), SIGKILL);
#endif
    SwitchOff(
        QStringLiteral("stopped: renderer %1 kept a core busy for %2 s").arg(pid).arg(BusySeconds));
}

// For the rest of the session: the main window's background instead of the page, and no
// renderer process.
void AdPanel::SwitchOff(const QString& why) {
    Log(why);
    m_off = true;
    m_cpuTimer.stop();
    m_view->hide();
    m_page->setVisible(false);
    m_page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
}

} // namespace

extern "C" __attribute__((visibility("default"))) QWidget*
KorvellaCreateAdPanel2(QWidget* parent, const QRect& geometry, const QUrl& url,
                       const KorvellaAdHost& host) {
    SetEngineSwitches();
    KeepGraphicsCachesOffDisk();
    // The engine reports its set-up on standard error; the program prints nothing.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // Software drawing keeps the panel an ordinary raster widget: adding it to the shown window
    // does not make Qt re-create that window for OpenGL (a visible flicker), and no OpenGL
    // driver is loaded.
    if (QQuickWindow::graphicsApi() != QSGRendererInterface::Software)
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    auto* view = new QWebEngineView(parent);
    view->setObjectName(QStringLiteral("WebBrowser_AD"));
    view->setContextMenuPolicy(Qt::NoContextMenu);
    // A profile without a storage name is off the record: no disk cache, no cookies on disk.
    auto* profile = new QWebEngineProfile;
    auto* page = new AdPage(profile, view);
    profile->setParent(view); // after the page among the view's children, so deleted after it
    QWebEngineSettings* settings = page->settings();
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // Lets window.open reach newWindowRequested, which opens only what a click asked for.
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    view->setPage(page);
    view->setGeometry(geometry);
    view->show();
    new AdPanel(view, page, url, host);
    return view;
}
