// Finding and calling the update library: which candidate is used, what DoUpdate receives, and
// when the main window's timer calls it. Runs with a probe libupdate.so on the library path.

#include "app/form_main.h"
#include "app/main_methods.h"
#include "app/update_call.h"
#include "app/vendor.h"
#include "frame/tool_window.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QTest>
#include <QTimer>

namespace {

const QString Probe = QStringLiteral(UPDATE_PROBE_DIR "/update");
const QString WithoutFunction = QStringLiteral(UPDATE_WITHOUT_FUNCTION_DIR "/update");
const QString Missing = QStringLiteral(UPDATE_PROBE_DIR "/nowhere/update");

struct ProbeCalls {
    int (*count)() = nullptr;
    std::int32_t (*window)(int) = nullptr;
    const char* (*address)(int) = nullptr;
};

ProbeCalls Calls() {
    QLibrary probe(Probe);
    return {reinterpret_cast<int (*)()>(probe.resolve("ProbeCallCount")),
            reinterpret_cast<std::int32_t (*)(int)>(probe.resolve("ProbeWindow")),
            reinterpret_cast<const char* (*)(int)>(probe.resolve("ProbeAddress"))};
}

int VisibleWindows() {
    int visible = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        visible += widget->isVisible() ? 1 : 0;
    return visible;
}

} // namespace

class TestUpdateCall : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void candidates_data();
    void candidates();
    void argumentsPassThrough();
    void timerCallsOnceWithToolWindowOpen();

  private:
    ProbeCalls m_probe;
};

void TestUpdateCall::initTestCase() {
    m_probe = Calls();
    QVERIFY(m_probe.count && m_probe.window && m_probe.address);
    qputenv("KORVELLA_FIXTURE_VENDOR_HOST", "vendor.test:8080");
    ToolWindow::SetShowMainWindow({});
}

void TestUpdateCall::candidates_data() {
    QTest::addColumn<QStringList>("candidates");
    QTest::addColumn<bool>("called");
    QTest::newRow("first candidate") << QStringList{Probe, WithoutFunction} << true;
    QTest::newRow("first missing, second found") << QStringList{Missing, Probe} << true;
    QTest::newRow("missing library") << QStringList{Missing} << false;
    QTest::newRow("no candidates") << QStringList{} << false;
    // The library that loads is the one; its lack of DoUpdate is not made up for elsewhere.
    QTest::newRow("library without DoUpdate") << QStringList{WithoutFunction, Probe} << false;
}

void TestUpdateCall::candidates() {
    QFETCH(QStringList, candidates);
    QFETCH(bool, called);
    QWidget main;
    main.show();
    const int before = m_probe.count();
    QCOMPARE(CallDoUpdate(candidates, 42, "http://vendor.test/x"), called);
    QCOMPARE(m_probe.count() - before, called ? 1 : 0);
    QCoreApplication::processEvents();
    QCOMPARE(VisibleWindows(), 1);
}

void TestUpdateCall::argumentsPassThrough() {
    for (const std::int32_t window :
         {std::int32_t(1), std::int32_t(0x7fffffff), std::int32_t(-2)}) {
        const int before = m_probe.count();
        const QByteArray address = UpdateNoticeAddress().toLocal8Bit();
        QVERIFY(CallDoUpdate({Probe}, window, address.constData()));
        QCOMPARE(m_probe.count(), before + 1);
        QCOMPARE(m_probe.window(before), window);
        QCOMPARE(QByteArray(m_probe.address(before)),
                 QByteArray("http://vendor.test:8080/SiteBack/updateTxt/36.txt"));
    }
}

void TestUpdateCall::timerCallsOnceWithToolWindowOpen() {
    const int before = m_probe.count();
    QElapsedTimer sinceCreation;
    sinceCreation.start();
    Form_Main form;
    QCOMPARE(form.Timer_Update()->objectName(), QStringLiteral("Timer_Update"));
    QCOMPARE(form.Timer_Update()->interval(), 5000);
    QVERIFY(form.Timer_Update()->isActive());
    form.show();
    方法_Form_Main::OpenTool(form, 2);
    QVERIFY(!form.isVisible());

    QTRY_COMPARE_WITH_TIMEOUT(m_probe.count(), before + 1, 8000);
    const qint64 at = sinceCreation.elapsed();
    QVERIFY2(at >= 4900 && at < 6500, qPrintable(QString::number(at)));
    QVERIFY(!form.isVisible());
    QCOMPARE(m_probe.window(before), static_cast<std::int32_t>(form.winId()));
    QCOMPARE(QByteArray(m_probe.address(before)),
             QByteArray("http://vendor.test:8080/SiteBack/updateTxt/36.txt"));
    QVERIFY(!form.Timer_Update()->isActive());
    QTest::qWait(5200); // a second interval: no second call
    QCOMPARE(m_probe.count(), before + 1);
    方法_Form_Main::OpenToolWindow(2)->close();
}

QTEST_MAIN(TestUpdateCall)
#include "test_update_call.moc"
