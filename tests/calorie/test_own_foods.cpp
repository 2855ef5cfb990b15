// The user's own foods, dishes and named portions: the label's energy as it is kept, the names
// refused, a portion typed after a food, the dish's arithmetic.

#include "calorie/core/dish.h"
#include "calorie/core/named_portion.h"
#include "calorie/core/own_food.h"
#include "calorie/core/own_food_csv.h"
#include "calorie/core/portion.h"

#include <QTest>

using namespace 方法_卡路里计算器;

class TestOwnFoods : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void labelEnergy_data();
    void labelEnergy();
    void labelMacros_data();
    void labelMacros();
    void names_data();
    void names();
    void countedPortion_data();
    void countedPortion();
    void portionRefusal_data();
    void portionRefusal();
    void dish_data();
    void dish();
    void csvRoundTrip();
    void csvRefusals_data();
    void csvRefusals();
};

void TestOwnFoods::labelEnergy_data() {
    QTest::addColumn<QString>("amount");
    QTest::addColumn<bool>("kilojoules");
    QTest::addColumn<QString>("serving"); // empty: per 100 g
    QTest::addColumn<int>("kcal");        // 0: refused
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("perServing"); // the label's basis; per 100 g a serving is optional
    const QString serve = "每份重量为 1–5000 克。";
    QTest::newRow("yoghurt, 330 kJ: 78.87") << "330" << true << "" << 79 << "" << false;
    QTest::newRow("full-width digits") << "３３０" << true << "" << 79 << "" << false;
    QTest::newRow("grouped thousands, 1234 kJ: 294.93")
        << "1,234" << true << "" << 295 << "" << false;
    QTest::newRow("decimal point") << "12.5" << false << "" << 12 << "" << false; // 12.5 to even
    QTest::newRow("per serving of 25 g, 500 kJ: 478.01")
        << "500" << true << "25" << 478 << "" << true;
    QTest::newRow("per serving of 250 g, 180 kcal")
        << "180" << false << "２５０" << 72 << "" << true;
    QTest::newRow("3765 kJ: 899.86, kept") << "3765" << true << "" << 900 << "" << false;
    QTest::newRow("3768 kJ: 900.57, refused")
        << "3768" << true << "" << 0 << "每100克的能量不能超过 900 大卡（纯脂肪的能量）。" << false;
    QTest::newRow("full-width decimal comma")
        << "３，５" << false << "" << 0 << "小数请用小数点，例如 3.5，不要写成 3,5。" << false;
    QTest::newRow("not a number") << "约50" << false << "" << 0 << "能量请填写数字，例如 330。"
                                  << false;
    QTest::newRow("zero") << "0" << false << "" << 0 << "能量必须大于 0。" << false;
    QTest::newRow("serving of 5001 g") << "180" << false << "5001" << 0 << serve << true;
    QTest::newRow("serving of 5000 g") << "5000" << false << "5000" << 100 << "" << true;
    QTest::newRow("per 100 g with a serving's weight")
        << "52" << false << "150" << 52 << "" << false;
    QTest::newRow("per 100 g with a serving of 0 g") << "52" << false << "0" << 0 << serve << false;
    QTest::newRow("serving not given") << "180" << false << " " << 0 << serve << true;
}

void TestOwnFoods::labelEnergy() {
    QFETCH(QString, amount);
    QFETCH(bool, kilojoules);
    QFETCH(QString, serving);
    QFETCH(int, kcal);
    QFETCH(QString, refusal);
    QFETCH(bool, perServing);
    const KeptEnergy kept =
        KeptEnergyOf({amount, kilojoules ? EnergyUnit::Kilojoule : EnergyUnit::Kcal,
                      perServing ? EnergyBasis::PerServing : EnergyBasis::Per100g, serving});
    QCOMPARE(kept.kcalPer100g.value_or(0), kcal);
    QCOMPARE(kept.refusal, refusal);
    const QString grams = serving.normalized(QString::NormalizationForm_KC).trimmed();
    QCOMPARE(kept.servingGrams.value_or(0), kcal ? grams.toDouble() : 0.0);
}

