// The program as a user meets it, one process per case, against a local server: the
// advertisement page once, the update notice once about five seconds after start, one map of the
// main window, nothing written to the home folder; closing within five seconds ends the program
// without an update check; a missing update library or one without DoUpdate changes nothing
// visible. Needs a display (xvfb-run). The program runs inside a session bus of its own
// (dbus-run-session), as under a desktop: without one, libdbus may start a bus that writes into
// the home folder.

#include "folder_contents.h"
#include "http_server.h"
#include "x_watch.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <unistd.h>

namespace {

const QByteArray AdPath = "/ad/201072836_1.html";
const QByteArray NoticePath = "/SiteBack/updateTxt/36.txt";

} // namespace

class TestProgramRun : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void run_data();
    void run();
    void closingWithinFiveSeconds();
    void launcherDoesNotWaitForTheFoodReader();
    void cleanup();

  private:
    // Lays out the program with the given update library ("" for none) and starts it; with the
    // food database and a food reader that stops itself as it starts, when asked.
    bool Start(const QString& updateLibrary, bool stalledReader = false);
    void WaitUntil(qint64 ms);
    // The stand-in reader once it has written its pid and stopped itself, else 0.
    pid_t StoppedReader() const;

    HttpServer m_server;
    XWatch m_x;
    QTemporaryDir m_folder;
    QProcess m_program;
    QElapsedTimer m_sinceStart;
};

void TestProgramRun::initTestCase() {
#ifdef KORVELLA_SANITIZE
    QSKIP("Qt WebEngine itself fails AddressSanitizer: a new-delete-type-mismatch in its "
          "WebContentsAdapter teardown and leaks in libQt6WebEngineCore at exit");
#endif
    QVERIFY(m_x.IsConnected());
    QVERIFY(m_folder.isValid());
    m_server.SetAnswer(AdPath,
                       {200, "<html><body style='margin:0;background:#fc9'>AD</body></html>",
                        "text/html", 0, false});
}

bool TestProgramRun::Start(const QString& updateLibrary, bool stalledReader) {
    const QString dir = m_folder.filePath(QString::number(QDateTime::currentMSecsSinceEpoch()));
    const QString home = dir + QStringLiteral("/home");
    if (!QDir().mkpath(home))
        return false;
    const QString program = dir + QStringLiteral("/korvella");
    if (!QFile::copy(QStringLiteral(FIXTURE_PROGRAM), program) ||
        !QFile::copy(QStringLiteral(AD_MODULE), dir + QStringLiteral("/libkorvella_ad.so")) ||
        (!updateLibrary.isEmpty() &&
         !QFile::copy(updateLibrary, dir + QStringLiteral("/libupdate.so"))))
        return false;
    if (stalledReader) {
        QFile reader(dir + QStringLiteral("/korvella-food-reader"));
        const QByteArray script =
            "#!/bin/sh\necho $$ >\"$0.pid.new\" && mv \"$0.pid.new\" \"$0.pid\"\nkill -STOP $$\n"
            "exec '" FOOD_READER "' \"$@\"\n";
        if (!QDir().mkpath(dir + QStringLiteral("/Data")) ||
            !QFile::copy(QStringLiteral(FOOD_DB), dir + QStringLiteral("/Data/FoodData.mdb")) ||
            !reader.open(QIODevice::WriteOnly) || reader.write(script) != script.size() ||
            !reader.setPermissions(QFile::ReadOwner | QFile::ExeOwner))
            return false;
        m_program.setProperty("reader", reader.fileName() + QStringLiteral(".pid"));
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LD_LIBRARY_PATH", "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                             "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("KORVELLA_FIXTURE_VENDOR_HOST"),
                       QString::fromLatin1(m_server.Host()));
    if (stalledReader) // the food log says when the foods arrive
        environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                           QStringLiteral("korvella.food=true"));
    m_program.setProcessEnvironment(environment);
    m_program.setProcessChannelMode(stalledReader ? QProcess::SeparateChannels
                                                  : QProcess::ForwardedChannels);
    m_program.setProperty("home", home);

    m_x.Reset();
    m_server.Restart();
    m_sinceStart.start();
    // A process group of its own, so that cleanup ends the bus and the browser's helpers too.
    m_program.setChildProcessModifier([] { ::setsid(); });
    m_program.start(QStringLiteral("dbus-run-session"), {QStringLiteral("--"), program});
    return m_program.waitForStarted(5000);
}

void TestProgramRun::WaitUntil(qint64 ms) {
    QTest::qWait(static_cast<int>(std::max<qint64>(0, ms - m_sinceStart.elapsed())));
}

pid_t TestProgramRun::StoppedReader() const {
    QFile pidFile(m_program.property("reader").toString());
    const pid_t pid = pidFile.open(QIODevice::ReadOnly) ? pidFile.readAll().trimmed().toInt() : 0;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray fields = stat.readAll();
    return fields.mid(fields.lastIndexOf(')') + 2, 1) == "T" ? pid : 0;
}

