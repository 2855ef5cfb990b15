// Reports how fast the calorie window opens with 200 foods, how long one double-click takes to
// update the plan and the summary, and how long one keystroke in the find field takes to filter
// the list and repaint it, the first keystroke included, as medians of repeated runs. It
// measures, it does not judge:
//   QT_QPA_PLATFORM=offscreen build/tests/bench_calorie_window

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/food_table.h"
#include "calorie/food_search.h"
#include "food_fixtures.h"
#include "tests/activate_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
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

void WaitForPaint(PaintWatch& watch) {
    while (!watch.painted)
        QApplication::processEvents();
    watch.painted = false;
}

struct Keystrokes {
    double prepare = 0; // the idle reading of the foods' pinyin after the first paint, ms
    double repaint = 0; // the list repainted with nothing changed, us
    double first = 0;   // first keystroke: field opened, list filtered and repainted, us
    std::vector<double> later;
};

// Opens a window and lets its idle work run; then, with the window active and the list focused as
// a user meets it, types "xihongshi" into the food list.
Keystrokes Type(const FoodSlots& foods) {
    Keystrokes result;
    Form_卡路里计算器 window(foods);
    PaintWatch watch;
    QTreeWidget* list = window.ListView_食物列表();
    list->viewport()->installEventFilter(&watch);
    window.show();
    WaitForPaint(watch);
    QElapsedTimer idle;
    idle.start();
    while (!window.Search().IsPrepared())
        QApplication::processEvents();
    result.prepare = idle.nsecsElapsed() / 1e6;
    ActivateWindow(&window);
    if (!QTest::qWaitForWindowActive(&window))
        std::printf("  (the window did not become active)\n");
    list->setFocus();
    QApplication::processEvents();
    watch.painted = false;

    QElapsedTimer repaint;
    repaint.start();
    list->viewport()->update();
    WaitForPaint(watch);
    result.repaint = repaint.nsecsElapsed() / 1e3;

    const QString typed = QStringLiteral("xihongshi");
    for (int i = 0; i < typed.size(); ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(QApplication::focusWidget(), typed[i].toLatin1());
        WaitForPaint(watch);
        (i == 0 ? result.first : result.later.emplace_back()) = timer.nsecsElapsed() / 1e3;
    }
    if (!list->currentItem() || list->currentItem()->text(0) != QStringLiteral("番茄"))
        std::printf("  (the search did not find 番茄: the figures are wrong)\n");
    return result;
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

    // Typing needs real names: the foods the program ships with.
    FoodSlots shipped;
    自定义方法::LoadFoodTable(QStringLiteral(KORVELLA_FOOD_DB), shipped);
    // The first window of the process pays for compiling ICU's rules.
    const Keystrokes coldest = Type(shipped);
    std::vector<double> prepares;
    std::vector<double> repaints;
    std::vector<double> firsts;
    std::vector<double> laters;
    for (int i = 0; i < Runs; ++i) {
        const Keystrokes run = Type(shipped);
        prepares.push_back(run.prepare);
        repaints.push_back(run.repaint);
        firsts.push_back(run.first);
        laters.insert(laters.end(), run.later.begin(), run.later.end());
    }

    std::printf("calorie window, 200 foods, %d runs (%s platform)\n", Runs,
                qPrintable(QApplication::platformName()));
    std::printf("  creation to first paint: median %.2f ms (min %.2f, max %.2f)\n", Median(opens),
                *std::min_element(opens.begin(), opens.end()),
                *std::max_element(opens.begin(), opens.end()));
    std::printf("  one double-click, plan and summary: median %.1f us\n", Median(clicks));
    std::printf("  idle pinyin reading after the first paint: first window of the process %.1f ms, "
                "later windows median %.2f ms\n",
                coldest.prepare, Median(prepares));
    std::printf("  list repainted, nothing changed: median %.0f us\n", Median(repaints));
    std::printf("  first keystroke, field opened, list filtered and repainted: median %.0f us "
                "(min %.0f, max %.0f); first window of the process %.0f us\n",
                Median(firsts), *std::min_element(firsts.begin(), firsts.end()),
                *std::max_element(firsts.begin(), firsts.end()), coldest.first);
    std::printf("  later keystrokes, filtered and repainted: median %.0f us (max %.0f)\n",
                Median(laters), *std::max_element(laters.begin(), laters.end()));
    return 0;
}
