// The day's model with its undo history, and its plan as text for a chat and as CSV for a
// spreadsheet.

#include "calorie/core/day_plan.h"
#include "calorie/core/nutrients.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
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
const QByteArray CsvHeader =
    "\xEF\xBB\xBF餐次,食物,重量（克）,热量（大卡）,蛋白质（克）,脂肪（克）,碳水化合物（克）\r\n";
const QByteArray CsvFoods =
    "早餐,米饭,250,290,,,\r\n早餐,苹果,100,52.5,,,\r\n晚餐,鸡蛋,,139,,,\r\n";

// The same day with the rice's and the egg's nutrients; the apple has none.
DayPlan WithNutrients() {
    DayPlan day = Day(481.5);
    day.meals[0].foods[0].macros = Macros{6.5, 0.7, 64.7};
    day.meals[2].foods[0].macros = Macros{12.6, 9.5, 0.7};
    return day;
}

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
    void nutrientTable_data();
    void nutrientTable();
    void nutrientSums_data();
    void nutrientSums();
    void goals_data();
    void goals();
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
    // 19.1 g protein is 76.4 kcal of 481.5, 16 %.
    QTest::newRow("with nutrients")
        << WithNutrients() << Target()
        << Header +
               "【早餐】342.5 大卡\n"
               "米饭 250克　290 大卡　蛋白质 6.5 克，脂肪 0.7 克，碳水化合物 64.7 克\n"
               "苹果 100克　52.5 大卡\n\n【晚餐】139 大卡\n"
               "鸡蛋　139 大卡　蛋白质 12.6 克，脂肪 9.5 克，碳水化合物 0.7 克\n\n"
               "共摄入：481.5 大卡\n"
               "营养素：蛋白质 19.1 克（16%），脂肪 10.2 克（19%），碳水化合物 65.4 克（54%）\n"
               "1 种食物没有营养素数据";
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
                               << CsvHeader + CsvFoods + "合计,,,481.5,,,\r\n";
    QTest::newRow("target left")
        << Day(481.5) << Target(1261)
        << CsvHeader + CsvFoods + "合计,,,481.5,,,\r\n今日目标,,,1261\r\n还可摄入,,,779.5\r\n";
    QTest::newRow("target passed")
        << Day(481.5) << Target(400)
        << CsvHeader + CsvFoods + "合计,,,481.5,,,\r\n今日目标,,,400\r\n超出,,,81.5\r\n";
    QTest::newRow("nutrients, empty cells for a food without")
        << WithNutrients() << Target()
        << CsvHeader + "早餐,米饭,250,290,6.5,0.7,64.7\r\n早餐,苹果,100,52.5,,,\r\n"
                       "晚餐,鸡蛋,,139,12.6,9.5,0.7\r\n合计,,,481.5,19.1,10.2,65.4\r\n";
    QTest::newRow("comma, quote and formula in names")
        << DayPlan{QDate(2026, 12, 9),
                   {{"早餐", {{"牛奶,全脂", 250, 135}, {"\"特仑苏\"", 250, 150}, {"=1+2", 1, 3}}}},
                   288}
        << Target()
        << CsvHeader + "早餐,\"牛奶,全脂\",250,135,,,\r\n早餐,\"\"\"特仑苏\"\"\",250,150,,,\r\n"
                       "早餐,'=1+2,1,3,,,\r\n合计,,,288,,,\r\n";
    QTest::newRow("apostrophes before a formula")
        << DayPlan{QDate(2026, 12, 9), {{"早餐", {{"'=已引", 1, 3}, {"'苹果", 1, 3}}}}, 6}
        << Target() << CsvHeader + "早餐,''=已引,1,3,,,\r\n早餐,'苹果,1,3,,,\r\n合计,,,6,,,\r\n";
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
    const auto entry = EntryFor(QStringLiteral("米饭"), food[0], food[1], typed, Macros{10, 1, 20});
    QCOMPARE(entry ? EntryText(*entry) : QString(), text);
    if (!entry || !reweighedTo)
        return;
    const auto again = Reweighed(*entry, *reweighedTo);
    QCOMPARE(again ? EntryText(*again) : QString(), reweighed);
    // The nutrients follow the weight: 10 g of protein in every 100 g.
    if (again)
        QCOMPARE(EntryMacros(*again).value_or(Macros{}).protein, *reweighedTo / 10);
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

