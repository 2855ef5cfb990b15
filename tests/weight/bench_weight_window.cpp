// Reports, with five years of daily weighings, how long the weight log takes to open (to the
// chart's first paint), to repaint its chart (all of it and the last 90 days) and to work out
// the trend of its 1,826 days, as medians of repeated runs. Budgets: open under 50 ms, a repaint
// under 8 ms, the trend under 1 ms. It measures, it does not judge:
//   QT_QPA_PLATFORM=offscreen build/tests/bench_weight_window [PNG]
// With a path, a picture of the window is kept there to look at.

#include "weight/weight_chart.h"
#include "weight/weight_window.h"

#include "tests/bench_helpers.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTabWidget>
#include <QtMath>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace 方法_体重记录;

namespace {

// A slow loss with a kilogram of daily noise, and a diary day every other day.
class FiveYears final : public WeightBook {
  public:
    QList<Weighing> Weighings() const override {
        QList<Weighing> weighings;
        const QDate first = QDate::currentDate().addDays(-1825);
        for (int day = 0; day < 1826; ++day)
            weighings.append(
                {first.addDays(day),
                 std::round((95 - day * 0.012 + std::sin(day * 1.7) * 0.6) * 10) / 10});
        return weighings;
    }
    std::optional<double> Goal() const override { return 70; }
    bool Keep(const WeighingChange&) override { return true; }
    bool KeepGoal(std::optional<double>) override { return true; }
    QString Problem() const override { return {}; }
    std::optional<QList<DayKcal>> DailyIntake() const override {
        QList<DayKcal> days;
        for (int day = 0; day < 400; day += 2)
            days.append({QDate::currentDate().addDays(-day), double(1500 + (day * 37) % 900)});
        return days;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<double> open;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer timer;
        timer.start();
        Form_体重记录 window(std::make_unique<FiveYears>(), nullptr);
        PaintWatch watch;
        window.Chart()->installEventFilter(&watch);
        window.show();
        while (!watch.painted)
            QApplication::processEvents();
        open.push_back(timer.nsecsElapsed() / 1e6);
    }

    Form_体重记录 window(std::make_unique<FiveYears>(), nullptr);
    window.show();
    QApplication::processEvents();
    auto repaint = [&window](const QString& range) {
        for (auto* button : window.findChildren<QPushButton*>())
            if (button->text() == range)
                button->click();
        std::vector<double> times;
        for (int run = 0; run < 50; ++run) {
            QElapsedTimer timer;
            timer.start();
            window.Chart()->repaint();
            times.push_back(timer.nsecsElapsed() / 1e6);
        }
        return Median(times);
    };
    const double all = repaint(QStringLiteral("全部"));
    const double recent = repaint(QStringLiteral("90天"));

    const QList<Weighing> weighings = FiveYears().Weighings();
    std::vector<double> trend;
    for (int run = 0; run < 200; ++run) {
        QElapsedTimer timer;
        timer.start();
        const Trend worked = TrendOf(weighings);
        trend.push_back(timer.nsecsElapsed() / 1e6);
        if (worked.values.size() != 1826)
            return 1;
    }
    std::printf("open with 1826 weighings: %.2f ms\n", Median(open));
    std::printf("chart repaint, all days: %.2f ms; last 90 days: %.2f ms\n", all, recent);
    std::printf("trend of 1826 days: %.3f ms\n", Median(trend));

    if (argc > 1) {
        window.grab().save(QString::fromLocal8Bit(argv[1]));
        repaint(QStringLiteral("全部"));
        window.grab().save(QString::fromLocal8Bit(argv[1]).replace(QStringLiteral(".png"),
                                                                   QStringLiteral("-all.png")));
        window.Views()->setCurrentIndex(1);
        window.grab().save(QString::fromLocal8Bit(argv[1]).replace(QStringLiteral(".png"),
                                                                   QStringLiteral("-intake.png")));
    }
    return 0;
}
