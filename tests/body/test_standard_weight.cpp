#include "body/core/standard_weight.h"
#include "body/core/standard_weight_tables.h"

#include <QTest>

using namespace 自定义变量;

class TestStandardWeight : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void tableCorners();
    void repeatedRows();
    void rowOfAge_data();
    void rowOfAge();
    void columnOfHeight_data();
    void columnOfHeight();
    void lookup_data();
    void lookup();
    void report();
};

void TestStandardWeight::initTestCase() {
    QCOMPARE(MaleStandardWeight[0][0], 0); // empty until built
    自定义方法::BuildStandardWeightTables();
}

void TestStandardWeight::tableCorners() {
    QCOMPARE(MaleStandardWeight[0][0], 50);
    QCOMPARE(MaleStandardWeight[25][9], 77);
    QCOMPARE(FemaleStandardWeight[0][0], 46);
    QCOMPARE(FemaleStandardWeight[25][6], 61);
    QCOMPARE(FemaleStandardWeight[25][9], 66);
    const StandardWeightRow women47{52, 53, 57, 57, 57, 58, 60, 62, 63, 67};
    QCOMPARE(FemaleStandardWeight[14], women47);
    const StandardWeightRow men31{53, 55, 56, 58, 60, 62, 65, 68, 72, 75};
    QCOMPARE(MaleStandardWeight[6], men31);
    for (const auto* table : {&MaleStandardWeight, &FemaleStandardWeight})
        for (const auto& row : *table)
            for (qint16 w : row)
                QVERIFY2(w >= 46 && w <= 78, "every weight lies between 46 and 78 kg");
}

void TestStandardWeight::repeatedRows() {
    for (int k = 20; k <= 25; ++k) // men 59 to 69
        QCOMPARE(MaleStandardWeight[k], MaleStandardWeight[20]);
    QCOMPARE(FemaleStandardWeight[1], FemaleStandardWeight[0]);
    QCOMPARE(FemaleStandardWeight[2], FemaleStandardWeight[0]);
    QVERIFY(FemaleStandardWeight[3] != FemaleStandardWeight[0]);
}

void TestStandardWeight::rowOfAge_data() {
    QTest::addColumn<double>("age");
    QTest::addColumn<int>("row");
    QTest::newRow("19") << 19.0 << 0;
    QTest::newRow("20 goes down to 19") << 20.0 << 0;
    QTest::newRow("21") << 21.0 << 1;
    QTest::newRow("22 goes up to 23") << 22.0 << 2;
    QTest::newRow("24 goes down to 23") << 24.0 << 2;
    QTest::newRow("25.9 is cut to 25") << 25.9 << 3;
    QTest::newRow("26 goes up to 27") << 26.0 << 4;
    QTest::newRow("30 goes up to 31") << 30.0 << 6;
    QTest::newRow("66 goes up to 67") << 66.0 << 24;
    QTest::newRow("68 goes down to 67") << 68.0 << 24;
    QTest::newRow("69") << 69.0 << 25;
}

void TestStandardWeight::rowOfAge() {
    QFETCH(double, age);
    QFETCH(int, row);
    QCOMPARE(方法_标准体重计算::Row(age), row);
}

void TestStandardWeight::columnOfHeight_data() {
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("column");
    QTest::newRow("152") << 152.0 << 0;
    QTest::newRow("155.9") << 155.9 << 0;
    QTest::newRow("156") << 156.0 << 1;
    QTest::newRow("170") << 170.0 << 4;
    QTest::newRow("176") << 176.0 << 6;
    QTest::newRow("187.99") << 187.99 << 8;
    QTest::newRow("188") << 188.0 << 9;
}

void TestStandardWeight::columnOfHeight() {
    QFETCH(double, height);
    QFETCH(int, column);
    QCOMPARE(方法_标准体重计算::Column(height), column);
}

void TestStandardWeight::lookup_data() {
    QTest::addColumn<bool>("male");
    QTest::addColumn<double>("age");
    QTest::addColumn<double>("height");
    QTest::addColumn<int>("weight");
    QTest::newRow("man 25, 170") << true << 25.0 << 170.0 << 59;
    QTest::newRow("man 22, 160") << true << 22.0 << 160.0 << 55;
    QTest::newRow("man 24, 160") << true << 24.0 << 160.0 << 55;
    QTest::newRow("man 21, 160") << true << 21.0 << 160.0 << 54;
    QTest::newRow("woman 30, 165") << false << 30.0 << 165.0 << 52;
    QTest::newRow("woman 20, 152") << false << 20.0 << 152.0 << 46;
    QTest::newRow("man 69, 188") << true << 69.0 << 188.0 << 77;
    QTest::newRow("woman 69, 176") << false << 69.0 << 176.0 << 61;
    QTest::newRow("woman 47, 168") << false << 47.0 << 168.0 << 57;
}

void TestStandardWeight::lookup() {
    QFETCH(bool, male);
    QFETCH(double, age);
    QFETCH(double, height);
    QFETCH(int, weight);
    QCOMPARE(方法_标准体重计算::StandardWeight(male ? Sex::Male : Sex::Female, age, height),
             weight);
}

void TestStandardWeight::report() {
    const Report report = 方法_标准体重计算::BuildReport(Sex::Male, 25, 170);
    QCOMPARE(report.text, QStringLiteral("您的年龄身高对应标准体重为： 59 公斤。(1公斤=2斤)"));
    // Bold through "公斤。", the remark in brackets stays plain; the digits 59 at 15-16.
    const QList<Emphasis> expected{{Emphasis::Kind::Headline, 0, 21},
                                   {Emphasis::Kind::Value, 15, 2}};
    QCOMPARE(report.emphases, expected);
}

QTEST_APPLESS_MAIN(TestStandardWeight)
#include "test_standard_weight.moc"
