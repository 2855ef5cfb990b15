#include "process/process_handle.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace {

// Without a process file descriptor: a child that ends at once is seen soon, one that runs on
// costs a look a second.
constexpr int FirstPollMs = 10;
constexpr int LongestPollMs = 1000;

// Together with the id, names one process for good: an id can be reused, not with the same start
// time. -1 where it cannot be read.
qint64 StartTime(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 19 ? fields[19].toLongLong() : -1;
}

int OpenProcessFd(qint64 pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
#else
    Q_UNUSED(pid);
    return -1;
#endif
}

} // namespace

ProcessHandle::ProcessHandle(QObject* parent, Notice notice) : QObject(parent), m_notice(notice) {}

ProcessHandle::~ProcessHandle() {
    blockSignals(true); // nobody hears of an end from a handle being deleted
    if (m_child) {
        Kill();
        ReapInBackground();
    }
    Release();
}

void ProcessHandle::Release() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater(); // may be in its own signal
        m_notifier = nullptr;
    }
    if (m_poll)
        m_poll->stop();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_pid = 0;
    m_start = -1;
    m_child = false;
}

void ProcessHandle::Hold(qint64 pid) {
    if (pid == m_pid && !m_child)
        return;
    ReapInBackground();
    Release();
    if (pid <= 0)
        return;
    m_start = StartTime(pid);
    if (m_notice == Notice::Best)
        m_fd = OpenProcessFd(pid);
    if (m_fd >= 0 && StartTime(pid) != m_start) { // died and replaced in between
        Release();
        return;
    }
    m_pid = pid;
}

void ProcessHandle::HoldChild(qint64 pid) {
    ReapInBackground();
    Release();
    if (pid <= 0)
        return;
    m_pid = pid;
    m_child = true;
    // A child's id is not reused before it is reaped: no start time to compare.
    if (m_notice == Notice::Best)
        m_fd = OpenProcessFd(pid);
    Follow();
}

void ProcessHandle::Kill() const {
    if (m_pid <= 0)
        return;
#ifdef SYS_pidfd_send_signal
    if (m_fd >= 0) {
        ::syscall(SYS_pidfd_send_signal, m_fd, SIGKILL, nullptr, 0);
        return;
    }
#endif
    if (m_child || (m_start >= 0 && StartTime(m_pid) == m_start))
        ::kill(static_cast<pid_t>(m_pid), SIGKILL);
}

// The descriptor turns readable when the process has ended; without one, polling.
void ProcessHandle::Follow() {
    if (m_fd >= 0) {
        m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            if (!Reap()) { // ended, yet not reapable yet: look again shortly
                m_notifier->setEnabled(false);
                m_pollMs = FirstPollMs;
                Poll();
            }
        });
        return;
    }
    m_pollMs = FirstPollMs / 2;
    Poll();
}

void ProcessHandle::Poll() {
    if (!m_poll) {
        m_poll = new QTimer(this);
        m_poll->setSingleShot(true);
        connect(m_poll, &QTimer::timeout, this, [this] {
            if (!Reap())
                Poll();
        });
    }
    m_pollMs = std::min(m_pollMs * 2, LongestPollMs);
    m_poll->start(m_pollMs);
}

// True once the child is gone: reaped here, or by someone else after all (status -1).
bool ProcessHandle::Reap() {
    int status = 0;
    pid_t reaped;
    while ((reaped = ::waitpid(static_cast<pid_t>(m_pid), &status, WNOHANG)) < 0 &&
           errno == EINTR) {
    }
    if (reaped == 0)
        return false;
    Release();
    Q_EMIT exited(reaped > 0 ? status : -1);
    return true;
}

// A child the handle lets go of is followed to its end by a handle of its own, which the
// application owns; without an application (it is being destroyed), the process's own end reaps
// what is left.
void ProcessHandle::ReapInBackground() {
    if (!m_child || m_pid <= 0 || Reap())
        return;
    QCoreApplication* application = QCoreApplication::instance();
    if (!application || parent() == application)
        return;
    auto* orphan = new ProcessHandle(application, m_notice);
    connect(orphan, &ProcessHandle::exited, orphan, &QObject::deleteLater);
    if (m_notifier) {
        delete m_notifier; // not from its own signal: the handle is letting go
        m_notifier = nullptr;
    }
    orphan->m_pid = std::exchange(m_pid, 0);
    orphan->m_fd = std::exchange(m_fd, -1);
    orphan->m_child = std::exchange(m_child, false);
    orphan->Follow();
}
