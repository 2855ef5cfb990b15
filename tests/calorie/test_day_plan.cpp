// The day's plan as text for a chat and as CSV for a spreadsheet.

#include "calorie/core/day_plan.h"

#include <QTest>

using namespace 方法_卡路里计算器;

namespace {

using Target = std::optional<double>;

// Lunch is empty; breakfast has a decimal energy and a food without a listed weight.
DayPlan Day(double total) {
    return {QDate(2026, 12, 13),
            {{"早餐", {{"米饭", 250, 290}, {"苹果", 100, 52.5}}},
             {"午餐", {}},
             {"晚餐", {{"鸡蛋", std::nullopt, 139}}}},
            total};
}

const QString Header = QStringLiteral("今日饮食计划（2026年12月13日 星期日）\n\n");
const QString Meals =
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
        << Day(481.5) << Target() << Header + Meals + "共摄入：481.5 大卡";
    QTest::newRow("what is left of the target")
        << Day(481.5) << Target(1261)
        << Header + Meals + "共摄入：481.5 大卡\n今日目标：1261 大卡，还可摄入 779.5 大卡";
    QTest::newRow("target reached exactly")
        << Day(481.5) << Target(481.5)
        << Header + Meals + "共摄入：481.5 大卡\n今日目标：481.5 大卡，还可摄入 0 大卡";
    QTest::newRow("target passed")
        << Day(481.5) << Target(400)
        << Header + Meals + "共摄入：481.5 大卡\n今日目标：400 大卡，超出 81.5 大卡";
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
}

void TestDayPlan::planCsv() {
    QFETCH(DayPlan, day);
    QFETCH(Target, target);
    QFETCH(QByteArray, csv);
    QCOMPARE(PlanCsv(day, target), csv);
}

QTEST_APPLESS_MAIN(TestDayPlan)
#include "test_day_plan.moc"
