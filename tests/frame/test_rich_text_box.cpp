#include "frame/rich_text_box.h"
#include "frame/write_report.h"
#include "tests/activate_window.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

namespace {
void Focus(RichTextBox& box) {
    box.show();
    ActivateWindow(&box);
    box.setFocus();
    QVERIFY(QTest::qWaitForWindowActive(&box));
}
} // namespace

class TestRichTextBox : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void textKeepsCrLf();
    void positionsCountCrLfAsTwo_data();
    void positionsCountCrLfAsTwo();
    void selectionIsClipped();
    void userSelectionMapsBack();
    void boldAndColourOfSelection();
    void headlineEndingAtLineBreak();
    void colorRefHasRedInLowestByte();
    void caretAfterReportCopiesNothing();
    void focusKeepsTheScrollPosition();
};

void TestRichTextBox::textKeepsCrLf() {
    RichTextBox box;
    const QString text = QStringLiteral("一\r\n\r\n二\r三\n四\r\n");
    box.SetText(text);
    QCOMPARE(box.Text(), text);
    QVERIFY(box.toPlainText() != text); // the document itself keeps no CR
    box.SetText(QString());
    QCOMPARE(box.Text(), QString());
    QCOMPARE(box.SelStart(), 0);
}

void TestRichTextBox::positionsCountCrLfAsTwo_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("selected");
    // "ab\r\ncd\r\n\r\nef": a=0 b=1 CR=2 LF=3 c=4 d=5 CR=6 LF=7 CR=8 LF=9 e=10 f=11
    QTest::newRow("first line") << 0 << 2 << "ab";
    QTest::newRow("second line") << 4 << 2 << "cd";
    QTest::newRow("across a break") << 1 << 4 << "b\r\nc";
    QTest::newRow("the break alone") << 2 << 2 << "\r\n";
    QTest::newRow("after an empty line") << 10 << 2 << "ef";
    QTest::newRow("two breaks") << 6 << 4 << "\r\n\r\n";
    QTest::newRow("everything") << 0 << 12 << "ab\r\ncd\r\n\r\nef";
    QTest::newRow("caret") << 5 << 0 << "";
}

void TestRichTextBox::positionsCountCrLfAsTwo() {
    QFETCH(int, start);
    QFETCH(int, length);
    QFETCH(QString, selected);
    RichTextBox box;
    Focus(box); // the document shows the selection only while the box has the focus
    box.SetText(QStringLiteral("ab\r\ncd\r\n\r\nef"));
    box.SetSelStart(start);
    box.SetSelLength(length);
    QCOMPARE(box.SelStart(), start);
    QCOMPARE(box.SelLength(), length);
    QCOMPARE(box.SelText(), selected);
    QCOMPARE(box.textCursor().selectedText().size(), selected.size() - selected.count(u'\r'));
}

void TestRichTextBox::selectionIsClipped() {
    RichTextBox box;
    box.SetText(QStringLiteral("ab\r\ncd"));
    box.SetSelStart(4);
    box.SetSelLength(100);
    QCOMPARE(box.SelLength(), 2);
    QCOMPARE(box.SelText(), QStringLiteral("cd"));
    box.SetSelStart(-3);
    QCOMPARE(box.SelStart(), 0);
    box.SetSelStart(99);
    QCOMPARE(box.SelStart(), 6);
    box.SetSelLength(-1);
    QCOMPARE(box.SelLength(), 0);
}

void TestRichTextBox::userSelectionMapsBack() {
    RichTextBox box;
    Focus(box);
    box.SetText(QStringLiteral("ab\r\ncd\r\nef"));
    QTextCursor cursor(box.document());
    cursor.setPosition(4); // document: a b ¶ c|d ¶ e f
    cursor.setPosition(7, QTextCursor::KeepAnchor);
    box.setTextCursor(cursor);
    QCOMPARE(box.SelStart(), 5);
    QCOMPARE(box.SelLength(), 4);
    QCOMPARE(box.SelText(), QStringLiteral("d\r\ne"));
}

void TestRichTextBox::boldAndColourOfSelection() {
    RichTextBox box;
    box.SetText(QStringLiteral("ab\r\ncd"));
    box.SetSelStart(1);
    box.SetSelLength(4); // b, CR, LF, c
    box.SetSelBold(true);
    box.SetSelColor(RgbColor(0x12, 0x34, 0x56));
    const QList<std::pair<int, bool>> expected{{0, false}, {1, true}, {4, true}, {5, false}};
    for (const auto& [pos, styled] : expected) {
        QCOMPARE(box.IsBoldAt(pos), styled);
        QCOMPARE(box.ColorAt(pos) == RgbColor(0x12, 0x34, 0x56), styled);
    }
    box.SetSelBold(false);
    QVERIFY(!box.IsBoldAt(1));
    QCOMPARE(box.ColorAt(1), RgbColor(0x12, 0x34, 0x56));
}

void TestRichTextBox::headlineEndingAtLineBreak() {
    RichTextBox box;
    const QString text = QStringLiteral("标题12\r\n正文");
    WriteReport(box, {text, {{Emphasis::Kind::Headline, 0, 4}, {Emphasis::Kind::Value, 2, 2}}});
    QVERIFY(box.IsBoldAt(3));
    QCOMPARE(box.ColorAt(2), RgbColor(0xFF, 0x33, 0xAA));
    QCOMPARE(box.ColorAt(1), RgbColor(0x33, 0x33, 0x33));
    for (int pos : {6, 7}) {
        QVERIFY(!box.IsBoldAt(pos));
        QCOMPARE(box.ColorAt(pos), RgbColor(0x44, 0x44, 0x44));
    }
}

void TestRichTextBox::colorRefHasRedInLowestByte() {
    QCOMPARE(RgbColor(0xFF, 0x33, 0xAA), 0xAA33FFu);
    QCOMPARE(ToQColor(0xAA33FF), QColor(0xFF, 0x33, 0xAA));
    QCOMPARE(ToColorRef(QColor(0x44, 0x55, 0x66)), 0x665544u);
}

void TestRichTextBox::caretAfterReportCopiesNothing() {
    RichTextBox box;
    WriteReport(box, {QStringLiteral("报告\r\n"), {{Emphasis::Kind::Headline, 0, 2}}});
    QCOMPARE(box.SelStart(), 0);
    QCOMPARE(box.SelLength(), 0);
    QCOMPARE(box.SelText(), QString());
}

// Scrolled away from the caret, the box stays where it is when the focus leaves and comes back.
void TestRichTextBox::focusKeepsTheScrollPosition() {
    QWidget window;
    auto* box = new RichTextBox(&window);
    auto* other = new QLineEdit(&window);
    box->setGeometry(0, 0, 200, 100);
    other->setGeometry(0, 110, 200, 20);
    window.show();
    ActivateWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    box->setFocus();
    box->SetText(QStringLiteral("行\r\n").repeated(100));
    QScrollBar* bar = box->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();
    other->setFocus();
    QCOMPARE(bar->value(), scrolled);
    box->setFocus(Qt::MouseFocusReason);
    QCOMPARE(bar->value(), scrolled);
}

QTEST_MAIN(TestRichTextBox)
#include "test_rich_text_box.moc"
