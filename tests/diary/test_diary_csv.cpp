// The whole diary's CSV: what it writes, that it reads it back to the same bytes, and which rows
// of a file it refuses.

#include "diary/diary_csv.h"

#include <QTest>

using namespace 方法_卡路里计算器;
using 方法_体重记录::Weighing;

namespace {

FoodEntry Food(const QString& name, double listedKcal, std::optional<double> quantity,
               std::optional<double> grams, double kcal,
               std::optional<Macros> per100g = std::nullopt) {
    return {0, name, listedKcal, quantity, grams, kcal, {}, 0, per100g};
}

DayMeals Day(int meal, const QList<FoodEntry>& foods, DayMeals meals = {}) {
    meals[meal] = foods;
    return meals;
}

QString Number(std::optional<double> x) {
    return x ? QString::number(*x, 'g', 17) : QStringLiteral("-");
}

QString Describe(const FoodEntry& food) {
    const auto& m = food.per100g;
    return food.name + u' ' + Number(food.listedKcal) + u'/' + Number(food.quantity) + u' ' +
           Number(food.grams) + u' ' + Number(food.kcal) +
           (m ? u' ' + Number(m->protein) + u':' + Number(m->fat) + u':' + Number(m->carbohydrate)
              : QString()) +
           (food.portion.isEmpty() ? QString() : u' ' + Number(food.portionCount) + food.portion);
}

// A line for each entry, saved meal food, weighing and the goal, every digit of each number.
QStringList Describe(const DiaryContents& contents) {
    QStringList lines;
    for (const DiaryDay& day : contents.days) {
        for (int meal = 0; meal < MealCount; ++meal) {
            for (const FoodEntry& food : day.meals[meal])
                lines << day.date.toString(Qt::ISODate) + u' ' + Meals[meal] + u' ' +
                             Describe(food);
        }
    }
    for (const SavedMeal& meal : contents.savedMeals) {
        lines << "常用餐 " + meal.name;
        for (const FoodEntry& food : meal.foods)
            lines << "  " + Describe(food);
    }
    for (const Weighing& weighing : contents.weighings)
        lines << "体重 " + weighing.day.toString(Qt::ISODate) + u' ' + Number(weighing.kg);
    if (contents.goalKg)
        lines << "目标体重 " + Number(contents.goalKg);
    return lines;
}

// The table before the nutrients, still read.
const QByteArray Header = "类型,日期,餐次/常用餐名,食物,标示热量（大卡）,标示重量（克）,重量（克）,"
                          "热量（大卡）,体重（公斤）\r\n";
const QByteArray NutrientHeader =
    Header.chopped(2) + ",蛋白质（克/100克）,脂肪（克/100克）,碳水化合物（克/100克）\r\n";
const QByteArray PortionHeader = NutrientHeader.chopped(2) + ",份量,份量数\r\n";
const QByteArray FirstHeader = "日期,餐次,食物,重量（克）,热量（大卡）\r\n";
const QByteArray GoodDay = "餐单,2024-03-01,早餐,苹果,52,100,100,52,\r\n";

} // namespace

Q_DECLARE_METATYPE(DiaryContents)

class TestDiaryCsv : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void parse_data();
    void parse();
};

void TestDiaryCsv::roundTrip_data() {
    QTest::addColumn<DiaryContents>("contents");
    QTest::addColumn<QByteArray>("csv");
    const QDate march1(2024, 3, 1);
    DiaryContents all;
    all.days = {
        {march1, Day(0, {Food("米饭", 116, 100, 250, 290, Macros{2.36, 0.19, 28.73})},
                     Day(2, {Food("黄油", 888, 100, 5000, 44400)},
                         Day(4, {Food("包子", 139.5, {}, {}, 139.5)})))},
        {march1.addDays(1), Day(0, {Food("'=已引", 52, 100, 100, 52)},
                                Day(2, {{0, "米饭", 116, 100, 300, 348, "碗", 2}},
                                    Day(5, {Food("面,\"条\"\n汤", 110, 100, 0.5, 0.55)})))}};
    const QList<FoodEntry> breakfast{Food("牛奶", 54, 100, 100, 54, Macros{3.3, 3.6, 5}),
                                     Food("@豆浆", 16, 100, 250, 40)};
    all.savedMeals = {{0, "早饭", breakfast}, {0, "空餐", {}}};
    all.weighings = {{march1, 72.5}, {march1.addDays(2), 72.25}};
    all.goalKg = 65;
    QTest::newRow("everything")
        << all
        << "\xEF\xBB\xBF" + PortionHeader +
               "餐单,2024-03-01,早餐,米饭,116,100,250,290,,2.36,0.19,28.73,,\r\n"
               "餐单,2024-03-01,午餐,黄油,888,100,5000,44400,,,,,,\r\n"
               "餐单,2024-03-01,晚餐,包子,139.5,,,139.5,,,,,,\r\n"
               "餐单,2024-03-02,早餐,''=已引,52,100,100,52,,,,,,\r\n"
               "餐单,2024-03-02,午餐,米饭,116,100,300,348,,,,,碗,2\r\n"
               "餐单,2024-03-02,晚上加餐,\"面,\"\"条\"\"\n汤\",110,100,0.5,0.55,,,,,,\r\n"
               "常用餐,,早饭,牛奶,54,100,100,54,,3.3,3.6,5,,\r\n"
               "常用餐,,早饭,'@豆浆,16,100,250,40,,,,,,\r\n"
               "常用餐,,空餐,,,,,,,,,,,\r\n"
               "体重,2024-03-01,,,,,,,72.5,,,,,\r\n"
               "体重,2024-03-03,,,,,,,72.25,,,,,\r\n"
               "目标体重,,,,,,,,65,,,,,\r\n";
    QTest::newRow("nothing") << DiaryContents() << "\xEF\xBB\xBF" + PortionHeader;
}

