// Every report's exact text and emphasis, built without any widget.

#include "report_cases.h"

#include "body/core/bmi.h"
#include "body/core/self_assessment.h"

#include <QTest>

class TestReports : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void textAndSpans_data();
    void textAndSpans();
    void bmiTableSameForEveryValue();
    void sexChangesOnlyTheBmrLine();
};

void TestReports::textAndSpans_data() {
    QTest::addColumn<Report>("actual");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Emphasis>>("emphases");
    for (const Case& c : Cases())
        QTest::newRow(c.name) << c.actual << c.text << ToEmphases(c.text, c.marks);
}

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

QTEST_APPLESS_MAIN(TestReports)
#include "test_reports.moc"
