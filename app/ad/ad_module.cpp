// The advertisement panel: a QWebEngineView drawn in software, in a private profile that keeps
// nothing on disk. The page comes from a server the program does not control, so it is kept in
// its strip: no dialogs, menus, downloads or scrollbars; a link opens in the user's browser only
// after the user's own click or key on the page; a page that fails to load, dies twice, keeps a
// core busy, stops answering, asks for dialog after dialog or grows its processes past a ceiling
// leaves the main window's background in its place, wherever the window is; while the main
// window is hidden or minimised a page that answers is frozen.

#include "app/ad/ad_module.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLoggingCategory>
#include <QMouseEvent>
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
#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// A banner needs a few megabytes; a page that allocates without end meets this and its
// renderer ends, instead of taking gigabytes from the machine first.
constexpr int JsHeapLimitMb = 64;
// A renderer that died gets one more chance after this pause.
constexpr int RestartPauseMs = 3000;
// A renderer that wants this share of one core (running or waiting for one, so that a busy
// machine does not hide it) for this many seconds in a row, or whose page has not answered a
// trivial script for as long, is stopped. A frozen page should want next to nothing.
constexpr double BusyShare = 0.8;
constexpr double FrozenShare = 0.25;
constexpr int BusySeconds = 5;
// A banner has no reason to ask for more dialogs than this within this time; each one costs a
// round trip through the program even though none is shown.
constexpr int DialogLimit = 5;
constexpr qint64 DialogWindowMs = 10000;
// The panel's processes (its renderer, and any service the engine runs apart) stay below this
// together; with a banner they take about 70 MB.
constexpr qint64 PssCeilingMb = 400;
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

#ifdef Q_OS_LINUX
// The fields of /proc/PID/stat after the command name, which may hold blanks: state first.
QList<QByteArray> StatFields(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2).split(' ');
}

// Together with the id, names one process for good: an id can be reused, not with the same
// start time.
qint64 StartTime(qint64 pid) {
    const QList<QByteArray> fields = StatFields(pid);
    return fields.size() > 19 ? fields[19].toLongLong() : -1;
}
#endif

// Seconds a process's threads ran or waited to run, or -1 where it cannot be read. Waiting
// counts: on a loaded machine a spinning page gets less than a core, but wants one all along.
double DemandSeconds(qint64 pid) {
#ifdef Q_OS_LINUX
    if (pid <= 0)
        return -1;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    double seconds = 0;
    bool read = false;
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile schedstat(tasks + QLatin1Char('/') + task + QStringLiteral("/schedstat"));
        if (!schedstat.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> ns = schedstat.readAll().split(' ');
        if (ns.size() < 2)
            continue;
        seconds += double(ns[0].toLongLong() + ns[1].toLongLong()) / 1e9;
        read = true;
    }
    if (read)
        return seconds;
    // A kernel without scheduler statistics: the time on a processor alone.
    const QList<QByteArray> fields = StatFields(pid);
    if (fields.size() < 13)
        return -1;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

// PSS in megabytes of the panel's processes: its renderer and the engine's services under this
// process. Another page's renderer is not the panel's, nor is the user's browser, started from a
// clicked link, though it may be a child too.
qint64 PanelPssMb(qint64 renderer) {
#ifdef Q_OS_LINUX
    qint64 kb = 0;
    QList<qint64> parents{getpid()};
    while (!parents.isEmpty()) {
        const QString tasks = QStringLiteral("/proc/%1/task").arg(parents.takeLast());
        for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile children(tasks + QLatin1Char('/') + task + QStringLiteral("/children"));
            if (!children.open(QIODevice::ReadOnly))
                continue;
            for (const QByteArray& child : children.readAll().split(' ')) {
                const qint64 pid = child.toLongLong();
                if (pid <= 0 ||
                    QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid))
                            .symLinkTarget()
                            .section(QLatin1Char('/'), -1) != QLatin1String("QtWebEngineProcess"))
                    continue;
                parents.append(pid); // a zygote's renderers are its children
                QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
                if (pid != renderer && (!commandLine.open(QIODevice::ReadOnly) ||
                                        commandLine.readAll().contains("--type=renderer")))
                    continue;
                QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
                if (!rollup.open(QIODevice::ReadOnly))
                    continue;
                for (const QByteArray& line : rollup.readAll().split('\n'))
                    if (line.startsWith("Pss:"))
                        kb += line.mid(4).trimmed().split(' ').value(0).toLongLong();
            }
        }
    }
    return kb / 1024;
