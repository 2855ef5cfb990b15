// Every report's exact text and emphasis, built without any widget; compiled again with
// KORVELLA_STYLED, the same reports styled in a real result box.

#include "body/core/bmi.h"
#include "body/core/bmr.h"
#include "body/core/fat_burning.h"
#include "body/core/healthy_weight.h"
#include "body/core/self_assessment.h"
#include "body/core/standard_weight.h"
#include "body/core/standard_weight_tables.h"
#ifdef KORVELLA_STYLED
#include "frame/rich_text_box.h"
#include "frame/write_report.h"
#endif

#include <QTest>

namespace {

using Kind = Emphasis::Kind;

// An expected span by line and column of the expected text, both from 0.
struct Mark {
    Kind kind;
    int line;
    int column;
    int length;
};

QString Lines(const QStringList& lines) {
    return lines.join(QStringLiteral("\r\n"));
}

QList<Emphasis> ToEmphases(const QString& text, const QList<Mark>& marks) {
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    QList<Emphasis> out;
    for (const Mark& m : marks) {
        qsizetype start = m.column;
        for (int i = 0; i < m.line; ++i)
            start += lines[i].size() + 2;
        out.append({m.kind, start, m.length});
    }
    return out;
}

const QString BmiTable4 =
    QStringLiteral("BMI指数          <18.5          18.5-24          24-28          >28");
const QString BmiTable5 =
    QStringLiteral("对应分类         轻体重         健康体重         超重           肥胖");
const QStringList ZoneLines{
    QStringLiteral("人体要燃烧脂肪，需要满足三个必要条件："),
    QStringLiteral("     1、该运动要达到中低强度的运动心率；"),
    QStringLiteral("     2、这种中低强度运动心率的运动要持续20分钟以上；"),
    QStringLiteral("     3、这种运动必须是大肌肉群的运动，如慢跑游泳健身操等。"),
    QStringLiteral("低于或高于这个范围，都不算中低强度运动心率，燃烧的也就不是脂肪了")};
const QString BmrLine2 =
    QStringLiteral("基础代谢率(BMR)：在安静状态下(通常为静卧状态)消耗的最低热量");

QString BmiReport(const QString& value) {
    return Lines(
        {QStringLiteral("您的身体质量指数（BMI）为：") + value,
         QStringLiteral(
             "身体质量指数(BMI)：评估体重与身高比例的常用工具，适用范围：18至65岁的人士。"),
         QStringLiteral("儿童、发育中的青少年、孕妇、乳母、老人及身型健硕的运动员除外。"),
         BmiTable4, BmiTable5});
}

QString ZoneLine(const QString& lower, const QString& upper) {
    return QStringLiteral("您的中低强度运动心率是：") + lower + QStringLiteral(" 次/分钟到 ") +
           upper + QStringLiteral(" 次/分钟");
}

QString AssessmentReport(const QString& bmi, const QString& lower, const QString& upper,
                         const QString& bmr, const QString& zoneLow, const QString& zoneHigh) {
    return Lines(
        QStringList{
            QStringLiteral("您的身体质量指数（BMI）为：") + bmi,
            QStringLiteral(
                "身体质量指数(BMI)：评估体重与身高比例的常用工具，适用范围：18至65岁的人士"),
            QStringLiteral("儿童发育中的青少年孕妇乳母老人及身型健硕的运动员除外"), BmiTable4,
            BmiTable5, QString(),
            QStringLiteral("您的健康体重范围为：") + lower + QStringLiteral("公斤～") + upper +
                QStringLiteral("公斤"),
            QString(), QStringLiteral("您的基础代谢率为：") + bmr + QStringLiteral("大卡"),
            BmrLine2, QString(), ZoneLine(zoneLow, zoneHigh)} +
        ZoneLines);
}

// Spans of the one-minute report from the lengths of its six values: fixed labels of 15 (BMI),
// 10 (healthy weight), 9 (BMR) and 12 (zone) characters; "公斤～", " 次/分钟到 " between values.
QList<Mark> AssessmentMarks(int bmi, int lower, int upper, int bmr, int zoneLow, int zoneHigh) {
    const Kind H = Kind::Headline;
    const Kind V = Kind::Value;
    return {{H, 0, 0, 15 + bmi},
            {V, 0, 15, bmi},
            {H, 6, 0, 10 + lower + 3 + upper + 2},
            {V, 6, 10, lower},
            {V, 6, 10 + lower + 3, upper},
            {H, 8, 0, 9 + bmr + 2},
            {V, 8, 9, bmr},
            {H, 11, 0, 12 + zoneLow + 7 + zoneHigh + 5},
            {V, 11, 12 + zoneLow + 7, zoneHigh},
            {V, 11, 12, zoneLow}};
}

struct Case {
    const char* name;
    Report actual;
    QString text;
    QList<Mark> marks;
};

QList<Case> Cases() {
    自定义方法::BuildStandardWeightTables();
    const Sex M = Sex::Male;
    const Sex F = Sex::Female;
    const Kind H = Kind::Headline;
    const Kind V = Kind::Value;
    const QString healthy170 = QStringLiteral("您的健康体重范围为：53公斤～69公斤\r\n\r\n");
    return {
        // BMI: label of 15 characters, then the value.
        {"bmi 170/65",
         方法_身体质量指数::BuildReport(170, 65),
         BmiReport("22.49"),
         {{H, 0, 0, 20}, {V, 0, 15, 5}}},
        {"bmi 200/90 no trailing zero",
         方法_身体质量指数::BuildReport(200, 90),
         BmiReport("22.5"),
         {{H, 0, 0, 19}, {V, 0, 15, 4}}},
        {"bmi 160/64 whole",
         方法_身体质量指数::BuildReport(160, 64),
         BmiReport("25"),
         {{H, 0, 0, 17}, {V, 0, 15, 2}}},
        {"bmi 180/64.8 hair below 20",
         方法_身体质量指数::BuildReport(180, 64.8),
         BmiReport("20"),
         {{H, 0, 0, 17}, {V, 0, 15, 2}}},
        {"bmi 100/250",
         方法_身体质量指数::BuildReport(100, 250),
         BmiReport("250"),
         {{H, 0, 0, 18}, {V, 0, 15, 3}}},
        {"bmi 250/30",
         方法_身体质量指数::BuildReport(250, 30),
         BmiReport("4.8"),
         {{H, 0, 0, 18}, {V, 0, 15, 3}}},
        {"bmi exact half 22.125 to even",
         方法_身体质量指数::BuildReport(200, 88.5),
         BmiReport("22.12"),
         {{H, 0, 0, 20}, {V, 0, 15, 5}}},
        {"bmi exact half 22.375 to even",
         方法_身体质量指数::BuildReport(200, 89.5),
         BmiReport("22.38"),
         {{H, 0, 0, 20}, {V, 0, 15, 5}}},
        {"bmi 7.675 is below the half",
         方法_身体质量指数::BuildReport(200, 30.7),
         BmiReport("7.67"),
         {{H, 0, 0, 19}, {V, 0, 15, 4}}},
        {"bmi 7.525 is above the half",
         方法_身体质量指数::BuildReport(200, 30.1),
         BmiReport("7.53"),
         {{H, 0, 0, 19}, {V, 0, 15, 4}}},
        // Healthy weight range: label of 10 characters.
        {"healthy 170",
         方法_健康体重范围::BuildReport(170),
         healthy170,
         {{H, 0, 0, 19}, {V, 0, 10, 2}, {V, 0, 15, 2}}},
        {"healthy 100 half goes down",
         方法_健康体重范围::BuildReport(100),
         QStringLiteral("您的健康体重范围为：18公斤～24公斤\r\n\r\n"),
         {{H, 0, 0, 19}, {V, 0, 10, 2}, {V, 0, 15, 2}}},
        {"healthy 175 half goes up",
         方法_健康体重范围::BuildReport(175),
         QStringLiteral("您的健康体重范围为：57公斤～74公斤\r\n\r\n"),
         {{H, 0, 0, 19}, {V, 0, 10, 2}, {V, 0, 15, 2}}},
        {"healthy 50",
         方法_健康体重范围::BuildReport(50),
         QStringLiteral("您的健康体重范围为：5公斤～6公斤\r\n\r\n"),
         {{H, 0, 0, 17}, {V, 0, 10, 1}, {V, 0, 14, 1}}},
        {"healthy 250",
         方法_健康体重范围::BuildReport(250),
         QStringLiteral("您的健康体重范围为：116公斤～150公斤\r\n\r\n"),
         {{H, 0, 0, 21}, {V, 0, 10, 3}, {V, 0, 16, 3}}},
        {"healthy 180",
         方法_健康体重范围::BuildReport(180),
         QStringLiteral("您的健康体重范围为：60公斤～78公斤\r\n\r\n"),
         {{H, 0, 0, 19}, {V, 0, 10, 2}, {V, 0, 15, 2}}},
        {"healthy 188",
         方法_健康体重范围::BuildReport(188),
         QStringLiteral("您的健康体重范围为：65公斤～85公斤\r\n\r\n"),
         {{H, 0, 0, 19}, {V, 0, 10, 2}, {V, 0, 15, 2}}},
        // Standard weight: label of 15 characters ending in a blank.
        {"standard man 25/170",
         方法_标准体重计算::BuildReport(M, 25, 170),
         QStringLiteral("您的年龄身高对应标准体重为： 59 公斤。(1公斤=2斤)"),
         {{H, 0, 0, 21}, {V, 0, 15, 2}}},
        {"standard woman 30/165",
         方法_标准体重计算::BuildReport(F, 30, 165),
         QStringLiteral("您的年龄身高对应标准体重为： 52 公斤。(1公斤=2斤)"),
         {{H, 0, 0, 21}, {V, 0, 15, 2}}},
        // BMR: label of 10 characters ending in a blank.
        {"bmr man 30/170/65",
         方法_基础代谢计算::BuildReport(M, 30, 170, 65),
         Lines({QStringLiteral("您的基础代谢率为： 1602 大卡"), BmrLine2}),
         {{H, 0, 0, 17}, {V, 0, 10, 4}}},
        {"bmr woman 30/160/55",
         方法_基础代谢计算::BuildReport(F, 30, 160, 55),
         Lines({QStringLiteral("您的基础代谢率为： 1317 大卡"), BmrLine2}),
         {{H, 0, 0, 17}, {V, 0, 10, 4}}},
        {"bmr half 1465.5 goes up",
         方法_基础代谢计算::BuildReport(M, 20, 170, 50),
         Lines({QStringLiteral("您的基础代谢率为： 1466 大卡"), BmrLine2}),
         {{H, 0, 0, 17}, {V, 0, 10, 4}}},
        {"bmr half 1396.5 goes down",
         方法_基础代谢计算::BuildReport(M, 30, 170, 50),
         Lines({QStringLiteral("您的基础代谢率为： 1396 大卡"), BmrLine2}),
         {{H, 0, 0, 17}, {V, 0, 10, 4}}},
        {"bmr smallest woman",
         方法_基础代谢计算::BuildReport(F, 100, 100, 30),
         Lines({QStringLiteral("您的基础代谢率为： 645 大卡"), BmrLine2}),
         {{H, 0, 0, 16}, {V, 0, 10, 3}}},
        {"bmr largest man",
         方法_基础代谢计算::BuildReport(M, 1, 250, 250),
         Lines({QStringLiteral("您的基础代谢率为： 4743 大卡"), BmrLine2}),
         {{H, 0, 0, 17}, {V, 0, 10, 4}}},
        // Heart-rate zone: label of 12 characters; the upper bound is coloured first.
        {"zone 30",
         方法_燃脂运动计算::BuildReport(30),
         Lines(QStringList{ZoneLine("114", "152")} + ZoneLines),
         {{H, 0, 0, 30}, {V, 0, 22, 3}, {V, 0, 12, 3}}},
        {"zone 1",
         方法_燃脂运动计算::BuildReport(1),
         Lines(QStringList{ZoneLine("131", "175")} + ZoneLines),
         {{H, 0, 0, 30}, {V, 0, 22, 3}, {V, 0, 12, 3}}},
        {"zone 100",
         方法_燃脂运动计算::BuildReport(100),
         Lines(QStringList{ZoneLine("72", "96")} + ZoneLines),
         {{H, 0, 0, 28}, {V, 0, 21, 2}, {V, 0, 12, 2}}},
        {"zone 30.5",
         方法_燃脂运动计算::BuildReport(30.5),
         Lines(QStringList{ZoneLine("114", "152")} + ZoneLines),
         {{H, 0, 0, 30}, {V, 0, 22, 3}, {V, 0, 12, 3}}},
        {"zone 52.5 half goes down",
         方法_燃脂运动计算::BuildReport(52.5),
         Lines(QStringList{ZoneLine("100", "134")} + ZoneLines),
         {{H, 0, 0, 30}, {V, 0, 22, 3}, {V, 0, 12, 3}}},
        {"zone 7.5 half goes up",
         方法_燃脂运动计算::BuildReport(7.5),
         Lines(QStringList{ZoneLine("128", "170")} + ZoneLines),
         {{H, 0, 0, 30}, {V, 0, 22, 3}, {V, 0, 12, 3}}},
        // One-minute assessment: four sections.
        {"assessment man 30/170/65", 方法_一分钟彻底了解自己::BuildReport(M, 30, 170, 65),
         AssessmentReport("22.49", "53", "69", "1602", "114", "152"),
         AssessmentMarks(5, 2, 2, 4, 3, 3)},
        {"assessment 165: 65 coloured in its own line",
         方法_一分钟彻底了解自己::BuildReport(M, 30, 165, 65),
         AssessmentReport("23.88", "50", "65", "1577", "114", "152"),
         AssessmentMarks(5, 2, 2, 4, 3, 3)},
        {"assessment 100 cm: 18 and 24 in their own line",
         方法_一分钟彻底了解自己::BuildReport(M, 30, 100, 30),
         AssessmentReport("30", "18", "24", "772", "114", "152"),
         AssessmentMarks(2, 2, 2, 3, 3, 3)},
        {"assessment smallest woman", 方法_一分钟彻底了解自己::BuildReport(F, 100, 50, 30),
         AssessmentReport("120", "5", "6", "559", "72", "96"), AssessmentMarks(3, 1, 1, 3, 2, 2)},
        {"assessment 180/64.8 writes 20", 方法_一分钟彻底了解自己::BuildReport(M, 40, 180, 64.8),
         AssessmentReport("20", "60", "78", "1581", "108", "144"),
         AssessmentMarks(2, 2, 2, 4, 3, 3)},
    };
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void textAndSpans_data();
#ifndef KORVELLA_STYLED
    void textAndSpans();
    void bmiTableSameForEveryValue();
    void sexChangesOnlyTheBmrLine();
#else
    void styledInResultBox_data();
    void styledInResultBox();
    void newReportForgetsOldStyling();
#endif
};

void TestReports::textAndSpans_data() {
    QTest::addColumn<Report>("actual");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Emphasis>>("emphases");
    for (const Case& c : Cases())
        QTest::newRow(c.name) << c.actual << c.text << ToEmphases(c.text, c.marks);
}

#ifndef KORVELLA_STYLED
void TestReports::textAndSpans() {
    QFETCH(Report, actual);
    QFETCH(QString, text);
    QFETCH(QList<Emphasis>, emphases);
    QCOMPARE(actual.text, text);
    QCOMPARE(actual.emphases.size(), emphases.size());
    for (qsizetype i = 0; i < emphases.size(); ++i) {
        QCOMPARE(actual.emphases[i].kind, emphases[i].kind);
        QCOMPARE(actual.emphases[i].start, emphases[i].start);
        QCOMPARE(actual.emphases[i].length, emphases[i].length);
    }
}

#else
void TestReports::styledInResultBox_data() {
    textAndSpans_data();
}

namespace {
// Checks every character's boldness and colour against the expected spans.
void VerifyStyling(const RichTextBox& box, const QString& text, const QList<Emphasis>& spans) {
    for (qsizetype pos = 0; pos < text.size(); ++pos) {
        if (text[pos] == u'\r' || text[pos] == u'\n')
            continue;
        bool bold = false;
        ColorRef color = RgbColor(0x44, 0x44, 0x44);
        for (const Emphasis& e : spans) {
            if (pos < e.start || pos >= e.start + e.length)
                continue;
            if (e.kind == Emphasis::Kind::Headline) {
                bold = true;
                color = RgbColor(0x33, 0x33, 0x33);
            } else {
                color = RgbColor(0xFF, 0x33, 0xAA);
            }
        }
        QVERIFY2(box.IsBoldAt(pos) == bold, qPrintable(QString("bold at %1").arg(pos)));
        QVERIFY2(box.ColorAt(pos) == color,
                 qPrintable(QString("colour at %1: %2").arg(pos).arg(box.ColorAt(pos), 6, 16)));
    }
}
} // namespace

void TestReports::styledInResultBox() {
    QFETCH(Report, actual);
    QFETCH(QString, text);
    QFETCH(QList<Emphasis>, emphases);
    RichTextBox box;
    WriteReport(box, actual);
    QCOMPARE(box.Text(), text);
    QCOMPARE(box.SelStart(), 0);
    QCOMPARE(box.SelLength(), 0);
    VerifyStyling(box, text, emphases);
}

void TestReports::newReportForgetsOldStyling() {
    自定义方法::BuildStandardWeightTables();
    RichTextBox box;
    WriteReport(box, 方法_一分钟彻底了解自己::BuildReport(Sex::Male, 30, 170, 65));
    const QString healthy = QStringLiteral("您的健康体重范围为：53公斤～69公斤\r\n\r\n");
    WriteReport(box, 方法_健康体重范围::BuildReport(170));
    QCOMPARE(box.Text(), healthy);
    VerifyStyling(
        box, healthy,
        ToEmphases(healthy,
                   {{Kind::Headline, 0, 0, 19}, {Kind::Value, 0, 10, 2}, {Kind::Value, 0, 15, 2}}));
    // Plain text set afterwards carries none of it either.
    box.SetText(QStringLiteral("您的健康"));
    for (qsizetype pos = 0; pos < 4; ++pos)
        QVERIFY(!box.IsBoldAt(pos) && box.ColorAt(pos) != RgbColor(0x33, 0x33, 0x33));
}

#endif

#ifndef KORVELLA_STYLED
void TestReports::bmiTableSameForEveryValue() {
    // BMI 17, 22 and 30 at 200 cm: the class table never marks a class.
    for (double weight : {68.0, 88.0, 120.0}) {
        const QStringList lines =
            方法_身体质量指数::BuildReport(200, weight).text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[3], BmiTable4);
        QCOMPARE(lines[4], BmiTable5);
    }
}

void TestReports::sexChangesOnlyTheBmrLine() {
    const QStringList men = 方法_一分钟彻底了解自己::BuildReport(Sex::Male, 30, 170, 65)
                                .text.split(QStringLiteral("\r\n"));
    const QStringList women = 方法_一分钟彻底了解自己::BuildReport(Sex::Female, 30, 170, 65)
                                  .text.split(QStringLiteral("\r\n"));
    QCOMPARE(men.size(), 17);
    QCOMPARE(women.size(), 17);
    for (int i = 0; i < 17; ++i) {
        if (i != 8)
            QCOMPARE(women[i], men[i]);
    }
    QCOMPARE(women[8], QStringLiteral("您的基础代谢率为：1430大卡"));
}

#endif

#ifdef KORVELLA_STYLED
QTEST_MAIN(TestReports)
#else
QTEST_APPLESS_MAIN(TestReports)
#endif
#include "test_reports.moc"
