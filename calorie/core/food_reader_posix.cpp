// The reader process on POSIX: fork, read with libmdb in the child, rows back over a pipe.
// fork rather than spawning a helper program: the child needs only code already loaded, and no
// second executable has to sit beside the program. A lock another thread held at the moment of
// the fork stays held in the child; should libmdb need it, the deadline ends that case too.

#include "calorie/core/food_reader.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

namespace food_reader {
namespace {

using Clock = std::chrono::steady_clock;

// How much more address space than the program has the child may take: a damaged long-value
// chain grows memory without bound.
constexpr rlim_t ChildHeadroom = rlim_t(256) << 20;

// A sound read takes a few milliseconds of processor time; a reader that loops on a damaged file
// is ended by this, however long a busy machine makes it wait for the processor.
constexpr rlim_t ChildCpuSeconds = 1;

// The program's current address-space size, 0 when unknown (no limit is set then).
rlim_t CurrentAddressSpace() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return rlim_t(statm.readLine().split(' ').value(0).toULongLong()) *
           rlim_t(sysconf(_SC_PAGESIZE));
}

bool WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            return false;
        done += n > 0 ? size_t(n) : 0;
    }
    return true;
}

constexpr int ChildPipe = 3;

// Leaves the child the pipe as descriptor 3, /dev/null as its standard streams (libmdb reports
// problems there; the program logs nothing) and none of the program's other files and sockets,
// which a forked child would otherwise keep open, another reader's pipe among them.
void KeepOnly(int pipe) {
    const int moved = fcntl(pipe, F_DUPFD, ChildPipe); // clear of the standard streams
    const int null = open("/dev/null", O_RDWR);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO})
        dup2(null, fd);
    dup2(moved, ChildPipe);
    if (close_range(ChildPipe + 1, ~0U, 0) != 0)
        for (int fd = ChildPipe + 1; fd < 65536; ++fd)
            close(fd);
}

// The child: only libmdb and plain C++ from here on, never Qt, never back into the caller.
[[noreturn]] void RunChild(const std::string& path, int out, rlim_t addressLimit) {
    // Die of a fault at once, not in a handler the program or a sanitizer installed, and quietly.
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGXCPU})
        signal(sig, SIG_DFL);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlimit cpu{ChildCpuSeconds, ChildCpuSeconds + 1}; // SIGXCPU, then SIGKILL
    setrlimit(RLIMIT_CPU, &cpu);
    if (addressLimit != 0) {
        const rlimit space{addressLimit, addressLimit};
        setrlimit(RLIMIT_AS, &space);
    }
    KeepOnly(out);
    out = ChildPipe;
    bool ok = false;
    std::string pending; // rows go out in batches: a write per row costs as much as the read
    try {
        ok = ReadRows(path.c_str(), [out, &pending](const RawRow& row) {
            AppendRow(pending, row);
            if (pending.size() >= 16384 && !WriteAll(out, std::exchange(pending, {})))
                _exit(1);
        });
    } catch (...) { // std::bad_alloc under the address-space limit
    }
    _exit(ok && WriteAll(out, pending) ? 0 : 1);
}

// Reads until end of file (true), the deadline or the size bound.
bool Collect(int fd, Clock::time_point deadline, QByteArray* data) {
    char buf[65536];
    for (;;) {
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(left));
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno != EINTR)
            return false;
        if (n == 0)
            return true;
        if (n > 0)
            data->append(buf, n);
        if (data->size() > MaxStreamBytes)
            return false;
    }
}

// Reaps the child, killing it first if it has not ended by the deadline.
ChildEnd Reap(pid_t pid, Clock::time_point deadline) {
    int status = 0;
    pid_t r;
    for (;;) {
        r = waitpid(pid, &status, WNOHANG);
        if (r < 0 && errno == EINTR)
            continue;
        if (r != 0 || Clock::now() >= deadline)
            break;
        usleep(100); // it closed the pipe, so it is exiting
    }
    if (r == 0) {
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return ChildEnd::Killed;
    }
    if (r < 0)
        return ChildEnd::Failed;
    if (WIFSIGNALED(status))
        return WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL ? ChildEnd::Killed
                                                                          : ChildEnd::Crashed;
    return WEXITSTATUS(status) == 0 ? ChildEnd::Finished : ChildEnd::Failed;
}

} // namespace

IsolatedRead ReadRowsIsolated(const QString& path, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    const std::string native = QFile::encodeName(path).toStdString();
    const rlim_t current = CurrentAddressSpace();
    const rlim_t limit = current != 0 ? current + ChildHeadroom : 0;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        RunChild(native, fds[1], limit);
    }
    close(fds[1]);
    IsolatedRead result;
    if (pid < 0) {
        close(fds[0]);
        return result;
    }
    const bool complete = Collect(fds[0], end, &result.data);
    close(fds[0]);
    result.end = Reap(pid, complete ? end : Clock::now());
    return result;
}

} // namespace food_reader