namespace {

const QByteArray NutrientHeader = "FoodName,Protein,Fat,Carbohydrate,Source,Record,Note\n";

} // namespace

// Each row of the table is taken whole or left out; the food names what was taken.
void TestDayPlan::nutrientTable_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("taken"); // "name protein fat carbohydrate source record"
    QTest::addColumn<bool>("problem");
    QTest::newRow("sound rows, byte-order mark, CR LF, a note with a comma")
        << "\xEF\xBB\xBF" + NutrientHeader.chopped(1) +
               "\r\n米饭,2.36,0.19,28.73,USDA SR28,20453,\r\n"
               "豆腐,8.5,3.4,\"2.5\",TW FDA,D0100101,\"loose, pressed\"\r\n"
        << QStringList{"米饭 2.36 0.19 28.73 USDA SR28 20453", "豆腐 8.5 3.4 2.5 TW FDA D0100101"}
        << false;
    QTest::newRow("damaged rows left out, not half read")
        << NutrientHeader + "米饭,2.36,,28.73,USDA SR28,20453,\n"
                            "苹果,-1,0.17,13.81,USDA SR28,09003,\n"
                            "鸡蛋,12.6,9.5,0.7,USDA SR28,,\n"
                            "牛肉,20,5,0,Somewhere,1,\n"
                            "猪油,0,100.5,0,USDA SR28,04002,\n"
                            "糖,0,0,99.9,USDA SR28,19335\n"
                            "面粉,50,30,30,TW FDA,A01,\n"
                            "番茄,0.88,0.2,3.89,USDA SR28,11529,\n"
        << QStringList{"番茄 0.88 0.2 3.89 USDA SR28 11529"} << true;
    QTest::newRow("a food listed twice has neither row")
        << NutrientHeader + "米饭,2.36,0.19,28.73,USDA SR28,20453,\n"
                            "米饭,2.6,0.3,25.9,TW FDA,A0500101,\n"
        << QStringList{} << true;
    QTest::newRow("another header takes nothing")
        << QByteArray("Name,Protein,Fat,Carbohydrate,Source,Record,Note\n"
                      "米饭,2.36,0.19,28.73,USDA SR28,20453,\n")
        << QStringList{} << true;
    QTest::newRow("no file") << QByteArray("none") << QStringList{} << true;
}

void TestDayPlan::nutrientTable() {
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, taken);
    QFETCH(bool, problem);
    const NutrientRead read = ParseNutrients(csv == "none" ? QByteArray() : csv);
    QStringList rows;
    for (auto it = read.table.cbegin(); it != read.table.cend(); ++it)
        rows << QStringLiteral("%1 %2 %3 %4 %5 %6")
                    .arg(it.key())
                    .arg(it->per100g.protein)
                    .arg(it->per100g.fat)
                    .arg(it->per100g.carbohydrate)
                    .arg(it->source, it->record);
    rows.sort();
    taken.sort();
    QCOMPARE(rows, taken);
    QCOMPARE(!read.problem.isEmpty(), problem);

    // From a file, what was not taken is said in one line of the food log.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FoodNutrients.csv"));
    QFile file(path);
    if (csv != "none")
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(csv) == csv.size());
    file.close();
    if (problem)
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression("^" + QRegularExpression::escape(path) + ": .+"));
    QCOMPARE(ReadNutrients(path).size(), taken.size());
}

namespace {

using Entries = QList<FoodEntry>;
// kcal at 100 g listed; grams placed; protein, fat, carbohydrate per 100 g, or none.
FoodEntry Eaten(double kcal, std::optional<double> grams, std::optional<Macros> per100g) {
    return {0,      QStringLiteral("食物"),
            kcal,   grams ? std::optional(100.0) : std::nullopt,
            grams,  grams ? kcal * *grams / 100 : kcal,
            {},     0,
            per100g};
}

} // namespace

