// A child held by a ProcessHandle is reaped by the event loop, with or without process file
// descriptors, and nothing waits for it: a killed child is still there when the call returns, and
// it, or one whose handle is deleted, is gone soon after.

#include "process/process_handle.h"

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

// Whether the child is gone for good: neither running nor a zombie. Looks without reaping it.
bool Reaped(pid_t pid) {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) < 0 &&
           errno == ECHILD;
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
    QTest::addColumn<Then>("then");
    QTest::addColumn<int>("status"); // as waitpid reports it: the exit code in the second byte
    for (const auto notice : {ProcessHandle::Notice::Best, ProcessHandle::Notice::Polling}) {
        const char* polling = notice == ProcessHandle::Notice::Polling ? ", polling" : "";
        QTest::addRow("exits 3%s", polling) << notice << Then::Waits << 0x300;
        QTest::addRow("killed%s", polling) << notice << Then::Kills << SIGKILL;
        QTest::addRow("handle deleted%s", polling) << notice << Then::Deletes << 0;
    }
}

void ProcessHandleTest::reapsWithoutWaiting() {
    QFETCH(ProcessHandle::Notice, notice);
    QFETCH(Then, then);
    QFETCH(int, status);
    const pid_t pid = Shell(then == Then::Waits ? "exit 3" : "exec sleep 60");
    QVERIFY(pid > 0);
    auto* handle = new ProcessHandle(nullptr, notice);
    QSignalSpy exited(handle, &ProcessHandle::exited);
    handle->HoldChild(pid);
    if (then == Then::Kills)
        handle->Kill();
    if (then == Then::Deletes)
        delete handle;
    // Killed, not waited for. (A deleted handle may find its child already dead and reap it at
    // once without waiting, so only a kept one is sure to leave it for the event loop.)
    if (then == Then::Kills)
        QVERIFY(QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
    if (then != Then::Deletes) {
        QTRY_COMPARE(exited.size(), 1);
        QCOMPARE(exited.constFirst().constFirst().toInt(), status);
        delete handle;
    }
    // Reaped by the handle, or in the background after it went: asked without reaping it here.
    QTRY_VERIFY(Reaped(pid));
}

QTEST_GUILESS_MAIN(ProcessHandleTest)
#include "test_process_handle.moc"
