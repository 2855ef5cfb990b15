// Measures start-up from outside, the same way for the program and the baseline, on an X display
// without a window manager (Xvfb):
//   korvella-startup-probe ROUNDS PROGRAM BASELINE
// first frame: from spawn to the first damage of a mapped top-level window (painted and flushed);
// maps: top-level windows mapped; load: from spawn to the advertisement page's onload beacon
// (the page's load event, which loadFinished follows); PSS: summed over the whole process tree
// one second after the load. The program finds the local server through
// KORVELLA_FIXTURE_VENDOR_HOST. Prints each round, then the medians.

#include "http_server.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <random>
#include <signal.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

namespace {

struct Run {
    double firstFrameMs = -1;
    double loadMs = -1;
    int maps = 0;
    double pssMb = 0;
};

QList<int> Descendants(int root) {
    QHash<int, QList<int>> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool isPid = false;
        const int pid = entry.toInt(&isPid);
        if (!isPid)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        children[fields.value(1).toInt()].append(pid);
    }
    QList<int> tree{root};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.value(tree[i]);
    return tree;
}

double PssMb(const QList<int>& tree) {
    qint64 kb = 0;
    for (int pid : tree) {
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                kb += line.mid(4).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return kb / 1024.0;
}

class Probe {
  public:
    Probe() {
        m_x = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_x))
            qFatal("no X display");
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
        xcb_damage_query_version_reply_t* version =
            xcb_damage_query_version_reply(m_x, xcb_damage_query_version(m_x, 1, 1), nullptr);
        if (!version)
            qFatal("no DAMAGE extension");
        std::free(version);
        m_damageEvent = xcb_get_extension_data(m_x, &xcb_damage_id)->first_event;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_x, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_x);
        m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_x), QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { Pump(); });
        m_server.SetAnswer("/ad/201072836_1.html",
                           {200,
                            "<html><body style='margin:0' onload=\"fetch('/loaded')\">"
                            "<div style='height:95px;background:#fc9'>AD</div></body></html>",
                            "text/html", 0, false});
        m_server.SetAnswer("/loaded", {204, {}, "text/plain", 0, false});
        m_server.SetObserver([this](const QByteArray& path) {
            if (path == "/loaded" && m_run.loadMs < 0)
                m_run.loadMs = Now();
        });
    }

    Run Measure(const QString& program, bool waitForLoad) {
        m_run = {};
        m_mapped.clear();
        Pump();
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KORVELLA_FIXTURE_VENDOR_HOST"),
                           QString::fromLatin1(m_server.Host()));
        process.setProcessEnvironment(environment);
        process.setStandardErrorFile(QProcess::nullDevice());
        m_clock.start();
        process.start(program, {});
        process.waitForStarted();
        while (m_run.firstFrameMs < 0 && m_clock.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (waitForLoad) {
            while (m_run.loadMs < 0 && m_clock.elapsed() < 4500)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            QTest::qWait(static_cast<int>(std::min<qint64>(1000, 4800 - m_clock.elapsed())));
        } else {
            QTest::qWait(300);
        }
        Pump();
        const QList<int> tree = Descendants(static_cast<int>(process.processId()));
        m_run.pssMb = PssMb(tree);
        m_run.maps = static_cast<int>(m_mapped.size());
        for (int pid : tree)
            ::kill(pid, SIGKILL);
        process.waitForFinished();
        QTest::qWait(200); // let the display forget the windows
        Pump();
        return m_run;
    }

  private:
    double Now() const { return m_clock.nsecsElapsed() / 1e6; }

    void Pump() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_x)) {
            const int type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                if (created->parent == m_root)
                    xcb_damage_create(m_x, xcb_generate_id(m_x), created->window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            } else if (type == XCB_MAP_NOTIFY) {
                const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
                if (map->event == m_root && !map->override_redirect)
                    m_mapped.append(map->window);
            } else if (type == m_damageEvent + XCB_DAMAGE_NOTIFY) {
                const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
                if (m_run.firstFrameMs < 0 && m_mapped.contains(damage->drawable))
                    m_run.firstFrameMs = Now();
            }
            std::free(event);
        }
        xcb_flush(m_x);
    }

    xcb_connection_t* m_x;
    xcb_window_t m_root;
    std::uint8_t m_damageEvent;
    QSocketNotifier* m_notifier;
    HttpServer m_server;
    QElapsedTimer m_clock;
    Run m_run;
    QList<std::uint32_t> m_mapped;
};

double Median(QList<double> values) {
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    return n == 0 ? -1 : (values[(n - 1) / 2] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: korvella-startup-probe ROUNDS PROGRAM BASELINE\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    const QString program = QString::fromLocal8Bit(argv[2]);
    const QString baseline = QString::fromLocal8Bit(argv[3]);
    Probe probe;
    probe.Measure(program, true); // warm the caches
    probe.Measure(baseline, false);

    std::mt19937 shuffle(std::random_device{}());
    QList<double> ours, bare, ratio, load, pss, barePss;
    QList<int> maps;
    std::printf("round  order      program_ms  baseline_ms  ratio  load_ms  maps  pss_mb\n");
    for (int round = 1; round <= rounds; ++round) {
        const bool programFirst = shuffle() % 2 == 0;
        Run a, b;
        if (programFirst) {
            a = probe.Measure(program, true);
            b = probe.Measure(baseline, false);
        } else {
            b = probe.Measure(baseline, false);
            a = probe.Measure(program, true);
        }
        ours.append(a.firstFrameMs);
        bare.append(b.firstFrameMs);
        ratio.append(a.firstFrameMs / b.firstFrameMs);
        load.append(a.loadMs);
        pss.append(a.pssMb);
        barePss.append(b.pssMb);
        maps.append(a.maps);
        std::printf("%5d  %-9s  %10.1f  %11.1f  %5.2f  %7.1f  %4d  %6.1f\n", round,
                    programFirst ? "program" : "baseline", a.firstFrameMs, b.firstFrameMs,
                    ratio.last(), a.loadMs, a.maps, a.pssMb);
    }
    const int mapsMax = *std::max_element(maps.begin(), maps.end());
    const int mapsMin = *std::min_element(maps.begin(), maps.end());
    std::printf("\nmedians of %d shuffled paired rounds:\n", rounds);
    std::printf("  first frame, program:   %.1f ms\n", Median(ours));
    std::printf("  first frame, baseline:  %.1f ms\n", Median(bare));
    std::printf("  ratio (median of pairs): %.2f\n", Median(ratio));
    std::printf("  advertisement loaded:   %.1f ms\n", Median(load));
    std::printf("  main window mapped:     %d to %d times per run\n", mapsMin, mapsMax);
    std::printf("  PSS, process tree:      %.1f MB (baseline %.1f MB)\n", Median(pss),
                Median(barePss));
    return mapsMax == 1 && mapsMin == 1 ? 0 : 1;
}
