// Reports how fast the calorie window opens with 200 foods, without and with a daily target in
// the header, how long one double-click takes to update the plan and the summary, how long one
// keystroke in the find field takes to filter the list and repaint it, the first keystroke
// included and a weight typed after the food, and how long a full day takes to export as PDF, as
// medians of repeated runs. Budgets: first paint under 20 ms, a keystroke under 2 ms, the export
// under 300 ms. With 2,000 own foods and 200 dishes after the shipped ones: the first paint, the
// keystrokes, and an own food made and edited in its dialog, from OK to the list showing it
// (budgets 20 ms, 2 ms, 5 ms). The day's nutrients worked out and shown anew with 60 foods, as
// after each change with "显示营养素" on (budget 1 ms), and the first paint with it on. With a
// diary of five years (1,826 days of 15 entries): the first paint with the diary on, another day
// shown, and a change saved and shown (budgets 20 ms, 10 ms, 5 ms). It measures, it does not judge:
//   QT_QPA_PLATFORM=offscreen build/tests/bench_calorie_window [PDF]
// With a path, the full day's PDF is kept there to look at.

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/daily_target.h"
#include "calorie/core/food_table.h"
#include "calorie/diary.h"
#include "calorie/food_search.h"
#include "calorie/own_foods.h"
#include "calorie/plan_out.h"
#include "diary/diary_store.h"
#include "food_fixtures.h"
#include "tests/activate_window.h"
#include "tests/bench_helpers.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using 方法_卡路里计算器::OwnFoodShelf;
using 方法_卡路里计算器::ShelfInMemory;

// 2,000 own foods and 200 dishes of three ingredients each.
ShelfInMemory ManyOwnFoods() {
    ShelfInMemory shelf;
    for (int i = 1; i <= 2200; ++i) {
        方法_卡路里计算器::OwnFood food;
        food.dish = i > 2000;
        food.name = (food.dish ? QStringLiteral("家常菜%1") : QStringLiteral("自建食品%1")).arg(i);
        food.alias = QStringLiteral("别名%1").arg(i);
        food.kcalPer100g = 50 + i % 400;
        if (food.dish)
            food.ingredients = {{"米饭", 116, 200}, {"猪肉", 395, 100}, {"花生油", 899, 10}};
        shelf.Keep(food);
    }
    return shelf;
}

std::unique_ptr<OwnFoodShelf> Shelf(const ShelfInMemory* own) {
    return own ? std::make_unique<ShelfInMemory>(*own) : std::make_unique<ShelfInMemory>();
}

double Max(const std::vector<double>& values) {
    return *std::max_element(values.begin(), values.end());
}

// "  what: median M ms (max X)", the line most figures take.
void PrintMs(const char* what, const std::vector<double>& ms) {
    std::printf("  %s: median %.2f ms (max %.2f)\n", what, Median(ms), Max(ms));
}

void WaitForPaint(PaintWatch& watch) {
    while (!watch.painted)
        QApplication::processEvents();
    watch.painted = false;
}

double OpenMilliseconds(const FoodSlots& foods, const ShelfInMemory* own = nullptr,
                        const 方法_卡路里计算器::NutrientTable& nutrients = {}) {
    QElapsedTimer timer;
    timer.start();
    Form_卡路里计算器 window(foods, nutrients, Shelf(own)); // reads the kept target, if any
    PaintWatch watch;
    window.ListView_食物列表()->viewport()->installEventFilter(&watch);
    window.show();
    WaitForPaint(watch);
    return timer.nsecsElapsed() / 1e6;
}

std::vector<double> Opens(int runs, const FoodSlots& foods, const ShelfInMemory* own = nullptr,
                          const 方法_卡路里计算器::NutrientTable& nutrients = {}) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(OpenMilliseconds(foods, own, nutrients));
    return times;
}

