#include "app/ad/page_watchdog.h"

#include <algorithm>

using process_figures::ThreadTimes;

bool PageWatchdog::Busy(const PageSample& sample) const {
    const double ns = double(sample.nowMs - m_sampledMs) * 1e6;
    double busiestThread = 0;
    double run = 0;
    for (const ThreadTimes& now : sample.threads) {
        // A thread that started since the last sample did all its work in between.
        const auto before = std::find_if(m_threads.begin(), m_threads.end(),
                                         [&now](const ThreadTimes& t) { return t.tid == now.tid; });
        const ThreadTimes was = before != m_threads.end() ? *before : ThreadTimes{};
        busiestThread =
            std::max(busiestThread, double(now.runNs + now.waitNs - was.runNs - was.waitNs) / ns);
        run += double(now.runNs - was.runNs) / ns;
    }
    return std::max(busiestThread, run) >= (sample.frozen ? FrozenShare : BusyShare);
}

PageVerdict PageWatchdog::Sample(const PageSample& sample) {
    // A new renderer starts afresh.
    const bool comparable = sample.renderer > 0 && sample.renderer == m_renderer &&
                            m_sampledMs >= 0 && sample.nowMs > m_sampledMs &&
                            !sample.threads.isEmpty() && !m_threads.isEmpty();
    if (!comparable || !Busy(sample))
        m_busySinceMs = -1;
    else if (m_busySinceMs < 0)
        m_busySinceMs = m_sampledMs;
    // A frozen page has answered before it was frozen.
    if (sample.renderer != m_renderer || sample.renderer <= 0 || sample.frozen || m_answeredMs < 0)
        m_answeredMs = sample.nowMs;
    m_renderer = sample.renderer;
    m_sampledMs = sample.nowMs;
    m_threads = sample.threads;

    if (sample.nowMs - m_answeredMs >= AnswerMs)
        return {true, QStringLiteral("no answer for %1 s").arg(AnswerMs / 1000)};
    if (m_busySinceMs >= 0 && sample.nowMs - m_busySinceMs >= BusyMs)
        return {true, QStringLiteral("kept a core busy for %1 s%2")
                          .arg(BusyMs / 1000)
                          .arg(sample.frozen ? QStringLiteral(" while frozen") : QString())};
    if (const qint64 mb = sample.memory.kb / 1024; mb > MemoryCeilingMb)
        return {true,
                QStringLiteral("processes at %1 MB, above %2 MB").arg(mb).arg(MemoryCeilingMb)};
    if (!sample.memory.unmeasured.isEmpty() && !m_memoryNoted) {
        m_memoryNoted = true;
        QStringList pids;
        for (const qint64 pid : sample.memory.unmeasured)
            pids.append(QString::number(pid));
        return {false,
                QStringLiteral("the memory ceiling cannot be kept: no figures for process ") +
                    pids.join(QStringLiteral(", "))};
    }
    return {};
}

PageVerdict PageWatchdog::DialogAsked(qint64 nowMs) {
    m_dialogsMs.append(nowMs);
    while (nowMs - m_dialogsMs.constFirst() >= DialogWindowMs)
        m_dialogsMs.removeFirst();
    if (m_dialogsMs.size() <= DialogLimit)
        return {};
    return {true, QStringLiteral("asked for %1 dialogs within %2 s")
                      .arg(m_dialogsMs.size())
                      .arg(DialogWindowMs / 1000)};
}