#else
    Q_UNUSED(renderer);
    return 0;
#endif
}

// The renderer, held so that it can be ended without signalling whatever process takes over its
// id after it died: a process file descriptor where the kernel offers one (Linux 5.3), else the
// id with its start time, compared again just before the signal.
class Renderer {
  public:
    Renderer() = default;
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;
    ~Renderer() { Follow(0); }

    // Holds pid from now on; the one already held stays as it is.
    void Follow(qint64 pid) {
        if (pid == m_pid)
            return;
#ifdef Q_OS_LINUX
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
        m_pid = pid;
        if (pid <= 0)
            return;
        m_start = StartTime(pid);
#ifdef SYS_pidfd_open
        m_fd = static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
        if (m_fd >= 0 && StartTime(pid) != m_start) { // died and replaced in between
            ::close(m_fd);
            m_fd = -1;
            m_pid = 0;
        }
#endif
#else
        m_pid = pid;
#endif
    }

    void Kill() const {
#ifdef Q_OS_LINUX
#ifdef SYS_pidfd_send_signal
        if (m_fd >= 0) {
            ::syscall(SYS_pidfd_send_signal, m_fd, SIGKILL, nullptr, 0);
            return;
        }
#endif
        if (m_pid > 0 && m_start >= 0 && StartTime(m_pid) == m_start)
            ::kill(static_cast<pid_t>(m_pid), SIGKILL);
#endif
    }

  private:
    qint64 m_pid = 0;
    qint64 m_start = -1;
    int m_fd = -1;
};

// Which input counts as the user's: a left press and release, or Enter, delivered to the widget
// the engine draws the page into. A page's own clicks, and input anywhere else in the program,
// do not.
class UserGesture {
  public:
    void See(const QEvent* event) {
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

    // One input, one link.
    bool Take() {
        const bool recent = m_at.isValid() && m_at.elapsed() < GestureMs;
        m_at.invalidate();
        return recent;
    }

  private:
    bool m_pressed = false;
    QElapsedTimer m_at;
};

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
    void DialogAsked();
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Load();
    void OpenLink(const QUrl& url);
    void LoadingChanged(const QWebEngineLoadingInfo& info);
    void RendererEnded(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);
    void Watch();
    void Ask();
    void Answered();
    bool Seen() const;
    void FollowWindow();
    void Stop(const QString& why);
    void SwitchOff(const QString& why);
    void Log(const QString& what) const {
        m_host.log(m_url.toString() + QStringLiteral(": ") + what);
    }

    QWebEngineView* m_view;
    QWebEnginePage* m_page;
    QUrl m_url;
    KorvellaAdHost m_host;
    UserGesture m_gesture;
    bool m_loading = false;
    bool m_off = false;
    int m_deaths = 0;
    QTimer m_watchTimer;
    Renderer m_renderer;
    qint64 m_pid = 0; // the renderer of the last sample
    double m_demand = -1;
    QElapsedTimer m_sinceSample;
    int m_busy = 0;
    QElapsedTimer m_sinceAnswer;
    QElapsedTimer m_clock;
    QList<qint64> m_dialogs; // when the latest ones were asked for, on m_clock
};

class AdPage : public QWebEnginePage {
  public:
    AdPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}
    AdPanel* panel = nullptr;

  protected:
    // Dialogs, the console and file choosers of the page never reach the user.
    void javaScriptAlert(const QUrl&, const QString&) override { Dialog(); }
    bool javaScriptConfirm(const QUrl&, const QString&) override {
        Dialog();
        return false;
    }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        Dialog();
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

  private:
    void Dialog() {
        if (panel)
            panel->DialogAsked();
    }
};

