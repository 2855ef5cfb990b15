#include "body/core/leading_number.h"

#include <QTest>
#include <limits>

class TestLeadingNumber : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void reads_data();
    void reads();
    void overflowIsInfinite_data();
    void overflowIsInfinite();
};

void TestLeadingNumber::reads_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("whole") << "170" << 170.0;
    QTest::newRow("blanks around") << "  170  " << 170.0;
    QTest::newRow("blanks between digits") << "1 7 0" << 170.0;
    QTest::newRow("tab and line feed inside") << "1\t7\n0" << 170.0;
    QTest::newRow("unit after") << "170cm" << 170.0;
    QTest::newRow("decimal and unit") << "62.5kg" << 62.5;
    QTest::newRow("comma stops") << "1,70" << 1.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("lone comma") << "," << 0.0;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("negative") << "-5" << -5.0;
    QTest::newRow("plus") << "+30" << 30.0;
    QTest::newRow("sign after blank") << " - 5" << -5.0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("exponent") << "1.5e2" << 150.0;
    QTest::newRow("exponent D") << "2D1" << 20.0;
    QTest::newRow("exponent lower d, negative") << "25d-1" << 2.5;
    QTest::newRow("exponent with plus") << "1E+2" << 100.0;
    QTest::newRow("exponent without digits") << "7e" << 7.0;
    QTest::newRow("exponent sign without digits") << "7e-x" << 7.0;
    QTest::newRow("blank inside exponent") << "1 e 2" << 100.0;
    QTest::newRow("hexadecimal") << "&H1F" << 31.0;
    QTest::newRow("hexadecimal lower case") << "&hff" << 255.0;
    QTest::newRow("hexadecimal stops") << "&HAZ" << 10.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal stops at 8") << "&O78" << 7.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("ampersand other") << "&X12" << 0.0;
    QTest::newRow("hex after sign is no number") << "-&H10" << 0.0;
    QTest::newRow("full-width digits") << "１７０" << 170.0;
    QTest::newRow("full-width point and sign") << "－６２．５" << -62.5;
    QTest::newRow("full-width plus") << "＋３０" << 30.0;
    QTest::newRow("full-width blank is not skipped") << "　170" << 0.0;
    QTest::newRow("mixed widths") << "1７0" << 170.0;
    QTest::newRow("Chinese unit") << "65公斤" << 65.0;
    QTest::newRow("carriage return stops") << "1\r70" << 1.0;
    QTest::newRow("many leading zeros") << "000000000000000000000042" << 42.0;
    QTest::newRow("underflow") << "1e-400" << 0.0;
    QTest::newRow("long fraction") << "0.1234567890123456789012345" << 0.12345678901234568;
}

void TestLeadingNumber::reads() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(LeadingNumber(text), expected);
}

void TestLeadingNumber::overflowIsInfinite_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");
    const double inf = std::numeric_limits<double>::infinity();
    QTest::newRow("exponent") << "1e400" << inf;
    QTest::newRow("negative") << "-1e400" << -inf;
    QTest::newRow("four hundred digits") << QString(400, u'9') << inf;
    QTest::newRow("exponent beyond any integer") << "1e99999999999999999999" << inf;
    QTest::newRow("zero with a huge exponent") << "0e99999" << 0.0;
}

void TestLeadingNumber::overflowIsInfinite() {
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(LeadingNumber(text), expected);
}

QTEST_APPLESS_MAIN(TestLeadingNumber)
#include "test_leading_number.moc"
