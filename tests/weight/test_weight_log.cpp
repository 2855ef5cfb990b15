// The weight log's core: the trend, the weekly rate and the forecast against figures worked out
// by hand; typed weights; the CSV files it reads; its undo history.

#include "weighings_text.h"
#include "weight/core/weight_log.h"

#include <QTest>

using namespace 方法_体重记录;

class TestWeightLog : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void trend_data();
    void trend();
    void typedKg_data();
    void typedKg();
    void importCsv_data();
    void importCsv();
    void undoRedo();
    void intakeAverage_data();
    void intakeAverage();
};

void TestWeightLog::trend_data() {
    QTest::addColumn<QString>("weighings");
    QTest::addColumn<double>("goal"); // 0: none
    QTest::addColumn<int>("since");   // days from the last weighing to today
    QTest::addColumn<double>("latest");
    QTest::addColumn<QString>("summary");
    // 72.35 is a hair below the half in binary.
    QTest::newRow("single weighing")
        << "2025-03-01=72.35" << 65.0 << 0 << 72.35 << "趋势 72.3 公斤";
    // Days 2 and 3 weigh 79.5 and 79: 80, 79.95, 79.855, 79.7195.
    QTest::newRow("gap interpolated")
        << "2025-01-01=80;2025-01-04=78.5" << 0.0 << 0 << 79.7195 << "趋势 79.7 公斤";
    QTest::newRow("six days: no rate")
        << "2025-01-01=70;2025-01-06=69.5" << 69.0 << 0 << 69.868559 << "趋势 69.9 公斤";
    // Slope of the 7 trend days -0.0299737 a day; 0.8217031 kg to go: 27.4 days, so 28.
    QTest::newRow("seven days: rate and forecast")
        << "2025-01-01=70;2025-01-07=69.4" << 69.0 << 0 << 69.8217031
        << "趋势 69.8 公斤，每周 -0.2 公斤；按目前趋势，预计 2025年2月4日 达到 69 公斤";
    QTest::newRow("28 days from today, a week after the last weighing")
        << "2025-01-01=70;2025-01-07=69.4" << 69.0 << 7 << 69.8217031
        << "趋势 69.8 公斤，每周 -0.2 公斤；按目前趋势，预计 2025年2月11日 达到 69 公斤";
    QTest::newRow("last weighing eight days ago")
        << "2025-01-01=70;2025-01-07=69.4" << 69.0 << 8 << 69.8217031
        << "趋势 69.8 公斤，每周 -0.2 公斤；最近一次称重是在 2025年1月7日，请先称重再预计";
    QTest::newRow("under the goal, falling")
        << "2025-01-01=70;2025-01-07=69.4" << 72.0 << 0 << 69.8217031
        << "趋势 69.8 公斤，每周 -0.2 公斤；已低于目标体重";
    QTest::newRow("flat") << "2025-01-01=70;2025-01-07=70" << 65.0 << 0 << 70.0
                          << "趋势 70 公斤，每周 0 公斤；按目前趋势，不会达到目标体重";
    // 69 + 1.5 × 0.9^7; the slope of 69 + 1.5 × 0.9^n over n = 0..7 is -0.1111812 a day.
    QTest::newRow("just under the goal, falling")
        << "2025-01-01=70.5;2025-01-02=69;2025-01-08=69" << 69.8 << 0 << 69.71744535
        << "趋势 69.7 公斤，每周 -0.8 公斤；已低于目标体重";
    QTest::newRow("at the goal to 0.1 kg")
        << "2025-01-01=70.5;2025-01-02=69;2025-01-08=69" << 69.68 << 0 << 69.71744535
        << "趋势 69.7 公斤，每周 -0.8 公斤；已达到目标体重";
    // Two years at 86 bring the trend there; four weeks down to 83 leave it at 83.91382 going
    // down 0.0799 a day: 8.91 kg to go take 112 days. The goal lies above the first weighing.
    QTest::newRow("goal below the trend, above the first weighing")
        << "2023-01-01=70;2023-02-01=86;2024-12-01=86;2024-12-29=83" << 75.0 << 0 << 83.91382005
        << "趋势 83.9 公斤，每周 -0.6 公斤；按目前趋势，预计 2025年4月20日 达到 75 公斤";
    // 70 + 20 × 0.9^n for 101 days: flat over the last 28 days, -0.67 a week over all of them.
    QTest::newRow("rate over the last 28 days")
        << "2025-01-01=90;2025-01-02=70;2025-04-11=70" << 0.0 << 0 << 70.000531228
        << "趋势 70 公斤，每周 0 公斤";
}

