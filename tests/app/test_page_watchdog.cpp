// The advertisement page's watchdog, fed a second's samples in milliseconds, and the figures it is
// fed, read from a /proc laid out by the test: the processes of a sandboxed engine may not be
// looked into.

#include "app/ad/page_watchdog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using process_figures::ThreadTimes;

namespace {

// A page sampled once a second for ten seconds; its threads keep their run and wait shares for
// busyFor seconds, then rest.
struct Page {
    QList<QPair<double, double>> threads{{0.02, 0.01}};
    int busyFor = 99;
    int newRenderer = 0; // the second another renderer takes over; 0: never
    bool frozen = false;
    bool answers = true;
    int memoryMb = 70; // -1: cannot be read
    QList<int> dialogsMs{};
    QString why{};   // the verdict, or the note
    int stopMs = -1; // when it is stopped; -1: it stays
};

bool Write(const QString& path, const QByteArray& text) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(text) == text.size();
}

} // namespace

Q_DECLARE_METATYPE(Page)

class PageWatchdogTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void verdict_data();
    void verdict();
    void memory_data();
    void memory();
};

void PageWatchdogTest::verdict_data() {
    QTest::addColumn<Page>("page");
    const QString busy = QStringLiteral("kept a core busy for 5 s");
    QTest::newRow("idle page stays") << Page{};
    QTest::newRow("spinning thread, 5 s")
        << Page{.threads = {{0.5, 0.5}, {0.01, 0}}, .why = busy, .stopMs = 5000};
    QTest::newRow("spinning thread, 4 s") << Page{.threads = {{0.5, 0.5}}, .busyFor = 4};
    QTest::newRow("spinning, new renderer after 4 s")
        << Page{.threads = {{0.5, 0.5}}, .busyFor = 8, .newRenderer = 4};
    // A canvas and a CSS animation at 60 frames a second with every core busy elsewhere: each
    // thread waits, none wants a core.
    QTest::newRow("animated banner, 8 threads waiting on busy cores")
        << Page{.threads = {{0.1, 0.2},
                            {0.1, 0.2},
                            {0.05, 0.3},
                            {0.05, 0.3},
                            {0.05, 0.2},
                            {0.05, 0.2},
                            {0.02, 0.1},
                            {0.02, 0.1}}};
    QTest::newRow("two threads, each half a core")
        << Page{.threads = {{0.45, 0.05}, {0.45, 0.05}}, .why = busy, .stopMs = 5000};
    QTest::newRow("frozen, a third of a core")
        << Page{.threads = {{0.3, 0}},
                .frozen = true,
                .answers = false,
                .why = busy + QStringLiteral(" while frozen"),
                .stopMs = 5000};
    QTest::newRow("frozen, a fifth of a core")
        << Page{.threads = {{0.2, 0}}, .frozen = true, .answers = false};
    QTest::newRow("no answer") << Page{
        .answers = false, .why = "no answer for 5 s", .stopMs = 5000};
    QTest::newRow("memory 401 MB")
        << Page{.memoryMb = 401, .why = "processes at 401 MB, above 400 MB", .stopMs = 0};
    QTest::newRow("memory 400 MB") << Page{.memoryMb = 400};
    QTest::newRow("memory cannot be read") << Page{
        .memoryMb = -1, .why = "the memory ceiling cannot be kept: no figures for process 7"};
    QTest::newRow("6 dialogs within 10 s") << Page{.dialogsMs = {0, 100, 200, 300, 400, 9999},
                                                   .why = "asked for 6 dialogs within 10 s",
                                                   .stopMs = 9999};
    QTest::newRow("6 dialogs in 10 s and more")
        << Page{.dialogsMs = {0, 100, 200, 300, 400, 10000}};
}

