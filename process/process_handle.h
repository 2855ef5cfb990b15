#pragma once
// A process held so that it can be ended, and reaped when it is this program's own child, without
// the event loop ever waiting for it: a process that does not die at once (stuck in I/O on a
// stalled disk or network mount dies only when that I/O returns) holds up nothing. Its end is
// seen through a process file descriptor the event loop watches (Linux 5.3 and later), or else by
// asking the kernel, ever less often the longer it runs. A held id is never signalled once it may
// be another process's: the descriptor stays with its process, and without one the start time is
// compared again first.
//
// Qt Core alone, in a library of its own: the food reader and the advertisement module both
// link it, the module without the rest of the calorie core.

#include <QObject>

class QSocketNotifier;
class QTimer;

class ProcessHandle final : public QObject {
    Q_OBJECT

  public:
    // How a child's end is noticed: the best the kernel offers, or asking it now and then, as
    // where it has no process file descriptors (tests pick that one).
    enum class Notice { Best, Polling };

    explicit ProcessHandle(QObject* parent = nullptr, Notice notice = Notice::Best);
    ~ProcessHandle() override;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    // Holds pid, a process that someone else reaps (the browser engine's renderer): it is only
    // ever signalled. The pid already held changes nothing; 0 lets go.
    void Hold(qint64 pid);
    // Holds pid, a child of this process that nobody else reaps; exited follows its end.
    void HoldChild(qint64 pid);

    // SIGKILL, without waiting. A child is reaped all the same: by this handle, or after it is
    // deleted in the background, so that it never stays a zombie.
    void Kill() const;

  Q_SIGNALS:
    // The held child ended and was reaped; status as waitpid reports it.
    void exited(int status);

  private:
    void Release();
    void Follow();
    void Poll();
    bool Reap();
    void ReapInBackground();

    Notice m_notice;
    qint64 m_pid = 0;
    qint64 m_start = -1; // the process's start time, when it is not a child
    int m_fd = -1;
    bool m_child = false;
    int m_pollMs = 0;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_poll = nullptr;
};