struct Keystrokes {
    double prepare = 0; // the idle reading of the foods' pinyin after the first paint, ms
    double repaint = 0; // the list repainted with nothing changed, us
    double first = 0;   // first keystroke: field opened, list filtered and repainted, us
    std::vector<double> later;
};

// Opens a window and lets its idle work run; then, with the window active and the list focused as
// a user meets it, types into the food list.
Keystrokes Type(const FoodSlots& foods, const QString& typed, const QString& found,
                const ShelfInMemory* own = nullptr) {
    Keystrokes result;
    Form_卡路里计算器 window(foods, Shelf(own));
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

    for (int i = 0; i < typed.size(); ++i) {
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(QApplication::focusWidget(), typed[i].toLatin1());
        WaitForPaint(watch);
        (i == 0 ? result.first : result.later.emplace_back()) = timer.nsecsElapsed() / 1e3;
    }
    if (!list->currentItem() || list->currentItem()->text(0) != found)
        std::printf("  (the search did not find %s: the figures are wrong)\n", qPrintable(found));
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

// Fills the six meals with count foods, every step-th of the list.
void Plan(Form_卡路里计算器& window, int count, int step) {
    QTreeWidget* tree = window.TreeView_食物列表();
    QTreeWidget* list = window.ListView_食物列表();
    for (int i = 0; i < count; ++i) {
        tree->setCurrentItem(tree->topLevelItem(i / (count / 6)));
        list->setCurrentItem(list->topLevelItem(i * step));
        方法_卡路里计算器::AddFoodToMeal(window);
    }
}

// A full day, five foods in each of the six meals, exported as PDF: from reading the meal tree to
// the file in place.
std::vector<double> ExportMilliseconds(const FoodSlots& foods, const QString& path, int runs) {
    Form_卡路里计算器 window(foods);
    Plan(window, 30, 6);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const auto day = 方法_卡路里计算器::PlanOf(window.Day());
        if (方法_卡路里计算器::WritePlan(day, 1800.0, path, 方法_卡路里计算器::PlanFormat::Pdf))
            std::printf("  (the export failed: the figures are wrong)\n");
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    return times;
}

// An own food made, then edited, in its dialog: OK pressed to the list showing it, in ms.
std::pair<double, double> MakeAndEditMilliseconds(const FoodSlots& foods, const ShelfInMemory& own,
                                                  int round) {
    Form_卡路里计算器 window(foods, Shelf(&own));
    window.show();
    double made = 0;
    double edited = 0;
    const auto answer = [](const QString& name, const QString& kcal, double& took) {
        QTimer::singleShot(0, [=, &took] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialog->findChild<QLineEdit*>(QStringLiteral("Text_名称"))->setText(name);
            dialog->findChild<QLineEdit*>(QStringLiteral("Text_能量"))->setText(kcal);
            QElapsedTimer timer;
            timer.start();
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
            took = timer.nsecsElapsed() / 1e6;
            if (dialog->isVisible()) {
                took = -1;
                dialog->reject();
            }
        });
    };
    answer(QStringLiteral("新食物%1").arg(round), QStringLiteral("120"), made);
    方法_卡路里计算器::NewOwnFood(window);
    answer(QStringLiteral("新食物%1").arg(round), QStringLiteral("130"), edited);
    方法_卡路里计算器::EditOwnFood(window); // the new food is selected
    return {made, edited};
}

// Sixty of the shipped foods in the day, "显示营养素" on, then the day's nutrients anew each run:
// the sums, the label's text and the room it takes.
double NutrientMicroseconds(const FoodSlots& foods,
                            const 方法_卡路里计算器::NutrientTable& nutrients, int runs) {
    Form_卡路里计算器 window(foods, nutrients);
    window.ShowNutrientsAction()->setChecked(true);
    window.show();
    Plan(window, 60, 3);
    if (方法_卡路里计算器::SumOf(window.Day().AllMeals()).missing == 60)
        std::printf("  (no food had nutrients: the figures are wrong)\n");
    std::vector<double> shown;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        方法_卡路里计算器::ShowNutrients(window);
        shown.push_back(timer.nsecsElapsed() / 1e3);
    }
    window.ShowNutrientsAction()->setChecked(false);
    return Median(shown);
}

