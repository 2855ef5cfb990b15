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

// Run and wait shares of one thread, each second.
using Shares = QList<QPair<double, double>>;

bool Write(const QString& path, const QByteArray& text) {
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(text) == text.size();
}

} // namespace

class PageWatchdogTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void verdict_data();
    void verdict();
    void memory_data();
    void memory();
};

void PageWatchdogTest::verdict_data() {
    QTest::addColumn<Shares>("threads");
    QTest::addColumn<int>("busyFor");     // seconds the threads keep their shares, then rest
    QTest::addColumn<int>("newRenderer"); // second at which another renderer takes over; 0: none
    QTest::addColumn<bool>("frozen");
    QTest::addColumn<bool>("answers");
    QTest::addColumn<int>("memoryMb"); // -1: cannot be read
    QTest::addColumn<QList<int>>("dialogsMs");
    QTest::addColumn<QString>("why"); // the verdict, or the note
    QTest::addColumn<int>("stopMs");  // when it is stopped; -1: it stays
    const QList<int> none;
    const Shares idle{{0.02, 0.01}};
    QTest::newRow("idle page stays") << idle << 99 << 0 << false << true << 70 << none << "" << -1;
    QTest::newRow("spinning thread, 5 s")
        << Shares{{0.5, 0.5}, {0.01, 0}} << 99 << 0 << false << true << 70 << none
        << "kept a core busy for 5 s" << 5000;
    QTest::newRow("spinning thread, 4 s")
        << Shares{{0.5, 0.5}} << 4 << 0 << false << true << 70 << none << "" << -1;
    QTest::newRow("spinning, new renderer after 4 s")
        << Shares{{0.5, 0.5}} << 8 << 4 << false << true << 70 << none << "" << -1;
    // A canvas and a CSS animation at 60 frames a second with every core busy elsewhere: each
    // thread waits, none wants a core.
    QTest::newRow("animated banner, 8 threads waiting on busy cores")
        << Shares{{0.1, 0.2},  {0.1, 0.2},  {0.05, 0.3}, {0.05, 0.3},
                  {0.05, 0.2}, {0.05, 0.2}, {0.02, 0.1}, {0.02, 0.1}}
        << 99 << 0 << false << true << 70 << none << "" << -1;
    QTest::newRow("two threads, each half a core")
        << Shares{{0.45, 0.05}, {0.45, 0.05}} << 99 << 0 << false << true << 70 << none
        << "kept a core busy for 5 s" << 5000;
    QTest::newRow("frozen, a third of a core")
        << Shares{{0.3, 0}} << 99 << 0 << true << false << 70 << none
        << "kept a core busy for 5 s while frozen" << 5000;
    QTest::newRow("frozen, a fifth of a core")
        << Shares{{0.2, 0}} << 99 << 0 << true << false << 70 << none << "" << -1;
    QTest::newRow("no answer") << idle << 99 << 0 << false << false << 70 << none
                               << "no answer for 5 s" << 5000;
    QTest::newRow("memory 401 MB") << idle << 99 << 0 << false << true << 401 << none
                                   << "processes at 401 MB, above 400 MB" << 0;
    QTest::newRow("memory 400 MB") << idle << 99 << 0 << false << true << 400 << none << "" << -1;
    QTest::newRow("memory cannot be read")
        << idle << 99 << 0 << false << true << -1 << none
        << "the memory ceiling cannot be kept: no figures for process 7" << -1;
    QTest::newRow("6 dialogs within 10 s")
        << idle << 99 << 0 << false << true << 70 << QList<int>{0, 100, 200, 300, 400, 9999}
        << "asked for 6 dialogs within 10 s" << 9999;
    QTest::newRow("6 dialogs in 10 s and more")
        << idle << 99 << 0 << false << true << 70 << QList<int>{0, 100, 200, 300, 400, 10000} << ""
        << -1;
}

void PageWatchdogTest::verdict() {
    QFETCH(Shares, threads);
    QFETCH(int, busyFor);
    QFETCH(int, newRenderer);
    QFETCH(bool, frozen);
    QFETCH(bool, answers);
    QFETCH(int, memoryMb);
    QFETCH(QList<int>, dialogsMs);
    QFETCH(QString, why);
    QFETCH(int, stopMs);
    PageWatchdog watchdog;
    QList<ThreadTimes> times(threads.size());
    PageVerdict verdict;
    int stoppedAt = -1;
    QStringList said;
    auto hear = [&](const PageVerdict& v, int ms) {
        if (!v.why.isEmpty())
            said.append(v.why);
        if (v.stop && stoppedAt < 0)
            stoppedAt = ms;
    };
    for (int second = 0; second <= 10 && stoppedAt < 0; ++second) {
        const int ms = second * 1000;
        for (const int dialog : dialogsMs)
            if (dialog > ms - 1000 && dialog <= ms)
                hear(watchdog.DialogAsked(dialog), dialog);
        if (stoppedAt >= 0)
            break;
        for (qsizetype t = 0; second > 0 && t < threads.size(); ++t) {
            const double scale = second <= busyFor ? 1e9 : 0;
            times[t] = {100 + t, times[t].runNs + qint64(threads[t].first * scale),
                        times[t].waitNs + qint64(threads[t].second * scale)};
        }
        if (answers)
            watchdog.Answered(ms);
        PageSample sample;
        sample.nowMs = ms;
        sample.renderer = newRenderer && second >= newRenderer ? 8 : 7;
        sample.threads = times;
        sample.memory = memoryMb < 0 ? process_figures::PanelMemory{0, {7}}
                                     : process_figures::PanelMemory{memoryMb * 1024LL, {}};
        sample.frozen = frozen;
        hear(watchdog.Sample(sample), ms);
    }
    QCOMPARE(stoppedAt, stopMs);
    QCOMPARE(said, why.isEmpty() ? QStringList() : QStringList{why});
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
    const QString engine = QStringLiteral("/usr/lib/qt6/libexec/QtWebEngineProcess");
    const QStringList lines{"1 children 2 6",
                            "2 cmdline " + engine + "\\0--type=zygote",
                            "2 children 3 4",
                            "3 cmdline " + engine + " --type=renderer --renderer-client-id=3",
                            "4 cmdline " + engine + " --type=renderer",
                            "5 cmdline " + engine + " --type=utility",
                            "6 cmdline /usr/bin/firefox\\0http://landing"};
    for (const QString& line : lines) {
        const QString pid = line.section(' ', 0, 0);
        const QString file = line.section(' ', 1, 1);
        const QByteArray text =
            line.section(' ', 2).replace(QStringLiteral("\\0"), QString(QChar(0))).toUtf8();
        QVERIFY(Write(proc.filePath(file == QLatin1String("children")
                                        ? pid + "/task/" + pid + "/children"
                                        : pid + "/" + file),
                      text));
    }
    QVERIFY(Write(proc.filePath("1/task/9/children"), "5")); // a second thread of the program
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