void TestWeightLog::trend() {
    QFETCH(QString, weighings);
    QFETCH(double, goal);
    QFETCH(int, since);
    QFETCH(double, latest);
    QFETCH(QString, summary);
    const QList<Weighing> log = Weighings(weighings);
    const Trend trend = TrendOf(log);
    QCOMPARE(trend.values.size(), log.constFirst().day.daysTo(log.constLast().day) + 1);
    QVERIFY(qAbs(trend.Latest() - latest) < 1e-8);
    QCOMPARE(SummaryText(trend, goal ? std::optional(goal) : std::nullopt,
                         log.constLast().day.addDays(since)),
             summary);
}

void TestWeightLog::typedKg_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("kg"); // 0: refused
    QTest::newRow("plain") << "72.5" << 72.5;
    QTest::newRow("full-width") << "７２．５" << 72.5;
    QTest::newRow("unit after it") << "72.55公斤" << 72.55;
    QTest::newRow("lowest") << "20" << 20.0;
    QTest::newRow("highest") << "300" << 300.0;
    QTest::newRow("below") << "19.99" << 0.0;
    QTest::newRow("above") << "300.01" << 0.0;
    QTest::newRow("three decimals") << "72.125" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
}

void TestWeightLog::typedKg() {
    QFETCH(QString, typed);
    QFETCH(double, kg);
    QCOMPARE(ParseKg(typed).value_or(0), kg);
}

void TestWeightLog::importCsv_data() {
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("weighings");
    QTest::addColumn<QString>("reasons");
    QTest::newRow("own export") << QByteArray("\xEF\xBB\xBF日期,体重（公斤）,趋势（公斤）\r\n"
                                              "2025-01-01,80,80\r\n2025-01-04,78.5,79.7\r\n")
                                << "2025-01-01=80;2025-01-04=78.5"
                                << "";
    QTest::newRow("Date,Weight with kg and Y/M/D")
        << QByteArray("Date,Weight\n2025/1/2,72.5 kg\n2025/1/3,72.4KG\n\n2025-1-4,72.3\n")
        << "2025-01-02=72.5;2025-01-03=72.4;2025-01-04=72.3"
        << "";
    // 160 lb = 72.5747792 kg, 200.5 lb = 90.945270185 kg.
    QTest::newRow("pounds") << QByteArray(
                                   "date,\"Weight (lbs)\"\n2025-01-02,160\n2025-01-03,200.5\n")
                            << "2025-01-02=72.57;2025-01-03=90.95"
                            << "";
    QTest::newRow("磅") << QByteArray("日期,体重(磅)\n2025-01-02,160\n") << "2025-01-02=72.57"
                        << "";
    QTest::newRow("no heading") << QByteArray("2025-01-02,70\n") << "2025-01-02=70"
                                << "";
    // 176.4 lb = 80.013694068 kg.
    QTest::newRow("Excel's sep line, a title above the heading, decimal comma")
        << QByteArray("sep=;\r\nWeight export\r\nDate;Weight (lbs)\r\n2025-01-02;176,4\r\n")
        << "2025-01-02=80.01"
        << "";
    QTest::newRow("tabs, 时间 for the date, the weight itself before a kind of weight")
        << QByteArray("时间\tLean weight\t体重\n2025-01-02 07:30\t60\t70\n") << "2025-01-02=70"
        << "";
    QTest::newRow("unit neither kilograms nor pounds")
        << QByteArray("Date,Weight (st)\n2025-01-02,12.5\n2025-01-03,80 kg\n") << "2025-01-03=80"
        << "第 2 行：看不出“Weight (st)”是公斤还是磅";
    QTest::newRow("title without a heading")
        << QByteArray("Weight log (lb)\n2025-01-02,176.4\n") << ""
        << "第 1 行：日期无法识别|第 2 行：没有表头，看不出体重是公斤还是磅";
    QTest::newRow("line break in a quoted note")
        << QByteArray("Date,Note,Weight\n2025-01-02,\"after\nthe run\",80\n2025-01-03,,abc\n")
        << "2025-01-02=80"
        << "第 4 行：体重不是数字";
    QTest::newRow("refusals")
        << QByteArray("Date,Weight\n2025-13-01,70\n2025-01-05,heavy\n2025-01-06,19.9\n"
                      "2025-01-07,300.5\n2025-06-02,70\n2025-06-01,70\n2025-06-01,71\n")
        << "2025-06-01=70"
        << "第 2 行：日期无法识别|第 3 行：体重不是数字|第 4 行：体重不在 20 到 300 公斤之间|"
           "第 5 行：体重不在 20 到 300 公斤之间|第 6 行：日期晚于今天|"
           "第 8 行：这一天在前面的行里已有体重";
}