void TestProgramRun::run_data() {
    QTest::addColumn<QString>("library");
    QTest::addColumn<QByteArray>("notice");
    QTest::addColumn<bool>("checked");
    QTest::addColumn<int>("windows");
    const QByteArray page = "\nhttp://127.0.0.1/download\n";
    QTest::newRow("equal version")
        << QStringLiteral(UPDATE_LIBRARY) << KORVELLA_VERSION + page << true << 1;
    QTest::newRow("newer version") << QStringLiteral(UPDATE_LIBRARY) << "999.0" + page << true << 2;
    QTest::newRow("garbage notice") << QStringLiteral(UPDATE_LIBRARY)
                                    << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << true << 1;
    QTest::newRow("no update library") << QString() << "999.0" + page << false << 1;
    QTest::newRow("library without DoUpdate")
        << QStringLiteral(UPDATE_WITHOUT_FUNCTION) << "999.0" + page << false << 1;
}

void TestProgramRun::run() {
    QFETCH(QString, library);
    QFETCH(QByteArray, notice);
    QFETCH(bool, checked);
    QFETCH(int, windows);
    m_server.SetAnswer(NoticePath, {200, notice, "text/plain", 0, false});
    QVERIFY(Start(library));

    QTRY_COMPARE_WITH_TIMEOUT(m_server.Count(AdPath), 1, 5000);
    WaitUntil(4500);
    QCOMPARE(m_server.Count(NoticePath), 0);
    QCOMPARE(m_x.ViewableWindows(), 1);
    WaitUntil(7000);
    QCOMPARE(m_program.state(), QProcess::Running);
    QCOMPARE(m_server.Count(NoticePath), checked ? 1 : 0);
    if (checked) {
        const qint64 at = m_server.Requests().constLast().ms;
        QVERIFY2(at >= 4900 && at < 7000, qPrintable(QString::number(at)));
    }
    QCOMPARE(m_server.Count(AdPath), 1);
    QCOMPARE(m_x.ViewableWindows(), windows);
    // The main window once (no re-creation when the browser joins it), then the notice, if any.
    const QList<std::uint32_t> maps = m_x.Maps();
    QCOMPARE(maps.size(), windows);
    // The page is drawn in the panel at the top of the main window, not under it.
    QCOMPARE(m_x.Pixel(maps.first(), 400, 50), 0xffcc99L);
    QCOMPARE(m_x.Pixel(maps.first(), 400, 200) == 0xffcc99L, false);

    m_x.Close(maps.first());
    QVERIFY(m_program.waitForFinished(15000));
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
    QCOMPARE(Contents(m_program.property("home").toString()), QStringList());
}

void TestProgramRun::closingWithinFiveSeconds() {
    m_server.SetAnswer(NoticePath,
                       {200, "999.0\nhttp://127.0.0.1/download\n", "text/plain", 0, false});
    QVERIFY(Start(QStringLiteral(UPDATE_LIBRARY)));
    QTRY_COMPARE_WITH_TIMEOUT(m_x.Maps().size(), 1, 5000);
    WaitUntil(2000);
    m_x.Close(m_x.Maps().first());
    QVERIFY(m_program.waitForFinished(15000));
    QVERIFY2(m_sinceStart.elapsed() < 5000, "ended only after the update check was due");
    QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_program.exitCode(), 0);
    WaitUntil(7000);
    QCOMPARE(m_server.Count(NoticePath), 0);
}

// With the food reader stopped, the launcher shows and paints, and the foods arrive once the
// reader is released.
void TestProgramRun::launcherDoesNotWaitForTheFoodReader() {
    QVERIFY(Start(QString(), true));
    pid_t reader = 0;
    QTRY_VERIFY_WITH_TIMEOUT((reader = StoppedReader()) > 0, 5000); // the pid file is whole
    QTRY_COMPARE_WITH_TIMEOUT(m_x.Maps().size(), 1, 5000);
    const std::uint32_t main = m_x.Maps().first();
    QTRY_COMPARE_WITH_TIMEOUT(m_x.Pixel(main, 20, 300), 0xffffffL, 5000); // entry 1's panel
    QCOMPARE(StoppedReader(), reader); // painted while the reader was stopped
    ::kill(reader, SIGCONT);
    QByteArray log;
    QTRY_VERIFY_WITH_TIMEOUT((log += m_program.readAllStandardError()).contains("200 foods read"),
                             5000);
    m_x.Close(main);
    QVERIFY(m_program.waitForFinished(15000));
}

void TestProgramRun::cleanup() {
    if (m_program.state() != QProcess::NotRunning) {
        ::kill(-static_cast<pid_t>(m_program.processId()), SIGKILL);
        m_program.waitForFinished(5000);
    }
}

QTEST_GUILESS_MAIN(TestProgramRun)
#include "test_program_run.moc"
