// Reports how fast the calorie window opens with 200 foods and how long one double-click takes
// to update the plan and the summary, as medians of repeated runs. It measures, it does not judge:
//   QT_QPA_PLATFORM=offscreen build/tests/bench_calorie_window

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/food_table.h"
#include "food_fixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Counts paints of the window's last-drawn child, the food list.
class PaintWatch : public QObject {
  public:
    bool painted = false;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

double OpenMilliseconds(const FoodSlots& foods) {
    QElapsedTimer timer;
    timer.start();
    Form_卡路里计算器 window(foods);
    PaintWatch watch;
    window.ListView_食物列表()->viewport()->installEventFilter(&watch);
    window.show();
    while (!watch.painted)
        QApplication::processEvents();
    return timer.nsecsElapsed() / 1e6;
}

double DoubleClickMicroseconds(const FoodSlots& foods, int clicks) {
    Form_卡路里计算器 window(foods);
    window.TreeView_食物列表()->setCurrentItem(window.TreeView_食物列表()->topLevelItem(2));
    std::vector<double> times;
    for (int i = 0; i < clicks; ++i) {
        QTreeWidget* list = window.ListView_食物列表();
        list->setCurrentItem(list->topLevelItem(i % 200));
        QElapsedTimer timer;
        timer.start();
        方法_卡路里计算器::AddFoodToMeal(window);
        times.push_back(timer.nsecsElapsed() / 1e3);
    }
    return Median(times);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    FoodSlots foods;
    自定义方法::LoadFoodTable(fixtures::Write(dir, "foods.mdb", fixtures::Foods(200)), foods);

    constexpr int Runs = 21;
    OpenMilliseconds(foods); // warm caches: fonts, styles
    std::vector<double> opens;
    for (int i = 0; i < Runs; ++i)
        opens.push_back(OpenMilliseconds(foods));
    std::vector<double> clicks;
    for (int i = 0; i < Runs; ++i)
        clicks.push_back(DoubleClickMicroseconds(foods, 50));

    std::printf("calorie window, 200 foods, %d runs (%s platform)\n", Runs,
                qPrintable(QApplication::platformName()));
    std::printf("  creation to first paint: median %.2f ms (min %.2f, max %.2f)\n", Median(opens),
                *std::min_element(opens.begin(), opens.end()),
                *std::max_element(opens.begin(), opens.end()));
    std::printf("  one double-click, plan and summary: median %.1f us\n", Median(clicks));
    return 0;
}
