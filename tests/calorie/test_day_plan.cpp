// The day's model with its undo history, and its plan as text for a chat and as CSV for a
// spreadsheet.

#include "calorie/core/day_plan.h"

#include <QTest>

using namespace 方法_卡路里计算器;

namespace {

using Target = std::optional<double>;
using Grams = std::optional<double>;

// Lunch is empty; breakfast has a decimal energy and a food without a listed weight.
DayPlan Day(double total) {
    return {QDate(2026, 12, 13),
            {{"早餐", {{"米饭", 250, 290}, {"苹果", 100, 52.5}}},
             {"午餐", {}},
             {"晚餐", {{"鸡蛋", std::nullopt, 139}}}},
            total};
}

const QString Header = QStringLiteral("今日饮食计划（2026年12月13日 星期日）\n\n");
const QString MealLines =
    QStringLiteral("【早餐】342.5 大卡\n米饭 250克　290 大卡\n苹果 100克　52.5 大卡\n\n"
                   "【晚餐】139 大卡\n鸡蛋　139 大卡\n\n");
const QByteArray CsvHeader = "\xEF\xBB\xBF餐次,食物,重量（克）,热量（大卡）\r\n";
const QByteArray CsvFoods = "早餐,米饭,250,290\r\n早餐,苹果,100,52.5\r\n晚餐,鸡蛋,,139\r\n";

} // namespace

Q_DECLARE_METATYPE(DayPlan)
Q_DECLARE_METATYPE(Target)

class TestDayPlan : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void entries_data();
    void entries();
    void changes_data();
    void changes();
    void planText_data();
    void planText();
    void planCsv_data();
    void planCsv();
};

void TestDayPlan::planText_data() {
    QTest::addColumn<DayPlan>("day");
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty meals left out, no target")
        << Day(481.5) << Target() << Header + MealLines + "共摄入：481.5 大卡";
    QTest::newRow("what is left of the target")
        << Day(481.5) << Target(1261)
        << Header + MealLines + "共摄入：481.5 大卡\n今日目标：1261 大卡，还可摄入 779.5 大卡";
    QTest::newRow("target reached exactly")
        << Day(481.5) << Target(481.5)
        << Header + MealLines + "共摄入：481.5 大卡\n今日目标：481.5 大卡，还可摄入 0 大卡";
    QTest::newRow("target passed")
        << Day(481.5) << Target(400)
        << Header + MealLines + "共摄入：481.5 大卡\n今日目标：400 大卡，超出 81.5 大卡";
    QTest::newRow("nothing planned")
        << DayPlan{QDate(2026, 12, 9), {{"早餐", {}}}, 0} << Target(1500)
        << "今日饮食计划（2026年12月9日 星期三）\n\n还没有安排食物。\n\n共摄入：0 大卡\n"
           "今日目标：1500 大卡，还可摄入 1500 大卡";
}

void TestDayPlan::planText() {
    QFETCH(DayPlan, day);
    QFETCH(Target, target);
    QFETCH(QString, text);
    QCOMPARE(PlanText(day, target), text);
}

void TestDayPlan::planCsv_data() {
    QTest::addColumn<DayPlan>("day");
    QTest::addColumn<Target>("target");
    QTest::addColumn<QByteArray>("csv");
    QTest::newRow("no target") << Day(481.5) << Target()
                               << CsvHeader + CsvFoods + "合计,,,481.5\r\n";
    QTest::newRow("target left") << Day(481.5) << Target(1261)
                                 << CsvHeader + CsvFoods +
                                        "合计,,,481.5\r\n今日目标,,,1261\r\n还可摄入,,,779.5\r\n";
    QTest::newRow("target passed")
        << Day(481.5) << Target(400)
        << CsvHeader + CsvFoods + "合计,,,481.5\r\n今日目标,,,400\r\n超出,,,81.5\r\n";
    QTest::newRow("comma, quote and formula in names")
        << DayPlan{QDate(2026, 12, 9),
                   {{"早餐", {{"牛奶,全脂", 250, 135}, {"\"特仑苏\"", 250, 150}, {"=1+2", 1, 3}}}},
                   288}
        << Target()
        << CsvHeader + "早餐,\"牛奶,全脂\",250,135\r\n早餐,\"\"\"特仑苏\"\"\",250,150\r\n"
                       "早餐,'=1+2,1,3\r\n合计,,,288\r\n";
    QTest::newRow("apostrophes before a formula")
        << DayPlan{QDate(2026, 12, 9), {{"早餐", {{"'=已引", 1, 3}, {"'苹果", 1, 3}}}}, 6}
        << Target() << CsvHeader + "早餐,''=已引,1,3\r\n早餐,'苹果,1,3\r\n合计,,,6\r\n";
}

void TestDayPlan::planCsv() {
    QFETCH(DayPlan, day);
    QFETCH(Target, target);
    QFETCH(QByteArray, csv);
    QCOMPARE(PlanCsv(day, target), csv);
}

