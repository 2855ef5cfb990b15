#include "frame/core/numbers.h"

#include <QTest>
#include <cmath>

class TestNumbers : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void roundHalfEven_data();
    void roundHalfEven();
    void formatNumber_data();
    void formatNumber();
};

void TestNumbers::roundHalfEven_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<double>("expected");
    QTest::newRow("2.5 to 2") << 2.5 << 0 << 2.0;
    QTest::newRow("3.5 to 4") << 3.5 << 0 << 4.0;
    QTest::newRow("-2.5 to -2") << -2.5 << 0 << -2.0;
    QTest::newRow("-3.5 to -4") << -3.5 << 0 << -4.0;
    QTest::newRow("18.5 to 18") << 18.5 << 0 << 18.0;
    QTest::newRow("73.5 to 74") << 73.5 << 0 << 74.0;
    QTest::newRow("1465.5 to 1466") << 1465.5 << 0 << 1466.0;
    QTest::newRow("1396.5 to 1396") << 1396.5 << 0 << 1396.0;
    QTest::newRow("just below a half") << std::nextafter(2.5, 3.0) << 0 << 3.0;
    QTest::newRow("just above a half") << std::nextafter(3.5, 3.0) << 0 << 3.0;
    QTest::newRow("0.125 is a true half") << 0.125 << 2 << 0.12;
    QTest::newRow("0.375 is a true half") << 0.375 << 2 << 0.38;
    QTest::newRow("-0.125 is a true half") << -0.125 << 2 << -0.12;
    QTest::newRow("22.125 is a true half") << 22.125 << 2 << 22.12;
    // x * 100 is exactly 767.5 or 752.5 in doubles, but x itself lies below or above the half.
    QTest::newRow("7.675 lies below") << 30.7 / 4 << 2 << 7.67;
    QTest::newRow("7.525 lies above") << 30.1 / 4 << 2 << 7.53;
    QTest::newRow("1.005 lies below") << 1.005 << 2 << 1.0;
    QTest::newRow("hair below 20") << 19.999999999999996 << 2 << 20.0;
    QTest::newRow("22.4913") << 22.491349480968857 << 2 << 22.49;
    QTest::newRow("too large to round") << 1e300 << 2 << 1e300;
    QTest::newRow("small negative to zero") << -0.001 << 2 << 0.0;
}

void TestNumbers::roundHalfEven() {
    QFETCH(double, x);
    QFETCH(int, decimals);
    QFETCH(double, expected);
    QCOMPARE(RoundHalfEven(x, decimals), expected);
}

void TestNumbers::formatNumber_data() {
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("expected");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("whole") << 25.0 << "25";
    QTest::newRow("two decimals") << 22.49 << "22.49";
    QTest::newRow("no trailing zero") << 22.5 << "22.5";
    QTest::newRow("no grouping") << 1234.5 << "1234.5";
    QTest::newRow("negative") << -35.0 << "-35";
    QTest::newRow("binary noise hidden") << 0.1 + 0.2 << "0.3";
    QTest::newRow("12.5 + 0.3") << 12.5 + 0.3 << "12.8";
    QTest::newRow("hair below 20") << 19.999999999999996 << "20";
    QTest::newRow("fifteen digits") << 123456789.012345 << "123456789.012345";
    QTest::newRow("sixteenth digit rounded") << 1234567890.1234567 << "1234567890.12346";
    QTest::newRow("large without exponent") << 1e21 << "1000000000000000000000";
    QTest::newRow("large rounded to 15 digits") << 123456789012345678.0 << "123456789012346000";
    QTest::newRow("small without exponent") << 1.5e-7 << "0.00000015";
    QTest::newRow("below one") << 0.05 << "0.05";
}

void TestNumbers::formatNumber() {
    QFETCH(double, x);
    QFETCH(QString, expected);
    QCOMPARE(FormatNumber(x), expected);
}

QTEST_APPLESS_MAIN(TestNumbers)
#include "test_numbers.moc"
