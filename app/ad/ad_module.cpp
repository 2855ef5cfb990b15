// The advertisement panel's wiring: a QWebEngineView drawn in software, in a private profile that
// keeps nothing on disk, with the page's policy (page_policy.h) and its watchdog
// (page_watchdog.h), fed once a second with the renderer's figures (process_figures.h). A page
// that fails to load, dies twice or that the watchdog stops leaves the main window's background
// in its place, wherever the window is; while the main window is hidden or minimised a page that
// answers is frozen. The engine's switches and environment are set by the program before any
// thread starts (PrepareAdPanel).

#include "app/ad/ad_module.h"
#include "app/ad/page_policy.h"
#include "app/ad/page_watchdog.h"
#include "app/ad/process_figures.h"
#include "process/process_handle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

// A renderer that died gets one more chance after this pause.
constexpr int RestartPauseMs = 3000;
constexpr int SampleMs = 1000;

class AdPanel : public QObject {
  public:
    AdPanel(QWebEngineView* view, QWebEngineProfile* profile, const QUrl& url,
            const KorvellaAdHost& host);

    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Load();
    void LoadingChanged(const QWebEngineLoadingInfo& info);
    void RendererEnded(QWebEnginePage::RenderProcessTerminationStatus status, int exitCode);
    void FollowWindow();
    bool WindowOnScreen() const;
    void PingPage();
    void PageAnswered();
    void SamplePage();
    void Judge(const PageVerdict& verdict);
    void StopPage(const QString& why);
    void EndForTheSession(const QString& why);
    void Log(const QString& what) const {
        m_host.log(m_url.toString() + QStringLiteral(": ") + what);
    }

    QWebEngineView* m_view;
    AdPage* m_page;
    QUrl m_url;
    KorvellaAdHost m_host;
    bool m_loading = false;
    bool m_off = false;
    int m_deaths = 0;
    QTimer m_sampleTimer;
    QElapsedTimer m_clock;
    PageWatchdog m_watchdog;
    ProcessHandle m_renderer;
};

AdPanel::AdPanel(QWebEngineView* view, QWebEngineProfile* profile, const QUrl& url,
                 const KorvellaAdHost& host)
    : QObject(view), m_view(view), m_url(url), m_host(host) {
    m_clock.start();
    m_page = new AdPage(profile, view,
                        {[view, open = host.openLink](const QUrl& link) {
                             // Not from inside the engine's call: opening may show a modal message.
                             QTimer::singleShot(0, view, [view, open, link] { open(view, link); });
                         },
                         [this](const QString& what) { Log(what); },
                         [this] {
                             if (!m_off)
                                 Judge(m_watchdog.DialogAsked(m_clock.elapsed()));
                         }});
    connect(m_page, &QWebEnginePage::loadingChanged, this, &AdPanel::LoadingChanged);
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this, &AdPanel::RendererEnded);
    // Held from its start, before its id could be anyone else's.
    connect(m_page, &QWebEnginePage::renderProcessPidChanged, this,
            [this](qint64 pid) { m_renderer.Hold(pid); });
    QWebEngineSettings* settings = m_page->settings();
    settings->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    // Lets window.open reach newWindowRequested, which opens only what a click asked for.
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    view->setPage(m_page);
    view->window()->installEventFilter(this);
    connect(&m_sampleTimer, &QTimer::timeout, this, &AdPanel::SamplePage);
    m_sampleTimer.start(SampleMs);
    Load();
}

void AdPanel::Load() {
    m_loading = true;
    m_page->SetLoading(true);
    m_page->load(m_url);
}

bool AdPanel::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
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

bool AdPanel::WindowOnScreen() const {
    const QWidget* window = m_view->window();
    return window->isVisible() && !window->isMinimized();
}

