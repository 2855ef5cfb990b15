// The advertisement panel and the update check in the running main window, against a local
// server: navigation once, after the reference data and the first frame, without re-creating the
// main window's native window; the update notice five seconds after creation, with a tool open.
// Needs a display (xvfb-run) and libkorvella_ad and libupdate on the library path.

#include "app/ad_panel.h"
#include "app/form_main.h"
#include "app/main_methods.h"
#include "body/core/standard_weight_tables.h"
#include "frame/tool_window.h"
#include "http_server.h"

#include <QElapsedTimer>
#include <QMessageBox>
#include <QPlatformSurfaceEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <unistd.h>

namespace {

const QByteArray AdPath = "/ad/201072836_1.html";
const QByteArray NoticePath = "/SiteBack/updateTxt/36.txt";

class SurfaceWatch : public QObject {
  public:
    int destroyed = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
            ++destroyed;
        return false;
    }
};

} // namespace

class TestAdPanel : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void rootWithSandboxGoesWithoutPanel();
    void nothingBeforeTheWindowShows();
    void navigatesOnceAfterDataAndFirstFrame();
    void updateNoticeAfterFiveSecondsWithToolOpen();
    void neverReloaded();
    void cleanupTestCase();

  private:
    HttpServer m_server;
    QElapsedTimer m_sinceCreation;
    Form_Main* m_form = nullptr;
    SurfaceWatch m_surface;
    WId m_winId = 0;
    bool m_dataBuiltAtAdRequest = false;
    bool m_mainVisibleAtNoticeRequest = true;
};

void TestAdPanel::initTestCase() {
#ifdef KORVELLA_SANITIZE
    QSKIP("Qt WebEngine itself fails AddressSanitizer: a new-delete-type-mismatch in its "
          "WebContentsAdapter teardown and leaks in libQt6WebEngineCore at exit");
#endif
    m_server.SetAnswer(AdPath, {200,
                                "<html><head><title>Korvella AD</title></head>"
                                "<body style='margin:0;background:#fc9'>AD</body></html>",
                                "text/html", 0, false});
    m_server.SetAnswer(NoticePath,
                       {200, "999.0\nhttp://127.0.0.1/download\n", "text/plain", 0, false});
    m_server.SetObserver([this](const QByteArray& path) {
        if (path == AdPath)
            m_dataBuiltAtAdRequest = 自定义变量::MaleStandardWeight[0][0] != 0;
        if (path == NoticePath)
            m_mainVisibleAtNoticeRequest = m_form->isVisible();
    });
    qputenv("KORVELLA_FIXTURE_VENDOR_HOST", m_server.Host());

    m_server.Restart();
    m_sinceCreation.start();
    m_form = new Form_Main;
    ToolWindow::SetShowMainWindow([this] { m_form->show(); });
}

void TestAdPanel::rootWithSandboxGoesWithoutPanel() {
    if (geteuid() != 0)
        QSKIP("only root is refused the browser's sandbox");
    const QByteArray sandbox = qgetenv("QTWEBENGINE_DISABLE_SANDBOX");
    qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
    QWidget parent;
    QWidget* panel = CreateAdPanel(&parent, {0, 0, 10, 10}, QUrl(QStringLiteral("about:blank")));
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", sandbox);
    QVERIFY(!panel); // and this process is still running
    QVERIFY(parent.children().isEmpty());
}

void TestAdPanel::nothingBeforeTheWindowShows() {
    QVERIFY(m_form->Timer_Update()->isActive());
    QTest::qWait(300);
    QVERIFY(!m_form->WebBrowser_AD());
    QVERIFY(m_server.Requests().isEmpty());
    QCOMPARE(自定义变量::MaleStandardWeight[0][0], 0);
}

void TestAdPanel::navigatesOnceAfterDataAndFirstFrame() {
    m_winId = m_form->winId();
    m_form->windowHandle()->installEventFilter(&m_surface);
    m_form->show();
    QTRY_VERIFY_WITH_TIMEOUT(m_form->WebBrowser_AD(), 5000);

    // Not linked here (the program does not link it either): checked through its meta-object.
    QWidget* view = m_form->WebBrowser_AD();
    QCOMPARE(view->metaObject()->className(), "QWebEngineView");
    QCOMPARE(view->objectName(), QStringLiteral("WebBrowser_AD"));
    QCOMPARE(view->parentWidget(), m_form);
    QCOMPARE(view->geometry(), QRect(-2, 0, 857, 95));
    QVERIFY(view->isVisible());

    QTRY_COMPARE_WITH_TIMEOUT(m_server.Count(AdPath), 1, 10000);
    QVERIFY(m_dataBuiltAtAdRequest);
    QTRY_COMPARE_WITH_TIMEOUT(view->property("title").toString(), QStringLiteral("Korvella AD"),
                              10000);
    QCOMPARE(view->property("url").toUrl(), QUrl("http://" + m_server.Host() + AdPath));
    // Adding the browser did not make Qt re-create the main window (a flicker).
    QCOMPARE(m_surface.destroyed, 0);
    QCOMPARE(m_form->winId(), m_winId);
}

void TestAdPanel::updateNoticeAfterFiveSecondsWithToolOpen() {
    方法_Form_Main::OpenTool(*m_form, 2);
    QVERIFY(!m_form->isVisible());
    QTRY_COMPARE_WITH_TIMEOUT(m_server.Count(NoticePath), 1, 9000);
    const qint64 at = m_server.Requests().constLast().ms;
    QVERIFY2(at >= 4900 && at < 7000, qPrintable(QString::number(at)));
    QVERIFY(!m_mainVisibleAtNoticeRequest);
    // The notice belongs to the window whose handle DoUpdate got: the hidden main window.
    QMessageBox* notice = nullptr;
    QTRY_VERIFY((notice = m_form->findChild<QMessageBox*>(QStringLiteral("UpdateNotice"))));
    QVERIFY(notice->isVisible());
    notice->close();
}

void TestAdPanel::neverReloaded() {
    QWidget* view = m_form->WebBrowser_AD();
    方法_Form_Main::OpenToolWindow(2)->close();
    QVERIFY(m_form->isVisible());
    方法_Form_Main::OpenTool(*m_form, 4);
    方法_Form_Main::OpenToolWindow(4)->close();
    QVERIFY(m_form->isVisible());
    QTest::qWait(1000);
    QCOMPARE(m_server.Count(AdPath), 1);
    QCOMPARE(m_server.Count(NoticePath), 1);
    QCOMPARE(m_form->WebBrowser_AD(), view);
    QCOMPARE(m_surface.destroyed, 0);
}

void TestAdPanel::cleanupTestCase() {
    delete m_form;
}

QTEST_MAIN(TestAdPanel)
#include "test_ad_panel.moc"