void TestOwnFoods::labelMacros_data() {
    QTest::addColumn<QStringList>("typed"); // protein, fat, carbohydrate
    QTest::addColumn<double>("serving");    // 0: per 100 g
    QTest::addColumn<QString>("kept");      // per 100 g, empty: none
    QTest::addColumn<QString>("refusal");
    const QString tooMuch = "每100克的蛋白质、脂肪和碳水化合物加起来不能超过 100 克。";
    QTest::newRow("yoghurt per 100 g")
        << QStringList{"3.1", "２.７", "12.4"} << 0.0 << "3.1 2.7 12.4"
        << "";
    QTest::newRow("per serving of 125 g, to one decimal")
        << QStringList{"3.9", "3.4", "15.5"} << 125.0 << "3.1 2.7 12.4"
        << "";
    QTest::newRow("none") << QStringList{"", " ", ""} << 0.0 << ""
                          << "";
    QTest::newRow("two of three") << QStringList{"3.1", "", "12.4"} << 0.0 << ""
                                  << "蛋白质、脂肪和碳水化合物请都填写，或者都不填。";
    QTest::newRow("negative") << QStringList{"3.1", "-1", "12.4"} << 0.0 << ""
                              << "脂肪不能小于 0。";
    QTest::newRow("not a number") << QStringList{"3.1", "2.7", "少许"} << 0.0 << ""
                                  << "碳水化合物请填写数字，例如 3.5。";
    QTest::newRow("decimal comma") << QStringList{"3,1", "2.7", "12.4"} << 0.0 << ""
                                   << "小数请用小数点，例如 3.5，不要写成 3,5。";
    QTest::newRow("60 g in a serving of 50 g") << QStringList{"60", "0", "0"} << 50.0 << ""
                                               << "每100克的蛋白质不能超过 100 克。";
    QTest::newRow("110 g together") << QStringList{"60", "30", "20"} << 0.0 << "" << tooMuch;
}

void TestOwnFoods::labelMacros() {
    QFETCH(QStringList, typed);
    QFETCH(double, serving);
    QFETCH(QString, kept);
    QFETCH(QString, refusal);
    const KeptMacros macros = KeptMacrosOf({typed[0], typed[1], typed[2]},
                                           serving ? EnergyBasis::PerServing : EnergyBasis::Per100g,
                                           serving ? std::optional(serving) : std::nullopt);
    QString shown;
    if (macros.per100g)
        shown = QStringLiteral("%1 %2 %3")
                    .arg(macros.per100g->protein)
                    .arg(macros.per100g->fat)
                    .arg(macros.per100g->carbohydrate);
    QCOMPARE(shown, kept);
    QCOMPARE(macros.refusal, refusal);
}

void TestOwnFoods::names_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("blanks inside count as one") << "AB  酸奶"
                                                << "已有名为“AB 酸奶”的食物，请换一个名称。";
    QTest::newRow("empty") << "  "
                           << "请填写名称。";
    QTest::newRow("30 characters") << QString(30, u'饭') << "";
    QTest::newRow("31 characters") << QString(31, u'饭') << "名称最多 30 个字。";
}

void TestOwnFoods::names() {
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    const QStringList others{"米饭", "AB 酸奶"};
    QCOMPARE(NameRefusal(name, [&](const QString& n) { return others.contains(n); }), refusal);
}

void TestOwnFoods::countedPortion_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("words");
    QTest::addColumn<double>("count"); // 0: none
    QTest::addColumn<QString>("portion");
    QTest::addColumn<bool>("refused");
    QTest::newRow("name, two bowls") << "米饭 2碗"
                                     << "米饭" << 2.0 << "碗" << false;
    QTest::newRow("glued to the name") << "米饭2碗"
                                       << "米饭" << 2.0 << "碗" << false;
    QTest::newRow("half") << "jidan 半个"
                          << "jidan" << 0.5 << "个" << false;
    QTest::newRow("one and a half servings") << "hongshaorou 1.5份"
                                             << "hongshaorou" << 1.5 << "份" << false;
    QTest::newRow("两") << "米饭 两碗"
                        << "米饭" << 2.0 << "碗" << false;
    QTest::newRow("十二") << "jiaozi 十二个"
                          << "jiaozi" << 12.0 << "个" << false;
    QTest::newRow("a name ending in a digit, then half a small bowl")
        << "食物2 半小碗"
        << "食物2" << 0.5 << "小碗" << false;
    QTest::newRow("zero bowls") << "mifan 0碗"
                                << "mifan" << 0.0 << "碗" << true;
    QTest::newRow("克 is a weight") << "米饭 250克"
                                    << "米饭" << 0.0 << "" << false;
    QTest::newRow("a numeral glued to a name stays in it") << "一品锅"
                                                           << "一品锅" << 0.0 << "" << false;
}

