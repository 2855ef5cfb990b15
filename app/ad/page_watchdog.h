#pragma once
// The watchdog that stops a page which keeps a core busy, stops answering, asks for dialog after
// dialog or grows its processes past a ceiling: a plain state machine, told once a second what
// the page did and asked for a verdict. It reads no clock and no process of its own.

#include "app/ad/process_figures.h"

#include <QList>
#include <QString>

// What the panel sees once a second.
struct PageSample {
    qint64 nowMs = 0;                            // on a monotonic clock
    qint64 renderer = 0;                         // its process id, 0 while it has none
    QList<process_figures::ThreadTimes> threads; // the renderer's, as read now
    process_figures::PanelMemory memory;
    bool frozen = false; // the page's lifecycle is frozen (the main window is hidden)
};

struct PageVerdict {
    bool stop = false;
    QString why; // why it is stopped, or, once, what cannot be watched
};

class PageWatchdog {
  public:
    // A renderer wants a core when one of its threads was running or waiting to run for this
    // share of the time, or its threads together ran for this share of one core's time, for
    // this long. Waiting counts, so that a busy machine does not hide a spinning page; it counts
    // per thread, so that an animated page whose many threads each wait a little on a busy
    // machine does not add up to a spinning one. A frozen page should want next to nothing.
    static constexpr double BusyShare = 0.8;
    static constexpr double FrozenShare = 0.25;
    static constexpr qint64 BusyMs = 5000;
    // A page that has not answered a trivial script for this long is stopped.
    static constexpr qint64 AnswerMs = 5000;
    // A banner has no reason to ask for more dialogs than this within this time; each one costs a
    // round trip through the program even though none is shown.
    static constexpr int DialogLimit = 5;
    static constexpr qint64 DialogWindowMs = 10000;
    // The panel's processes stay below this together; with a banner they take about 70 MB.
    static constexpr qint64 MemoryCeilingMb = 400;

    PageVerdict Sample(const PageSample& sample);
    PageVerdict DialogAsked(qint64 nowMs);
    // The page ran the trivial script the panel asked it to.
    void Answered(qint64 nowMs) { m_answeredMs = nowMs; }
    // Thawed: a frozen page could not answer, by design; its clock starts afresh.
    void Thawed(qint64 nowMs) { m_answeredMs = nowMs; }

  private:
    bool Busy(const PageSample& sample) const;

    qint64 m_renderer = 0;
    qint64 m_sampledMs = -1;
    QList<process_figures::ThreadTimes> m_threads;
    qint64 m_busySinceMs = -1;
    qint64 m_answeredMs = -1;
    bool m_memoryNoted = false;
    QList<qint64> m_dialogsMs;
};