void TestDayPlan::entries_data() {
    QTest::addColumn<QStringList>("food"); // FoodHot, FoodQuantity
    QTest::addColumn<Grams>("typed");
    QTest::addColumn<QString>("text"); // none: not placed
    QTest::addColumn<Grams>("reweighedTo");
    QTest::addColumn<QString>("reweighed");
    QTest::newRow("listed quantity") << QStringList{"116", "100"} << Grams() << "116 大卡  米饭"
                                     << Grams(250) << "290 大卡  米饭 250克";
    QTest::newRow("weighed back to the listed quantity")
        << QStringList{"116", "100"} << Grams(250) << "290 大卡  米饭 250克" << Grams(100)
        << "116 大卡  米饭";
    QTest::newRow("listed energy kept unrounded")
        << QStringList{"12.5", "50"} << Grams() << "12.5 大卡  米饭" << Grams(75)
        << "19 大卡  米饭 75克"; // 18.75 rounds up
    QTest::newRow("no number to scale by")
        << QStringList{"139", "1个"} << Grams() << "139 大卡  米饭" << Grams(100) << QString();
    QTest::newRow("weight for a food without one")
        << QStringList{"139", "1个"} << Grams(100) << QString() << Grams() << QString();
    QTest::newRow("energy not a number")
        << QStringList{"abc", "100"} << Grams() << QString() << Grams() << QString();
    QTest::newRow("reweighed past 5000 g")
        << QStringList{"116", "100"} << Grams() << "116 大卡  米饭" << Grams(5000.5) << QString();
}

void TestDayPlan::entries() {
    QFETCH(QStringList, food);
    QFETCH(Grams, typed);
    QFETCH(QString, text);
    QFETCH(Grams, reweighedTo);
    QFETCH(QString, reweighed);
    const auto entry = EntryFor(QStringLiteral("米饭"), food[0], food[1], typed);
    QCOMPARE(entry ? EntryText(*entry) : QString(), text);
    if (!entry || !reweighedTo)
        return;
    const auto again = Reweighed(*entry, *reweighedTo);
    QCOMPARE(again ? EntryText(*again) : QString(), reweighed);
}

namespace {

FoodEntry Food(double kcal) {
    return {0, QStringLiteral("食物"), kcal, 100.0, 100.0, kcal, {}, 0};
}

} // namespace

// Steps: "+M:K" adds a food of K kcal to meal M, "-M:I" removes meal M's I-th food, "=M:I:K"
// reweighs it to K kcal, "u" undoes, "r" redoes, "!" makes the next keeping fail.
void TestDayPlan::changes_data() {
    QTest::addColumn<QString>("steps");
    QTest::addColumn<double>("total");
    QTest::addColumn<QList<double>>("breakfast");
    QTest::addColumn<int>("kept"); // changes handed to the keeper and kept
    QTest::newRow("adding never rounds, removing does")
        << "+0:12.5 +0:0.3 -0:1" << 12.5 << QList<double>{12.5} << 3;
    QTest::newRow("undo puts a removed food back in its place")
        << "+0:1 +0:2 +0:3 -0:1 u" << 6.0 << QList<double>{1, 2, 3} << 5;
    QTest::newRow("undo and redo of a reweighing")
        << "+0:116 =0:0:290 u r" << 290.0 << QList<double>{290} << 4;
    QTest::newRow("a new change drops the redo history")
        << "+0:1 u +0:2 r" << 2.0 << QList<double>{2} << 3;
    QTest::newRow("a change the keeper refuses changes nothing")
        << "+0:1 ! +0:2" << 1.0 << QList<double>{1} << 1;
    QTest::newRow("an undo the keeper refuses can be tried again")
        << "+0:1 ! u u" << 0.0 << QList<double>{} << 2;
    QTest::newRow("nothing to undo") << "u r" << 0.0 << QList<double>{} << 0;
}

void TestDayPlan::changes() {
    QFETCH(QString, steps);
    QFETCH(double, total);
    QFETCH(QList<double>, breakfast);
    QFETCH(int, kept);
    DayModel day;
    day.Reset(QDate(2026, 12, 9));
    bool refuse = false;
    int keptCount = 0;
    const DayModel::Keeper keep = [&](Change&) {
        const bool ok = !std::exchange(refuse, false);
        keptCount += ok;
        return ok;
    };
    for (const QString& step : steps.split(u' ')) {
        const QStringList parts = step.mid(1).split(u':');
        switch (step.front().unicode()) {
        case '+':
            day.Do(day.Adding(parts[0].toInt(), {Food(parts[1].toDouble())}), keep);
            break;
        case '-':
            day.Do(day.Removing(parts[0].toInt(), parts[1].toInt()), keep);
            break;
        case '=':
            day.Do(day.Reweighing(parts[0].toInt(), parts[1].toInt(), Food(parts[2].toDouble())),
                   keep);
            break;
        case 'u':
            day.Undo(keep);
            break;
        case 'r':
            day.Redo(keep);
            break;
        case '!':
            refuse = true;
            break;
        }
    }
    QCOMPARE(day.Total(), total);
    QList<double> energies;
    for (const FoodEntry& food : day.Foods(0))
        energies.append(food.kcal);
    QCOMPARE(energies, breakfast);
    QCOMPARE(keptCount, kept);
}

QTEST_APPLESS_MAIN(TestDayPlan)
#include "test_day_plan.moc"