void TestOwnFoods::countedPortion() {
    QFETCH(QString, typed);
    QFETCH(QString, words);
    QFETCH(double, count);
    QFETCH(QString, portion);
    QFETCH(bool, refused);
    const PortionQuery query = ParsePortionQuery(typed);
    QCOMPARE(query.words, words);
    QCOMPARE(query.count.value_or(0), count);
    QCOMPARE(query.portion, portion);
    QCOMPARE(query.refused, refused);
    QCOMPARE(query.grams.has_value(), portion.isEmpty() && words != typed);
}

void TestOwnFoods::portionRefusal_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("grams");
    QTest::addColumn<QString>("kept"); // empty: refused
    QTest::newRow("1个 as 个") << "1个" << 50.0 << "个";
    QTest::newRow("小碗") << "小碗" << 1.0 << "小碗";
    QTest::newRow("5000 g") << "盆" << 5000.0 << "盆";
    QTest::newRow("5001 g") << "盆" << 5001.0 << "";
    QTest::newRow("empty") << " " << 180.0 << "";
    QTest::newRow("a number") << "2" << 180.0 << "";
}

void TestOwnFoods::portionRefusal() {
    QFETCH(QString, name);
    QFETCH(double, grams);
    QFETCH(QString, kept);
    QCOMPARE(PortionRefusal(name, grams).isEmpty(), !kept.isEmpty());
    if (!kept.isEmpty())
        QCOMPARE(PortionName(name), kept);
}

using Ingredients = QList<Ingredient>;

void TestOwnFoods::dish_data() {
    QTest::addColumn<Ingredients>("ingredients");
    QTest::addColumn<double>("cooked"); // 0: not weighed
    QTest::addColumn<int>("servings");  // 0: none
    QTest::addColumn<double>("total");
    QTest::addColumn<int>("per100g");
    QTest::addColumn<double>("servingKcal"); // 0: none
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("nutrients"); // as the dialog shows them
    // 红烧肉: 500 g pork belly at 395, 30 g oil at 899, 20 g sugar at 400: 1975 + 269.7 + 80.
    const Ingredients pork{
        {"五花肉", 395, 500, Macros{9.3, 37, 2.4}}, {"花生油", 899, 30}, {"白糖", 400, 20}};
    const Ingredients rice{{"大米", 346, 100, Macros{7.4, 0.8, 77.9}}};
    const QString noOil = "花生油、白糖没有营养素数据，菜肴的营养素无法计算";
    QTest::newRow("3 servings of 183 g: 774.09")
        << pork << 550.0 << 3 << 2324.7 << 423 << 774.0 << false << noOil;
    QTest::newRow("rice takes up water, 300 %")
        << rice << 300.0 << 0 << 346.0 << 115 << 0.0 << false
        << "蛋白质 2.5 克，脂肪 0.3 克，碳水化合物 26 克（每100克）";
    QTest::newRow("above 300 %") << rice << 300.5 << 0 << 346.0 << 115 << 0.0 << true
                                 << "蛋白质 2.5 克，脂肪 0.3 克，碳水化合物 25.9 克（每100克）";
    QTest::newRow("below 10 %") << pork << 54.0 << 0 << 2324.7 << 4305 << 0.0 << true << noOil;
    QTest::newRow("sugar boiled down past 100 g in 100 g")
        << Ingredients{{"白糖", 400, 100, Macros{0, 0, 99.9}}} << 90.0 << 0 << 400.0 << 444 << 0.0
        << true << "蛋白质 0 克，脂肪 0 克，碳水化合物 111 克（每100克）";
    QTest::newRow("an ingredient of 0 g")
        << Ingredients{{"大米", 346, 100}, {"花生油", 899, 0}} << 0.0 << 0 << 346.0 << 346 << 0.0
        << true << "大米、花生油没有营养素数据，菜肴的营养素无法计算";
    QTest::newRow("no ingredients") << Ingredients{} << 0.0 << 0 << 0.0 << 0 << 0.0 << true << "";
}