void PageWatchdogTest::verdict() {
    QFETCH(Page, page);
    PageWatchdog watchdog;
    QList<ThreadTimes> times(page.threads.size());
    int stoppedAt = -1;
    QStringList said;
    auto hear = [&](const PageVerdict& verdict, int ms) {
        if (!verdict.why.isEmpty())
            said.append(verdict.why);
        if (verdict.stop && stoppedAt < 0)
            stoppedAt = ms;
    };
    for (int ms = 0; ms <= 10000 && stoppedAt < 0; ms += 1000) {
        for (const int dialog : page.dialogsMs)
            if (dialog > ms - 1000 && dialog <= ms && stoppedAt < 0)
                hear(watchdog.DialogAsked(dialog), dialog);
        const double ns = ms > 0 && ms <= page.busyFor * 1000 ? 1e9 : 0;
        for (qsizetype t = 0; t < times.size(); ++t)
            times[t] = {100 + t, times[t].runNs + qint64(page.threads[t].first * ns),
                        times[t].waitNs + qint64(page.threads[t].second * ns)};
        if (page.answers)
            watchdog.Answered(ms);
        PageSample sample{ms,
                          page.newRenderer && ms >= page.newRenderer * 1000 ? 8 : 7,
                          times,
                          {page.memoryMb * 1024LL, {}},
                          page.frozen};
        if (page.memoryMb < 0)
            sample.memory = {0, {7}};
        if (stoppedAt < 0)
            hear(watchdog.Sample(sample), ms);
    }
    QCOMPARE(stoppedAt, page.stopMs);
    QCOMPARE(said, page.why.isEmpty() ? QStringList() : QStringList{page.why});
}

void PageWatchdogTest::memory_data() {
    QTest::addColumn<bool>("rollup"); // smaps_rollup may be read
    QTest::addColumn<bool>("status"); // status may be read
    QTest::addColumn<qint64>("kb");
    QTest::addColumn<QList<qint64>>("unmeasured");
    // Program 1: a zygote 2 whose renderers are 3 (the panel's) and 4 (another page's), a
    // service 5, and the user's browser 6. Each engine process has a PSS of 1000 kB + pid and
    // private resident memory of 100 kB + pid.
    QTest::newRow("looked into") << true << true << qint64(1002 + 1003 + 1005) << QList<qint64>{};
    QTest::newRow("under the sandbox")
        << false << true << qint64(102 + 103 + 105) << QList<qint64>{};
    QTest::newRow("nothing readable") << false << false << qint64(0) << QList<qint64>{2, 3, 5};
}

void PageWatchdogTest::memory() {
    QFETCH(bool, rollup);
    QFETCH(bool, status);
    QFETCH(qint64, kb);
    QFETCH(QList<qint64>, unmeasured);
    QTemporaryDir proc;
    const QByteArray engine = "/usr/lib/qt6/libexec/QtWebEngineProcess";
    const QMap<QString, QByteArray> files{
        {"1/task/1/children", "2 6"},
        {"1/task/9/children", "5"}, // another thread of the program
        {"2/cmdline", engine + QByteArray("\0--type=zygote", 15)},
        {"2/task/2/children", "3 4"},
        {"3/cmdline", engine + " --type=renderer --renderer-client-id=3"},
        {"4/cmdline", engine + " --type=renderer"},
        {"5/cmdline", engine + " --type=utility"},
        {"6/cmdline", QByteArray("/usr/bin/firefox\0http://landing", 31)}};
    for (auto [path, text] : files.asKeyValueRange())
        QVERIFY(Write(proc.filePath(path), text));
    for (int pid = 2; pid <= 6; ++pid) {
        if (rollup)
            QVERIFY(Write(proc.filePath(QStringLiteral("%1/smaps_rollup").arg(pid)),
                          QStringLiteral("Rss: 9 kB\nPss: %1 kB\n").arg(1000 + pid).toUtf8()));
        if (status)
            QVERIFY(
                Write(proc.filePath(QStringLiteral("%1/status").arg(pid)),
                      QStringLiteral("VmRSS: 9 kB\nRssAnon:\t %1 kB\n").arg(100 + pid).toUtf8()));
    }
    const process_figures::PanelMemory memory = process_figures::MemoryOf(1, 3, proc.path());
    QCOMPARE(memory.kb, kb);
    QList<qint64> missing = memory.unmeasured;
    std::sort(missing.begin(), missing.end());
    QCOMPARE(missing, unmeasured);
}

QTEST_GUILESS_MAIN(PageWatchdogTest)
#include "test_page_watchdog.moc"
