// Portions typed in the find field and the daily target: the parsing and the arithmetic.

#include "body/core/bmr.h"
#include "calorie/core/daily_target.h"
#include "calorie/core/portion.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace 方法_卡路里计算器;

class TestPortionTarget : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void portionQuery_data();
    void portionQuery();
    void dailyTarget_data();
    void dailyTarget();
    void keptSettings_data();
    void keptSettings();

  private:
    QTemporaryDir m_config; // the saved target goes here, not into the user's folder
};

void TestPortionTarget::initTestCase() {
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestPortionTarget::portionQuery_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("words");
    QTest::addColumn<double>("grams"); // 0: no weight taken
    QTest::addColumn<bool>("refused");
    QTest::newRow("pinyin and grams") << "mifan 250"
                                      << "mifan" << 250.0 << false;
    QTest::newRow("name and 克") << "米饭 250克"
                                 << "米饭" << 250.0 << false;
    QTest::newRow("initials and g") << "mf 250g"
                                    << "mf" << 250.0 << false;
    QTest::newRow("glued to a name") << "米饭250"
                                     << "米饭" << 250.0 << false;
    QTest::newRow("full-width digits") << "米饭 ２５０克"
                                       << "米饭" << 250.0 << false;
    QTest::newRow("decimals") << "mifan 62.5"
                              << "mifan" << 62.5 << false;
    QTest::newRow("lowest") << "mifan 1"
                            << "mifan" << 1.0 << false;
    QTest::newRow("highest") << "mifan 5000"
                             << "mifan" << 5000.0 << false;
    QTest::newRow("no weight") << "mifan"
                               << "mifan" << 0.0 << false;
    QTest::newRow("letters and digits are a word") << "mifan250"
                                                   << "mifan250" << 0.0 << false;
    QTest::newRow("zero") << "mifan 0"
                          << "mifan" << 0.0 << true;
    QTest::newRow("negative") << "mifan -5"
                              << "mifan" << 0.0 << true;
    QTest::newRow("above 5000") << "mifan 5000.5"
                                << "mifan" << 0.0 << true;
    QTest::newRow("exponent") << "mifan 2e3"
                              << "mifan" << 0.0 << true;
    QTest::newRow("second number") << "mifan 250 300"
                                   << "mifan 250" << 0.0 << true;
}

void TestPortionTarget::portionQuery() {
    QFETCH(QString, typed);
    QFETCH(QString, words);
    QFETCH(double, grams);
    QFETCH(bool, refused);
    const PortionQuery query = ParsePortionQuery(typed);
    QCOMPARE(query.words, words);
    QCOMPARE(query.grams.value_or(0), grams);
    QCOMPARE(query.refused, refused);
}

void TestPortionTarget::dailyTarget_data() {
    QTest::addColumn<Sex>("sex");
    QTest::addColumn<QList<double>>("body"); // age, height, weight
    QTest::addColumn<double>("factor");
    QTest::addColumn<double>("pace");
    QTest::addColumn<int>("bmr");
    QTest::addColumn<int>("kcal");
    QTest::addColumn<bool>("floored");
    QTest::addColumn<bool>("kept"); // set, saved and back at the next start
    QTest::newRow("woman, light activity, 0.5 kg") << Sex::Female << QList<double>{30, 160, 55}
                                                   << 1.375 << 0.5 << 1317 << 1261 << false << true;
    QTest::newRow("1809.5 up to even")
        << Sex::Male << QList<double>{33, 158, 50} << 1.375 << 0.0 << 1316 << 1810 << false << true;
    QTest::newRow("1820.5 down to even")
        << Sex::Male << QList<double>{26, 150, 50} << 1.375 << 0.0 << 1324 << 1820 << false << true;
    QTest::newRow("women's floor")
        << Sex::Female << QList<double>{60, 150, 45} << 1.2 << 1.0 << 1063 << 1200 << true << true;
    QTest::newRow("men's floor") << Sex::Male << QList<double>{60, 160, 50} << 1.2 << 1.0 << 1140
                                 << 1500 << true << true;
    QTest::newRow("6000.2, the highest kept")
        << Sex::Male << QList<double>{30, 190, 171} << 1.9 << 0.0 << 3158 << 6000 << false << true;
    QTest::newRow("6002 refused") << Sex::Male << QList<double>{39, 200, 172} << 1.9 << 0.0 << 3159
                                  << 6002 << false << false;
    QTest::newRow("6300 refused") << Sex::Male << QList<double>{25, 190, 180} << 1.9 << 0.0 << 3316
                                  << 6300 << false << false;
}

void TestPortionTarget::dailyTarget() {
    QFETCH(Sex, sex);
    QFETCH(QList<double>, body);
    QFETCH(double, factor);
    QFETCH(double, pace);
    QFETCH(int, bmr);
    QFETCH(int, kcal);
    QFETCH(bool, floored);
    QFETCH(bool, kept);
    QCOMPARE(方法_基础代谢计算::Bmr(sex, body[0], body[1], body[2]), bmr);
    const DailyTarget target = TargetFrom(sex, bmr, factor, pace);
    QCOMPARE(target.kcal, kcal);
    QCOMPARE(target.floored, floored);
    QCOMPARE(SaveTarget(target.kcal), kept);
    QCOMPARE(LoadTarget().value_or(0), kept ? kcal : 0);
    ClearTarget();
}

Q_DECLARE_METATYPE(MacroGoals)

namespace {
const MacroGoal Grams84{84, GoalUnit::Grams};
const MacroGoal Percent25{25, GoalUnit::Percent};
} // namespace

// The goals and "显示营养素" share the target's file: clearing one keeps the others, and the file
// and its folder go with the last.
void TestPortionTarget::keptSettings_data() {
    QTest::addColumn<int>("target"); // 0: none
    QTest::addColumn<MacroGoals>("goals");
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("taken"); // the goals loaded back as saved, or none
    QTest::newRow("grams and percents of a target")
        << 1800 << MacroGoals{Grams84, Percent25, Percent25} << true << true;
    QTest::newRow("grams without a target")
        << 0 << MacroGoals{std::nullopt, std::nullopt, Grams84} << false << true;
    QTest::newRow("percents without a target are not taken")
        << 0 << MacroGoals{Grams84, Percent25, std::nullopt} << false << false;
    QTest::newRow("nothing but the setting") << 0 << MacroGoals{} << true << true;
}

void TestPortionTarget::keptSettings() {
    QFETCH(int, target);
    QFETCH(MacroGoals, goals);
    QFETCH(bool, show);
    QFETCH(bool, taken);
    if (target)
        QVERIFY(SaveTarget(target));
    QVERIFY(SaveGoals(goals));
    QVERIFY(SaveShowNutrients(show));
    QCOMPARE(LoadShowNutrients(), show);
    QCOMPARE(LoadGoals(), taken ? goals : MacroGoals{});
    ClearTarget();
    QCOMPARE(LoadShowNutrients(), show);
    QCOMPARE(QFile::exists(TargetFilePath()), show || !goals.IsEmpty());
    QVERIFY(SaveGoals({}));
    QVERIFY(SaveShowNutrients(false));
    QVERIFY(!QFileInfo::exists(QFileInfo(TargetFilePath()).absolutePath()));
}

QTEST_GUILESS_MAIN(TestPortionTarget)
#include "test_portion_target.moc"