void AdPanel::FollowWindow() {
    if (m_off)
        return;
    if (WindowOnScreen()) {
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Active);
        m_page->setVisible(m_view->isVisible());
        m_watchdog.Thawed(m_clock.elapsed());
    } else {
        m_page->setVisible(false); // a minimised window leaves the view "visible" to Qt
        PingPage();                // frozen once it answers; one that does not stays watched
    }
}

void AdPanel::LoadingChanged(const QWebEngineLoadingInfo& info) {
    // Only the panel's own loads count: a refused navigation ends as an aborted load too.
    if (m_off || info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
        return;
    if (!std::exchange(m_loading, false))
        return;
    m_page->SetLoading(false);
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
        m_view->show();
        return;
    }
    EndForTheSession(QStringLiteral("not loaded (%1 %2): %3")
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
        EndForTheSession(what + QStringLiteral(" again"));
        return;
    }
    Log(what + QStringLiteral("; reloading in %1 ms").arg(RestartPauseMs));
    m_view->hide();
    QTimer::singleShot(RestartPauseMs, this, [this] {
        if (!m_off)
            Load();
    });
}

// A trivial script: the page answers unless its renderer is stuck.
void AdPanel::PingPage() {
    m_page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                          [panel = QPointer<AdPanel>(this)](const QVariant&) {
                              if (panel)
                                  panel->PageAnswered();
                          });
}

void AdPanel::PageAnswered() {
    m_watchdog.Answered(m_clock.elapsed());
    if (!m_off && !WindowOnScreen() &&
        m_page->lifecycleState() == QWebEnginePage::LifecycleState::Active)
        m_page->setLifecycleState(QWebEnginePage::LifecycleState::Frozen);
}

// Once a second, wherever the main window is.
void AdPanel::SamplePage() {
    const qint64 pid = m_page->renderProcessPid();
    m_renderer.Hold(pid);
    PageSample sample;
    sample.nowMs = m_clock.elapsed();
    sample.renderer = pid;
    sample.threads = process_figures::Threads(pid);
    sample.memory = process_figures::MemoryOf(QCoreApplication::applicationPid(), pid);
    sample.frozen = m_page->lifecycleState() == QWebEnginePage::LifecycleState::Frozen;
    Judge(m_watchdog.Sample(sample));
    if (!m_off && !sample.frozen)
        PingPage();
}

void AdPanel::Judge(const PageVerdict& verdict) {
    if (verdict.stop)
        StopPage(verdict.why);
    else if (!verdict.why.isEmpty())
        Log(verdict.why);
}

// Ended first: a renderer that does not yield holds up its discarding for many seconds. Discarded
// from the event loop, as this may run inside the engine's call for a dialog.
void AdPanel::StopPage(const QString& why) {
    m_renderer.Hold(m_page->renderProcessPid());
    m_off = true;
    m_renderer.Kill();
    m_sampleTimer.stop();
    QTimer::singleShot(0, this,
                       [this, why] { EndForTheSession(QStringLiteral("stopped: ") + why); });
}

// For the rest of the session: the main window's background instead of the page, and no
// renderer process.
void AdPanel::EndForTheSession(const QString& why) {
    Log(why);
    m_off = true;
    m_sampleTimer.stop();
    m_view->hide();
    m_page->setVisible(false);
    m_page->setLifecycleState(QWebEnginePage::LifecycleState::Discarded);
}

} // namespace

extern "C" __attribute__((visibility("default"))) QWidget*
KorvellaCreateAdPanel3(QWidget* parent, const QRect& geometry, const QUrl& url,
                       const KorvellaAdHost& host) {
    // Qt's shader and pipeline caches stay off disk, as Mesa's does (PrepareAdPanel).
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
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
    view->setGeometry(geometry);
    view->show();
    // A profile without a storage name is off the record: no disk cache, no cookies on disk.
    auto* profile = new QWebEngineProfile;
    new AdPanel(view, profile, url, host);
    profile->setParent(view); // after the page among the view's children, so deleted after it
    return view;
}
