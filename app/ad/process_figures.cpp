#include "app/ad/process_figures.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace process_figures {
namespace {

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Tasks(const QString& proc, qint64 pid) {
    return QDir(QStringLiteral("%1/%2/task").arg(proc).arg(pid))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

// The number after "name:" in a file of lines such as /proc/PID/status, or -1.
qint64 Field(const QByteArray& text, const QByteArray& name) {
    for (const QByteArray& line : text.split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// Proportional where the process may be looked into, else private resident memory; -1: neither.
qint64 MemoryKb(const QString& proc, qint64 pid) {
    QFile rollup(QStringLiteral("%1/%2/smaps_rollup").arg(proc).arg(pid));
    if (rollup.open(QIODevice::ReadOnly))
        return Field(rollup.readAll(), "Pss:");
    return Field(Read(QStringLiteral("%1/%2/status").arg(proc).arg(pid)), "RssAnon:");
}

// The engine names its processes' tasks in their command line, which it rewrites as one line; the
// words are apart either way.
QByteArray CommandLine(const QString& proc, qint64 pid) {
    return Read(QStringLiteral("%1/%2/cmdline").arg(proc).arg(pid)).replace('\0', ' ');
}

// By the program's name, read from the command line: unlike the link to the executable, anyone
// may read that under the engine's sandbox.
bool IsEngineProcess(const QString& proc, qint64 pid) {
    const QByteArray line = CommandLine(proc, pid);
    const QByteArray program = line.left(line.indexOf(" --")).trimmed();
    return program.mid(program.lastIndexOf('/') + 1) == "QtWebEngineProcess";
}

} // namespace

QList<ThreadTimes> Threads(qint64 pid, const QString& proc) {
    QList<ThreadTimes> threads;
    if (pid <= 0)
        return threads;
    for (const QString& task : Tasks(proc, pid)) {
        const QList<QByteArray> ns =
            Read(QStringLiteral("%1/%2/task/%3/schedstat").arg(proc).arg(pid).arg(task)).split(' ');
        if (ns.size() >= 2)
            threads.append({task.toLongLong(), ns[0].toLongLong(), ns[1].toLongLong()});
    }
    if (!threads.isEmpty())
        return threads;
    // Without scheduler statistics: the time on a processor alone, the fields after the name.
    const QByteArray stat = Read(QStringLiteral("%1/%2/stat").arg(proc).arg(pid));
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() >= 13)
        threads.append({pid,
                        (fields[11].toLongLong() + fields[12].toLongLong()) * 1000000000 /
                            sysconf(_SC_CLK_TCK),
                        0});
    return threads;
}

PanelMemory MemoryOf(qint64 root, qint64 renderer, const QString& proc) {
    PanelMemory memory;
    QList<qint64> parents{root};
    while (!parents.isEmpty()) {
        const qint64 parent = parents.takeLast();
        for (const QString& task : Tasks(proc, parent)) {
            const QByteArray children =
                Read(QStringLiteral("%1/%2/task/%3/children").arg(proc).arg(parent).arg(task));
            for (const QByteArray& child : children.split(' ')) {
                const qint64 pid = child.toLongLong();
                if (pid <= 0 || !IsEngineProcess(proc, pid))
                    continue;
                parents.append(pid); // a zygote's renderers are its children
                if (pid != renderer && CommandLine(proc, pid).contains(" --type=renderer"))
                    continue;
                const qint64 kb = MemoryKb(proc, pid);
                if (kb < 0)
                    memory.unmeasured.append(pid);
                else
                    memory.kb += kb;
            }
        }
    }
    return memory;
}

} // namespace process_figures