AdPanel::AdPanel(QWebEngineView* view, AdPage* page, const QUrl& url, const KorvellaAdHost& host)
    : QObject(view), m_view(view), m_page(page), m_url(url), m_host(host) {
    page->panel = this;
    connect(page, &QWebEnginePage::loadingChanged, this, &AdPanel::LoadingChanged);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, &AdPanel::RendererEnded);
    // Held from its start, before its id could be anyone else's.
    connect(page, &QWebEnginePage::renderProcessPidChanged, this,
            [this](qint64 pid) { m_renderer.Follow(pid); });
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
    m_clock.start();
    connect(&m_watchTimer, &QTimer::timeout, this, &AdPanel::Watch);
    m_watchTimer.start(1000);
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
    if (!m_gesture.Take()) {
        Log(QStringLiteral("link without a click refused: ") + url.toString());
        return;
    }
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
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonRelease:
    case QEvent::KeyPress:
        // The main window sees what its other widgets leave; only the page's own widget counts.
        if (watched != m_view && watched == m_view->focusProxy())
            m_gesture.See(event);
        break;
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

bool AdPanel::Seen() const {
    const QWidget* window = m_view->window();
    return window->isVisible() && !window->isMinimized();
}

void AdPanel::FollowWindow() {
    if (m_off)
        return;
    if (Seen()) {
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
        m_page->setVisible(m_view->isVisible());
        m_sinceAnswer.start(); // a frozen page did not answer, by design
    } else {
        m_page->setVisible(false); // a minimised window leaves the view "visible" to Qt
        Ask();                     // frozen once it answers; one that does not stays watched
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

void AdPanel::DialogAsked() {
    if (m_off)
        return;
    const qint64 now = m_clock.elapsed();
    m_dialogs.append(now);
    while (now - m_dialogs.constFirst() >= DialogWindowMs)
        m_dialogs.removeFirst();
    if (m_dialogs.size() > DialogLimit)
        Stop(QStringLiteral("asked for %1 dialogs within %2 s")
                 .arg(m_dialogs.size())
                 .arg(DialogWindowMs / 1000));
}

void AdPanel::Ask() {
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          [panel = QPointer<AdPanel>(this)](const QVariant&) {
                              if (panel)
                                  panel->Answered();
                          });
}

void AdPanel::Answered() {
    m_sinceAnswer.start();
    if (!m_off && !Seen() && m_page->lifecycleState() == QWebEnginePage::LifecycleState::Active)
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
}

// Once a second, wherever the main window is.
void AdPanel::Watch() {
    const qint64 pid = m_page->renderProcessPid();
    m_renderer.Follow(pid);
    const bool frozen = m_page->lifecycleState() == QWebEnginePage::LifecycleState::Frozen;
    const double demand = DemandSeconds(pid);
    const double seconds = m_sinceSample.isValid() ? m_sinceSample.elapsed() / 1000.0 : 0;
    const bool comparable = pid == m_pid && demand >= 0 && m_demand >= 0 && seconds > 0;
    const double share = comparable ? (demand - m_demand) / seconds : 0;
    m_busy = share >= (frozen ? FrozenShare : BusyShare) ? m_busy + 1 : 0;
    m_demand = demand;
    m_sinceSample.start();
    // A frozen page has answered before it was frozen; a new renderer starts its clock afresh.
    if (pid != m_pid || pid <= 0 || frozen || !m_sinceAnswer.isValid())
        m_sinceAnswer.start();
    m_pid = pid;
    const qint64 pss = PanelPssMb(pid);
    if (m_sinceAnswer.elapsed() >= BusySeconds * 1000)
        Stop(QStringLiteral("no answer for %1 s").arg(BusySeconds));
    else if (m_busy >= BusySeconds)
        Stop(QStringLiteral("kept a core busy for %1 s%2")
                 .arg(BusySeconds)
                 .arg(frozen ? QStringLiteral(" while frozen") : QString()));
    else if (pss > PssCeilingMb)
        Stop(QStringLiteral("processes at %1 MB, above %2 MB").arg(pss).arg(PssCeilingMb));
    else if (!frozen)
        Ask();
}

// Ended first: a renderer that does not yield holds up its discarding for many seconds. Discarded
// from the event loop, as this may run inside the engine's call for a dialog.
void AdPanel::Stop(const QString& why) {
    m_renderer.Follow(m_page->renderProcessPid());
    m_off = true;
    m_renderer.Kill();
    m_watchTimer.stop();
    QTimer::singleShot(0, this, [this, why] { SwitchOff(QStringLiteral("stopped: ") + why); });
}

// For the rest of the session: the main window's background instead of the page, and no
// renderer process.
void AdPanel::SwitchOff(const QString& why) {
    Log(why);
    m_off = true;
    m_watchTimer.stop();
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
