// The reports styled in a real result box, character by character.

#include "report_cases.h"

#include "body/core/healthy_weight.h"
#include "body/core/self_assessment.h"
#include "body/core/standard_weight_tables.h"
#include "frame/rich_text_box.h"
#include "frame/write_report.h"

#include <QTest>

class TestReportStyling : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void styledInResultBox_data();
    void styledInResultBox();
    void newReportForgetsOldStyling();
};

void TestReportStyling::styledInResultBox_data() {
    QTest::addColumn<Report>("actual");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<Emphasis>>("emphases");
    for (const Case& c : Cases())
        QTest::newRow(c.name) << c.actual << c.text << ToEmphases(c.text, c.marks);
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

void TestReportStyling::styledInResultBox() {
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

void TestReportStyling::newReportForgetsOldStyling() {
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

QTEST_MAIN(TestReportStyling)
#include "test_report_styling.moc"