void TestWeightLog::importCsv() {
    QFETCH(QByteArray, csv);
    QFETCH(QString, weighings);
    QFETCH(QString, reasons);
    const CsvWeighings read = ParseCsv(csv, QDate(2025, 6, 1));
    QCOMPARE(Text(read.weighings), weighings);
    QCOMPARE(read.reasons.join(u'|'), reasons);
    QCOMPARE(read.refused, read.reasons.size());
}

// Each step is kept before the log shows it; an import skips the days the log has.
void TestWeightLog::undoRedo() {
    WeightLog log;
    log.Reset(Weighings("2025-01-03=70;2025-01-01=71"));
    int kept = 0;
    const WeightLog::Keeper keep = [&kept](const WeighingChange&) { return ++kept, true; };

    QVERIFY(log.Do(log.Recording(QDate(2025, 1, 2), 70.5), keep));
    QVERIFY(log.Do(log.Recording(QDate(2025, 1, 3), 69.5), keep));
    QCOMPARE(Text(log.Weighings()), "2025-01-01=71;2025-01-02=70.5;2025-01-03=69.5");

    int skipped = 0;
    QVERIFY(log.Do(log.Adding(Weighings("2025-01-01=80;2025-01-04=69"), &skipped), keep));
    QCOMPARE(skipped, 1);
    QVERIFY(log.Undo(keep) && log.Undo(keep));
    QCOMPARE(Text(log.Weighings()), "2025-01-01=71;2025-01-02=70.5;2025-01-03=70");
    QVERIFY(log.Redo(keep));
    QCOMPARE(Text(log.Weighings()), "2025-01-01=71;2025-01-02=70.5;2025-01-03=69.5");
    QCOMPARE(kept, 6);
}

void TestWeightLog::intakeAverage_data() {
    QTest::addColumn<QString>("days"); // day=kcal as the weighings are written
    QTest::addColumn<QString>("text");
    // 5-25 is seven days back; (1800 + 2001) / 2 is an exact half.
    QTest::newRow("days with entries") << "2025-05-25=3000;2025-05-26=1800;2025-06-01=2001"
                                       << "近 7 天平均 1900 大卡";
    QTest::newRow("none this week") << "2025-05-25=3000"
                                    << "近 7 天没有饮食记录";
}

void TestWeightLog::intakeAverage() {
    QFETCH(QString, days);
    QFETCH(QString, text);
    QList<DayKcal> intake;
    for (const Weighing& day : Weighings(days))
        intake.append({day.day, day.kg});
    QCOMPARE(AverageText(intake, QDate(2025, 6, 1)), text);
}

QTEST_GUILESS_MAIN(TestWeightLog)
#include "test_weight_log.moc"