void TestOwnFoods::dish() {
    QFETCH(Ingredients, ingredients);
    QFETCH(double, cooked);
    QFETCH(int, servings);
    QFETCH(double, total);
    QFETCH(int, per100g);
    QFETCH(double, servingKcal);
    QFETCH(bool, refused);
    QFETCH(QString, nutrients);
    const DishFigures figures =
        FigureDish(ingredients, cooked ? std::optional(cooked) : std::nullopt,
                   servings ? std::optional(servings) : std::nullopt);
    QCOMPARE(figures.totalKcal, total);
    QCOMPARE(figures.kcalPer100g, per100g);
    QCOMPARE(figures.servingKcal.value_or(0), servingKcal);
    QCOMPARE(!figures.refusal.isEmpty(), refused);
    QCOMPARE(DishMacrosText(figures), nutrients);
}

// What goes out comes back the same, a name a spreadsheet would run as a formula included.
void TestOwnFoods::csvRoundTrip() {
    const Ingredients pork{{"五花肉", 339, 500, Macros{9.3, 37, 2.4}}, {"黄油", 888, 20}};
    OwnFoodsFile file;
    file.foods = {{0,
                   "蓝莓酸奶",
                   "",
                   96,
                   125.0,
                   false,
                   {},
                   std::nullopt,
                   std::nullopt,
                   Macros{3.1, 2.7, 12.4}},
                  {0, "=1+1", "公式", 52, std::nullopt, false, {}, std::nullopt, std::nullopt},
                  {0, "家常红烧肉", "红烧肉", 468, 100.0, true, pork, 400.0, 4}};
    file.portions = {{"米饭", "碗", 150}, {"蓝莓酸奶", "杯", 125}};
    const QByteArray csv = OwnFoodsCsv(file);
    QVERIFY(csv.startsWith("\xEF\xBB\xBF类型,名称,别名或食材或份量,每100克热量（大卡）,重量（克）,"
                           "熟重（克）,份数,蛋白质（克/100克）,脂肪（克/100克）,碳水化合物（克/"
                           "100克）\r\n食物,蓝莓酸奶,,96,125,,,3.1,2.7,12.4\r\n"));
    const OwnFoodsRead read = ReadOwnFoodsCsv(csv);
    QCOMPARE(read.refused, 0);
    QCOMPARE(read.file.foods, file.foods);
    QCOMPARE(read.file.portions, file.portions);
}

void TestOwnFoods::csvRefusals_data() {
    QTest::addColumn<QString>("rows"); // after the header
    QTest::addColumn<int>("foods");
    QTest::addColumn<int>("portions");
    QTest::addColumn<QString>("reason"); // of the one refused row, empty: none
    QTest::newRow("above 900 kcal") << "食物,猪油,,901,,," << 0 << 0 << "第 2 行：数字不合理";
    QTest::newRow("kcal not whole")
        << "食物,老酸奶,,78.9,,," << 0 << 0 << "第 2 行：热量不是 1–900 的整数";
    QTest::newRow("an ingredient without its dish")
        << "食物,老酸奶,,79,,,\n食材,老酸奶,牛奶,54,200,," << 1 << 0
        << "第 3 行：食材不在它的菜肴之后";
    QTest::newRow("a portion named by a number")
        << "份量,米饭,2,,150,," << 0 << 0 << "第 2 行：份量不合理";
    QTest::newRow("nutrients above 100 g")
        << "食物,老酸奶,,79,,,,60,30,20" << 0 << 0 << "第 2 行：营养素不合理";
    QTest::newRow("unknown kind") << "饮料,可乐,,43,,," << 0 << 0 << "第 2 行：类型“饮料”无法识别";
}

void TestOwnFoods::csvRefusals() {
    QFETCH(QString, rows);
    QFETCH(int, foods);
    QFETCH(int, portions);
    QFETCH(QString, reason);
    const OwnFoodsRead read = ReadOwnFoodsCsv(
        ("类型,名称,别名或食材或份量,每100克热量（大卡）,重量（克）,熟重（克）,份数\n" + rows)
            .toUtf8());
    QCOMPARE(read.file.foods.size(), foods);
    QCOMPARE(read.file.portions.size(), portions);
    QCOMPARE(read.reasons, reason.isEmpty() ? QStringList() : QStringList{reason});
}

QTEST_GUILESS_MAIN(TestOwnFoods)
#include "test_own_foods.moc"