void TestDayPlan::nutrientSums_data() {
    QTest::addColumn<Entries>("foods");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("missing");
    QTest::newRow("shares of the energy the foods give")
        << Entries{Eaten(400, 100, Macros{25, 20, 25})}
        << "全天：蛋白质 25 克（25%），脂肪 20 克（45%），碳水化合物 25 克（25%）" << QString();
    QTest::newRow("foods without nutrients are counted, not taken as 0")
        << Entries{Eaten(52, 200, Macros{0.3, 0.2, 13.8}), Eaten(139, 100, std::nullopt),
                   Eaten(139, std::nullopt, Macros{12.6, 9.5, 0.7})}
        << "全天：蛋白质 0.6 克（1%），脂肪 0.4 克（1%），碳水化合物 27.6 克（29%）"
        << "2 种食物没有营养素数据";
    QTest::newRow("no food with nutrients: dashes, not 0")
        << Entries{Eaten(139, 100, std::nullopt)} << "全天：蛋白质 —，脂肪 —，碳水化合物 —"
        << "1 种食物没有营养素数据";
    QTest::newRow("no energy, no shares")
        << Entries{Eaten(0, 100, Macros{0, 0, 0})}
        << "全天：蛋白质 0 克，脂肪 0 克，碳水化合物 0 克" << QString();
}

void TestDayPlan::nutrientSums() {
    QFETCH(Entries, foods);
    QFETCH(QString, text);
    QFETCH(QString, missing);
    DayMeals day;
    // The day's sum is the meals' sums added: split the foods over two meals.
    for (qsizetype i = 0; i < foods.size(); ++i)
        day[i % 2 ? 4 : 0].append(foods[i]);
    const NutrientSum sum = SumOf(day);
    QCOMPARE(SumText(QStringLiteral("全天"), sum), text);
    QCOMPARE(MissingText(sum.missing), missing);
    QCOMPARE(SumText(QStringLiteral("全天"), SumOf(foods)), text);
}

Q_DECLARE_METATYPE(MacroGoals)

namespace {

std::optional<MacroGoal> G(double grams) {
    return MacroGoal{grams, GoalUnit::Grams};
}
std::optional<MacroGoal> P(double percent) {
    return MacroGoal{percent, GoalUnit::Percent};
}

} // namespace

void TestDayPlan::goals_data() {
    QTest::addColumn<MacroGoals>("goals");
    QTest::addColumn<Target>("target");
    QTest::addColumn<QString>("problem");
    QTest::addColumn<QStringList>("lines"); // with 60 g protein, 50 g fat, 200 g carbohydrate eaten
    QTest::newRow("percents of the target, one passed")
        << MacroGoals{{}, P(25), P(50)} << Target(1800) << QString()
        << QStringList{"脂肪目标 50 克，还可摄入 0 克", "碳水化合物目标 225 克，还可摄入 25 克"};
    QTest::newRow("500 g, the most") << MacroGoals{{}, {}, G(500)} << Target() << QString()
                                     << QStringList{"碳水化合物目标 500 克，还可摄入 300 克"};
    QTest::newRow("percents up to 100")
        << MacroGoals{P(30), P(30), P(40)} << Target(1500) << QString()
        << QStringList{"蛋白质目标 112.5 克，还可摄入 52.5 克", "脂肪目标 50 克，还可摄入 0 克",
                       "碳水化合物目标 150 克，超出 50 克"};
    QTest::newRow("above 500 g") << MacroGoals{G(500.5), {}, {}} << Target()
                                 << "蛋白质目标应在 0 到 500 克之间" << QStringList{};
    QTest::newRow("below 0") << MacroGoals{{}, G(-1), {}} << Target()
                             << "脂肪目标应在 0 到 500 克之间" << QStringList{};
    QTest::newRow("percents above 100") << MacroGoals{P(30), P(30), P(41)} << Target(1500)
                                        << "营养素目标的百分比加起来不能超过 100%" << QStringList{};
    QTest::newRow("a percent giving more than 500 g")
        << MacroGoals{{}, {}, P(60)} << Target(6000) << "碳水化合物目标应在 0 到 500 克之间"
        << QStringList{};
    QTest::newRow("a percent without a target")
        << MacroGoals{P(20), {}, {}} << Target() << "按百分比设定营养素目标，需要先有每日目标"
        << QStringList{};
}

void TestDayPlan::goals() {
    QFETCH(MacroGoals, goals);
    QFETCH(Target, target);
    QFETCH(QString, problem);
    QFETCH(QStringList, lines);
    const std::optional<int> kcal = target ? std::optional(int(*target)) : std::nullopt;
    QCOMPARE(GoalsProblem(goals, kcal), problem);
    if (problem.isEmpty())
        QCOMPARE(GoalLines(goals, kcal, Macros{60, 50, 200}), lines);
}

QTEST_APPLESS_MAIN(TestDayPlan)
#include "test_day_plan.moc"
