// A child held by a ProcessHandle is reaped by the event loop, with or without process file
// descriptors, and nothing waits for it: a killed child, or one whose handle is deleted, is still
// there when the call returns and gone soon after.

#include "calorie/core/process_handle.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

Q_DECLARE_METATYPE(ProcessHandle::Notice)

namespace {

enum class Then { Waits, Kills, Deletes };

pid_t Shell(const char* script) {
    char sh[] = "sh";
    char dashC[] = "-c";
    char* argv[] = {sh, dashC, const_cast<char*>(script), nullptr};
    pid_t pid = -1;
    return posix_spawnp(&pid, "sh", nullptr, nullptr, argv, environ) == 0 ? pid : -1;
}

bool Reaped(pid_t pid) {
    return waitpid(pid, nullptr, WNOHANG) < 0 && errno == ECHILD;
}

} // namespace

Q_DECLARE_METATYPE(Then)

class ProcessHandleTest : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void reapsWithoutWaiting_data();
    void reapsWithoutWaiting();
};

void ProcessHandleTest::reapsWithoutWaiting_data() {
    QTest::addColumn<ProcessHandle::Notice>("notice");
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<Then>("then");
    QTest::addColumn<int>("status"); // as waitpid reports it; -1: not heard of
    const auto best = ProcessHandle::Notice::Best;
    const auto polling = ProcessHandle::Notice::Polling;
    QTest::newRow("exits 0") << best << QByteArray("exit 0") << Then::Waits << 0;
    // The exit code in the second byte.
    QTest::newRow("exits 3") << best << QByteArray("exit 3") << Then::Waits << 0x300;
    QTest::newRow("exits 3, polling") << polling << QByteArray("exit 3") << Then::Waits << 0x300;
    QTest::newRow("killed") << best << QByteArray("exec sleep 60") << Then::Kills << SIGKILL;
    QTest::newRow("killed, polling")
        << polling << QByteArray("exec sleep 60") << Then::Kills << SIGKILL;
    QTest::newRow("handle deleted") << best << QByteArray("exec sleep 60") << Then::Deletes << -1;
    QTest::newRow("handle deleted, polling")
        << polling << QByteArray("exec sleep 60") << Then::Deletes << -1;
}

void ProcessHandleTest::reapsWithoutWaiting() {
    QFETCH(ProcessHandle::Notice, notice);
    QFETCH(QByteArray, script);
    QFETCH(Then, then);
    QFETCH(int, status);
    const pid_t pid = Shell(script.constData());
    QVERIFY(pid > 0);
    auto* handle = new ProcessHandle(nullptr, notice);
    QSignalSpy exited(handle, &ProcessHandle::exited);
    handle->HoldChild(pid);
    if (then == Then::Kills)
        handle->Kill();
    if (then == Then::Deletes)
        delete handle;
    if (then != Then::Waits) // killed, not waited for
        QVERIFY(QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
    if (then == Then::Deletes) {
        QTRY_VERIFY(Reaped(pid));
        return;
    }
    QTRY_COMPARE(exited.size(), 1);
    QCOMPARE(exited.constFirst().constFirst().toInt(), status);
    QVERIFY(Reaped(pid));
    delete handle;
}

QTEST_GUILESS_MAIN(ProcessHandleTest)
#include "test_process_handle.moc"