void TestDiaryCsv::roundTrip() {
    QFETCH(DiaryContents, contents);
    QFETCH(QByteArray, csv);
    QCOMPARE(QString::fromUtf8(DiaryCsv(contents)), QString::fromUtf8(csv)); // readable when wrong
    const ParsedDiary parsed = ParseDiaryCsv(csv);
    QCOMPARE(parsed.failure, QString());
    QCOMPARE(parsed.refused, 0);
    QCOMPARE(Describe(parsed.contents), Describe(contents));
    QCOMPARE(DiaryCsv(parsed.contents), csv);
}

void TestDiaryCsv::parse_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QStringList>("read");
    QTest::addColumn<int>("refused");
    QTest::addColumn<QStringList>("reasons");
    QTest::newRow("first diaries' table, LF line ends")
        << FirstHeader + "2024-03-04,午餐,米饭,250,290\n2024-03-04,晚上加餐,'=1+1,,30\n"
        << QStringList{"2024-03-04 午餐 米饭 290/250 250 290", "2024-03-04 晚上加餐 =1+1 30/- - 30"}
        << 0 << QStringList();
    QTest::newRow("a row cut short refuses its day")
        << Header + GoodDay + "餐单,2024-03-01,午餐,米饭\r\n"
        << QStringList() << 2
        << QStringList{"第 3 行：应有 9 列，这一行有 4 列（2024-03-01 这一天没有导入）"};
    QTest::newRow("a saved meal with a bad food")
        << Header + "常用餐,,早饭,牛奶,54,100,100,54,\r\n常用餐,,早饭,油条,386,100,,386,\r\n"
                    "常用餐,,午饭,米饭,116,100,100,116,\r\n"
        << QStringList{"常用餐 午饭", "  米饭 116/100 100 116"} << 2
        << QStringList{"第 3 行：食物“油条”的热量或重量不合理（常用餐“早饭”没有导入）"};
    QTest::newRow("weighings and goals")
        << Header + "体重,2024-03-02,,,,,,,1e300\r\n体重,2024-03-02,,,,,,,70.125\r\n"
                    "体重,2024-03-02,,,,,,,70\r\n体重,2024-03-01,,,,,,,71\r\n"
                    "体重,2024-03-02,,,,,,,69\r\n目标体重,,,,,,,,\r\n目标体重,,,,,,,,60\r\n"
                    "目标体重,,,,,,,,61\r\n"
        << QStringList{"体重 2024-03-01 71", "体重 2024-03-02 70", "目标体重 60"} << 5
        << QStringList{"第 2 行：体重 1e300 公斤不合理，应在 20 到 300 之间，最多两位小数",
                       "第 3 行：体重 70.125 公斤不合理，应在 20 到 300 之间，最多两位小数",
                       "第 6 行：这一天在前面的行里已有体重", "第 7 行：没有目标体重",
                       "第 9 行：前面的行里已有目标体重"};
    QTest::newRow("nutrients out of range")
        << NutrientHeader + "餐单,2024-03-01,早餐,米饭,116,100,250,290,,60,30,20\r\n"
        << QStringList() << 1
        << QStringList{"第 2 行：食物“米饭”的营养素不合理，每100克应在 0 到 100 克之间"
                       "（2024-03-01 这一天没有导入）"};
    QTest::newRow("nutrients, one missing")
        << NutrientHeader + "常用餐,,早饭,米饭,116,100,250,290,,2.36,,28.73\r\n"
        << QStringList() << 1
        << QStringList{"第 2 行：蛋白质、脂肪和碳水化合物应一起填写（常用餐“早饭”没有导入）"};
    QTest::newRow("nutrients not numbers")
        << NutrientHeader + "餐单,2024-03-01,早餐,米饭,116,100,250,290,,2.36,少,28.73\r\n"
        << QStringList() << 1
        << QStringList{"第 2 行：营养素“少”不是数字（2024-03-01 这一天没有导入）"};
}

void TestDiaryCsv::parse() {
    QFETCH(QByteArray, csv);
    QFETCH(QStringList, read);
    QFETCH(int, refused);
    QFETCH(QStringList, reasons);
    const ParsedDiary parsed = ParseDiaryCsv(csv);
    QCOMPARE(parsed.failure, QString());
    QCOMPARE(Describe(parsed.contents), read);
    QCOMPARE(parsed.refused, refused);
    QCOMPARE(parsed.reasons, reasons);
}

QTEST_APPLESS_MAIN(TestDiaryCsv)
#include "test_diary_csv.moc"
