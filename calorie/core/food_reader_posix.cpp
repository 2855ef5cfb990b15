// The reader process on POSIX: posix_spawn starts korvella-food-reader with the write end of a
// pipe as its descriptor 3, and the event loop takes in what it sends. A spawned program starts
// with nothing of this process but that pipe: no thread, no lock, no other file or socket.

#include "calorie/core/food_reader.h"

#include "process/process_handle.h"

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace food_reader {
namespace {

// Starts program on path; its descriptor 3 is the pipe's write end, its standard streams are
// /dev/null (libmdb reports problems there; the program logs nothing). Returns the pid and the
// pipe's read end, non-blocking, or -1.
pid_t Spawn(const QString& program, const QString& path, int* out) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    fcntl(fds[1], F_SETFL, 0); // the reader writes blocking
    const QByteArray file = QFile::encodeName(program);
    const QByteArray database = QFile::encodeName(path);
    char* argv[] = {const_cast<char*>(file.constData()), const_cast<char*>(database.constData()),
                    nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 4);
    // Default dispositions and no blocked signal, whatever this process has set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    if (posix_spawn(&pid, file.constData(), &actions, &attributes, argv, environ) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (pid < 0)
        close(fds[0]);
    else
        *out = fds[0];
    return pid;
}

ChildEnd EndOf(int status) {
    if (status < 0)
        return ChildEnd::Failed; // reaped by someone else: nothing known
    if (WIFSIGNALED(status))
        return WTERMSIG(status) == SIGXCPU ? ChildEnd::OutOfProcessorTime : ChildEnd::Crashed;
    return WEXITSTATUS(status) == 0 ? ChildEnd::Finished : ChildEnd::Failed;
}

} // namespace

ReaderProcess::ReaderProcess(const QString& program, const QString& path,
                             std::chrono::milliseconds deadline, QObject* parent)
    : QObject(parent) {
    const pid_t pid = Spawn(program, path, &m_fd);
    if (pid < 0) {
        QMetaObject::invokeMethod(
            this, [this] { Finish(ChildEnd::NotStarted); }, Qt::QueuedConnection);
        return;
    }
    m_reader = new ProcessHandle(this);
    // Whatever it wrote before it ended is in the pipe by then.
    connect(m_reader, &ProcessHandle::exited, this, [this](int status) {
        Drain();
        Finish(EndOf(status));
    });
    m_reader->HoldChild(pid);
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ReaderProcess::Drain);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    m_deadline->setTimerType(Qt::PreciseTimer);
    connect(m_deadline, &QTimer::timeout, this, [this] { Finish(ChildEnd::PastDeadline); });
    m_deadline->start(deadline);
}

// A reader still running is killed; its handle reaps it, in the background once deleted.
ReaderProcess::~ReaderProcess() {
    if (m_fd >= 0)
        close(m_fd);
}

void ReaderProcess::Drain() {
    char buf[65536];
    while (m_fd >= 0 && !m_ended) {
        const ssize_t n = read(m_fd, buf, sizeof buf);
        if (n > 0) {
            m_data.append(buf, n);
            if (m_data.size() > MaxStreamBytes)
                return Finish(ChildEnd::SentTooMuch);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // End of file or an error: nothing more will come; the reader's end follows.
        m_notifier->setEnabled(false);
        close(m_fd);
        m_fd = -1;
    }
}

// Once; the reader, if still running, is killed and left to its handle.
void ReaderProcess::Finish(ChildEnd end) {
    if (std::exchange(m_ended, true))
        return;
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_deadline)
        m_deadline->stop();
    if (m_reader)
        m_reader->Kill();
    Q_EMIT ended(end);
}

} // namespace food_reader
