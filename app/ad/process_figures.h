#pragma once
// What the kernel tells of the browser engine's processes, read from /proc: how much each thread
// of the renderer wanted a processor, and how much memory the panel's processes hold. Qt Core
// alone; proc names the folder to read, so that tests can lay out one of their own.

#include <QList>
#include <QString>
#include <QStringList>

namespace process_figures {

// One thread's time since it started, in nanoseconds: on a processor, and runnable but waiting
// for one (zero where the kernel keeps no scheduler statistics).
struct ThreadTimes {
    qint64 tid = 0;
    qint64 runNs = 0;
    qint64 waitNs = 0;
};

// Every thread of pid; on a kernel without scheduler statistics a single entry with the
// process's processor time. Empty where nothing can be read.
QList<ThreadTimes> Threads(qint64 pid, const QString& proc = QStringLiteral("/proc"));

// The engine's processes below root (the program): the renderer and the services the engine
// runs apart, not another page's renderer nor the user's browser started from a link. Memory is
// the proportional set size where it may be read; under the engine's sandbox the processes may
// not be looked into, and their private resident memory, which anyone may read, stands in.
struct PanelMemory {
    qint64 kb = 0;
    QList<qint64> unmeasured; // the panel's processes whose memory could not be read at all
};
PanelMemory MemoryOf(qint64 root, qint64 renderer, const QString& proc = QStringLiteral("/proc"));

} // namespace process_figures