// Five years of days up to today, fifteen foods each, in one transaction; the diary on.
bool FillDiary() {
    方法_卡路里计算器::DiaryStore store;
    if (store.Create() != 方法_卡路里计算器::DiaryStore::State::Open ||
        !store.Settings().SetDiaryOn(true))
        return false;
    方法_卡路里计算器::DiaryContents contents;
    const QDate today = QDate::currentDate();
    for (int day = 1825; day >= 0; --day) {
        方法_卡路里计算器::DiaryDay planned{today.addDays(-day), {}};
        for (int food = 0; food < 15; ++food)
            planned.meals[food % 6] << 方法_卡路里计算器::FoodEntry{
                0, QStringLiteral("米饭"), 116, 100, 250, 290, {}, 0};
        contents.days << planned;
    }
    return store.Import(contents).daysAdded == 1826;
}

} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir config; // a target and a diary kept here, never in the user's own folders
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    qputenv("XDG_DATA_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    QTemporaryDir dir;
    FoodSlots foods;
    自定义方法::LoadFoodTable(fixtures::Write(dir, "foods.mdb", fixtures::Foods(200)), foods);

    constexpr int Runs = 21;
    OpenMilliseconds(foods); // warm caches: fonts, styles
    const std::vector<double> opens = Opens(Runs, foods);
    方法_卡路里计算器::SaveTarget(1261);
    const std::vector<double> targetOpens = Opens(Runs, foods);
    方法_卡路里计算器::ClearTarget();
    std::vector<double> clicks;
    for (int i = 0; i < Runs; ++i)
        clicks.push_back(DoubleClickMicroseconds(foods, 50));

    // Typing needs real names: the foods the program ships with.
    FoodSlots shipped;
    自定义方法::LoadFoodTable(QStringLiteral(KORVELLA_FOOD_DB), shipped);
    // The first window of the process pays for compiling ICU's rules.
    const Keystrokes coldest = Type(shipped, QStringLiteral("xihongshi"), QStringLiteral("番茄"));
    std::vector<double> prepares;
    std::vector<double> repaints;
    std::vector<double> firsts;
    std::vector<double> laters;
    std::vector<double> weighed; // the blank and the digits of "mifan 250"
    for (int i = 0; i < Runs; ++i) {
        const Keystrokes run = Type(shipped, QStringLiteral("xihongshi"), QStringLiteral("番茄"));
        prepares.push_back(run.prepare);
        repaints.push_back(run.repaint);
        firsts.push_back(run.first);
        laters.insert(laters.end(), run.later.begin(), run.later.end());
        const Keystrokes portion =
            Type(shipped, QStringLiteral("mifan 250"), QStringLiteral("米饭"));
        weighed.insert(weighed.end(), portion.later.end() - 4, portion.later.end());
    }

    std::printf("calorie window, 200 foods, %d runs (%s platform)\n", Runs,
                qPrintable(QApplication::platformName()));
    std::printf("  creation to first paint: median %.2f ms (min %.2f, max %.2f)\n", Median(opens),
                *std::min_element(opens.begin(), opens.end()), Max(opens));
    PrintMs("creation to first paint, target in the header", targetOpens);
    std::printf("  one double-click, plan and summary: median %.1f us\n", Median(clicks));
    std::printf("  idle pinyin reading after the first paint: first window of the process %.1f ms, "
                "later windows median %.2f ms\n",
                coldest.prepare, Median(prepares));
    std::printf("  list repainted, nothing changed: median %.0f us\n", Median(repaints));
    std::printf("  first keystroke, field opened, list filtered and repainted: median %.0f us "
                "(min %.0f, max %.0f); first window of the process %.0f us\n",
                Median(firsts), *std::min_element(firsts.begin(), firsts.end()), Max(firsts),
                coldest.first);
    std::printf("  later keystrokes, filtered and repainted: median %.0f us (max %.0f)\n",
                Median(laters), Max(laters));
    std::printf(
        "  keystrokes of a weight after the food (\"mifan 250\"): median %.0f us (max %.0f)\n",
        Median(weighed), Max(weighed));

    const ShelfInMemory own = ManyOwnFoods();
    std::vector<double> ownOpens;
    std::vector<double> ownFirsts;
    std::vector<double> ownLaters;
    std::vector<double> makes;
    std::vector<double> edits;
    for (int i = 0; i < Runs; ++i) {
        ownOpens.push_back(OpenMilliseconds(shipped, &own));
        const Keystrokes run =
            Type(shipped, QStringLiteral("xihongshi"), QStringLiteral("番茄"), &own);
        ownFirsts.push_back(run.first);
        ownLaters.insert(ownLaters.end(), run.later.begin(), run.later.end());
        const auto [made, edited] = MakeAndEditMilliseconds(shipped, own, i);
        makes.push_back(made);
        edits.push_back(edited);
    }
    std::printf("with 2000 own foods and 200 dishes\n");
    PrintMs("creation to first paint", ownOpens);
    std::printf("  first keystroke: median %.0f us (max %.0f); later keystrokes: median %.0f us "
                "(max %.0f)\n",
                Median(ownFirsts), Max(ownFirsts), Median(ownLaters), Max(ownLaters));
    std::printf("  an own food made, OK to shown: median %.2f ms (max %.2f); edited: median %.2f "
                "ms (max %.2f)\n",
                Median(makes), Max(makes), Median(edits), Max(edits));

    const QString pdf = argc > 1 ? QFile::decodeName(argv[1]) : dir.filePath("day.pdf");
    const std::vector<double> exports = ExportMilliseconds(shipped, pdf, Runs + 1);
    std::printf("  full day as PDF (6 meals, 30 foods): first %.1f ms, later median %.1f ms "
                "(max %.1f)\n",
                exports.front(), Median({exports.begin() + 1, exports.end()}),
                *std::max_element(exports.begin() + 1, exports.end()));

    const auto nutrients = 方法_卡路里计算器::ReadNutrients(
        QFileInfo(QStringLiteral(KORVELLA_FOOD_DB)).absolutePath() + "/FoodNutrients.csv");
    std::printf("  the day's nutrients anew, 60 foods: median %.1f us\n",
                NutrientMicroseconds(shipped, nutrients, Runs));
    方法_卡路里计算器::SaveShowNutrients(true);
    const std::vector<double> nutrientOpens = Opens(Runs, shipped, nullptr, nutrients);
    方法_卡路里计算器::SaveShowNutrients(false);
    PrintMs("creation to first paint, shipped foods, nutrients shown", nutrientOpens);
    if (!FillDiary()) {
        std::printf("  the diary could not be made\n");
        return 1;
    }
    const std::vector<double> diaryOpens = Opens(Runs, foods);
    Form_卡路里计算器 window(foods);
    window.show();
    std::vector<double> days;
    std::vector<double> changes;
    const auto entry = 方法_卡路里计算器::EntryFor(QStringLiteral("米饭"), QStringLiteral("116"),
                                                   QStringLiteral("100"), 250.0);
    for (int i = 1; i <= Runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        方法_卡路里计算器::ShowDate(window, QDate::currentDate().addDays(-i * 80));
        QApplication::processEvents();
        days.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        方法_卡路里计算器::Do(window, window.Day().Adding(i % 6, {*entry}));
        QApplication::processEvents();
        changes.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::printf("diary of 1826 days, 15 entries a day, on\n");
    PrintMs("creation to first paint", diaryOpens);
    PrintMs("another day shown", days);
    PrintMs("a food added, committed and shown", changes);
    return 0;
}
