// The launcher: layout, which presses open which tool, the round trip back from a tool, and every
// window's labels holding their texts with the fonts the program really gets.

#include "app/form_main.h"
#include "app/main_methods.h"
#include "app/tools.h"
#include "body/core/standard_weight_tables.h"
#include "frame/appearance.h"
#include "frame/rich_text_box.h"
#include "frame/tool_window.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

namespace {

QWidget* Child(QWidget& window, const QString& name) {
    QWidget* child = window.findChild<QWidget*>(name);
    if (!child)
        qFatal("no control %s", qPrintable(name));
    return child;
}

// The rectangle a label's text covers, laid out as the label lays it out with its own font. Rich
// text is top-aligned, and each line's glyphs reach its full height even where the paragraph packs
// its lines closer.
QRectF TextArea(const QLabel* label) {
    const QRectF room = label->contentsRect();
    const int wrap = label->wordWrap() ? Qt::TextWordWrap : 0;
    if (label->textFormat() != Qt::RichText)
        return QFontMetricsF(label->font(), label)
            .boundingRect(room, int(label->alignment()) | wrap, label->text());
    QTextDocument document;
    document.setDefaultFont(label->font());
    document.setDocumentMargin(0);
    document.setHtml(label->text());
    document.setTextWidth(wrap ? room.width() : -1);
    QRectF area;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QPointF top = document.documentLayout()->blockBoundingRect(block).topLeft();
        for (int i = 0; i < block.layout()->lineCount(); ++i) {
            const QTextLine line = block.layout()->lineAt(i);
            if (line.naturalTextWidth() > 0) // an empty line has nothing to cut
                area |= QRectF(top + line.position(),
                               QSizeF(line.naturalTextWidth(), line.ascent() + line.descent()));
        }
    }
    return area.translated(room.topLeft());
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void loadBuildsDataOnceBeforeFirstShow();
    void layout();
    void entries_data();
    void entries();
    void presses_data();
    void presses();
    void otherIndexesDoNothing();
    void closeAndReopenIsFresh();
    void closingMainWindowEndsProgram();
    void labelsHoldTheirTexts_data();
    void labelsHoldTheirTexts();
    void cleanup();

  private:
    Form_Main* m_form = nullptr;
};

void TestMainWindow::initTestCase() {
    QApplication::setFont(SongFont(9)); // as the program starts
    m_form = new Form_Main;
    ToolWindow::SetShowMainWindow([this] { m_form->show(); });
}

void TestMainWindow::loadBuildsDataOnceBeforeFirstShow() {
    QCOMPARE(自定义变量::MaleStandardWeight[0][0], 0);
    m_form->show();
    QCOMPARE(自定义变量::MaleStandardWeight[0][0], 50);
    // A second show must not build the tables again.
    自定义变量::MaleStandardWeight[0][0] = 1;
    m_form->hide();
    m_form->show();
    QCOMPARE(自定义变量::MaleStandardWeight[0][0], 1);
    自定义变量::MaleStandardWeight[0][0] = 50;
}

void TestMainWindow::layout() {
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Korvella"));
    QCOMPARE(m_form->size(), QSize(854, 560));
    QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    QCOMPARE(Child(*m_form, "Picture_底部背景")->geometry(), QRect(0, 96, 854, 463));
    QVERIFY(!m_form->windowIcon().isNull());
    QCOMPARE(Tools().size(), std::size_t(7));
    // Nothing sits where the advertisement panel goes.
    for (QWidget* child : m_form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY(child->y() >= 96);
}

void TestMainWindow::entries_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<QPoint>("panel");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("color");
    QTest::addColumn<QString>("tip");
    QTest::addColumn<QString>("caption");
    QTest::newRow("0") << 0 << QPoint(498, 64) << "1分钟了解自己"
                       << "#339900"
                       << "1分钟了解自己的标准体重，BMI和基础代谢率。"
                       << "一分钟彻底了解自己";
    QTest::newRow("1") << 1 << QPoint(14, 202) << "卡路里计算器"
                       << "#339900"
                       << "综合饮食和运动热量计算，简便易用，轻松瘦身。"
                       << "卡路里计算器";
    QTest::newRow("2") << 2 << QPoint(566, 326) << "身体质量指数(BMI)"
                       << "#505050"
                       << "BMI指数，也叫身体质量指数，衡量是否肥胖重要指标。"
                       << "身体质量指数(BMI)";
    QTest::newRow("3") << 3 << QPoint(290, 202) << "标准体重计算"
                       << "#505050"
                       << "使用标准体重计算器，轻松算出您的标准体重。"
                       << "标准体重计算";
    QTest::newRow("4") << 4 << QPoint(566, 202) << "基础代谢计算"
                       << "#505050"
                       << "基础代谢率对减肥有非常大的影响，先算算自己的基础代谢率吧。"
                       << "基础代谢计算";
    QTest::newRow("5") << 5 << QPoint(14, 326) << "健康体重范围"
                       << "#505050"
                       << "健康的体重有助于你保持健康状态，这里可计算健康体重范围。"
                       << "健康体重范围";
    QTest::newRow("6") << 6 << QPoint(290, 326) << "燃脂运动计算"
                       << "#505050"
                       << "燃脂运动就是燃烧脂肪的运动，怎样才算燃脂运动呢？"
                       << "燃脂运动计算";
}

void TestMainWindow::entries() {
    QFETCH(int, index);
    QFETCH(QPoint, panel);
    QFETCH(QString, title);
    QFETCH(QString, color);
    QFETCH(QString, tip);
    QFETCH(QString, caption);
    QCOMPARE(Tools()[static_cast<std::size_t>(index)].caption, caption);
    const QString n = QString::number(index);
    QWidget* back = Child(*m_form, "Picture_Back(" + n + ")");
    QCOMPARE(back->geometry(), QRect(panel, QSize(274, 112)));
    QCOMPARE(back->parentWidget()->objectName(), QStringLiteral("Picture_底部背景"));
    QCOMPARE(back->palette().color(QPalette::Window), QColor(Qt::white));

    const QRect logo = Child(*m_form, "Image_Logo(" + n + ")")->geometry();
    QVERIFY(logo.x() >= 18 && logo.x() <= 36 && logo.y() >= 10 && logo.y() <= 22);
    QVERIFY(logo.width() >= 57 && logo.width() <= 97 && logo.height() >= 62 && logo.height() <= 91);

    auto* label = static_cast<QLabel*>(Child(*m_form, "Label_Title(" + n + ")"));
    QCOMPARE(label->text(), title);
    // Grown to the font's line about the middle of a 16-pixel line at y = 24, clear of the tip.
    QCOMPARE(label->x(), index == 1 ? 118 : 116);
    QVERIFY2(qAbs(2 * label->y() + label->height() - 2 * 32) <= 1,
             qPrintable(QString::number(label->y())));
    QVERIFY(label->font().bold());
    QCOMPARE(label->font().pointSizeF(), 12.0);
    QVERIFY(label->font().families().contains(QStringLiteral("宋体")));
    QVERIFY(label->styleSheet().contains(color));

    auto* tipLabel = static_cast<QLabel*>(Child(*m_form, "Label_Tips(" + n + ")"));
    QTextDocument shown;
    shown.setHtml(tipLabel->text());
    QCOMPARE(shown.toPlainText(), tip);
    QCOMPARE(tipLabel->width(), 144);
    QVERIFY(tipLabel->x() >= 116 && tipLabel->x() <= 118 && tipLabel->y() >= 48 &&
            tipLabel->y() <= 50);
    QVERIFY(tipLabel->styleSheet().contains("#808080"));
    QVERIFY(label->geometry().bottom() < tipLabel->y());

    for (const QString& name : {"Image_Logo(" + n + ")", "Label_Title(" + n + ")"})
        QCOMPARE(Child(*m_form, name)->cursor().shape(), Qt::PointingHandCursor);
    for (const QString& name : {"Label_Tips(" + n + ")", "Picture_Back(" + n + ")"})
        QCOMPARE(Child(*m_form, name)->cursor().shape(), Qt::ArrowCursor);
}

void TestMainWindow::presses_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("opens"); // -1: nothing
    QTest::addColumn<QString>("caption");
    for (std::size_t i = 0; i < Tools().size(); ++i) {
        for (const char* control : {"Image_Logo(%1)", "Label_Title(%1)"}) {
            const QString name = QString::fromLatin1(control).arg(i);
            QTest::newRow(qPrintable("left on " + name))
                << name << int(Qt::LeftButton) << int(i) << Tools()[i].caption;
        }
    }
    QTest::newRow("right on logo") << "Image_Logo(2)" << int(Qt::RightButton) << -1 << "";
    QTest::newRow("middle on title") << "Label_Title(3)" << int(Qt::MiddleButton) << -1 << "";
    QTest::newRow("left on tip") << "Label_Tips(2)" << int(Qt::LeftButton) << -1 << "";
    QTest::newRow("left on panel") << "Picture_Back(4)" << int(Qt::LeftButton) << -1 << "";
    QTest::newRow("left on background") << "Picture_底部背景" << int(Qt::LeftButton) << -1 << "";
}

void TestMainWindow::presses() {
    QFETCH(QString, control);
    QFETCH(int, button);
    QFETCH(int, opens);
    QFETCH(QString, caption);
    m_form->show();
    // The press alone opens; no release follows.
    QTest::mousePress(Child(*m_form, control), Qt::MouseButton(button), {}, {5, 5});
    if (opens < 0) {
        QVERIFY(m_form->isVisible());
        for (qint16 i = 0; i < qint16(Tools().size()); ++i)
            QVERIFY(!方法_Form_Main::OpenToolWindow(i));
        return;
    }
    ToolWindow* tool = 方法_Form_Main::OpenToolWindow(static_cast<qint16>(opens));
    QVERIFY(tool);
    QVERIFY(tool->isVisible());
    QVERIFY(!m_form->isVisible());
    QCOMPARE(tool->windowTitle(), caption);
    QVERIFY(!tool->parentWidget());
}

void TestMainWindow::otherIndexesDoNothing() {
    m_form->show();
    for (qint16 index : {qint16(-1), qint16(7), qint16(32767), qint16(-32768)}) {
        方法_Form_Main::OpenTool(*m_form, index);
        QVERIFY(m_form->isVisible());
    }
}

void TestMainWindow::closeAndReopenIsFresh() {
    m_form->show();
    方法_Form_Main::OpenTool(*m_form, 4);
    QPointer<ToolWindow> first = 方法_Form_Main::OpenToolWindow(4);
    QVERIFY(first);
    first->findChild<QRadioButton*>("Option_性别(1)")->setChecked(true);
    first->findChild<QLineEdit*>("Text_Value(0)")->setText("30");
    first->findChild<QLineEdit*>("Text_Value(1)")->setText("170");
    first->findChild<QLineEdit*>("Text_Value(2)")->setText("65");
    first->findChild<QPushButton*>("Command_计算")->click();
    QVERIFY(!first->RichTextBox_结果()->Text().isEmpty());

    // Opening the same tool again while it is open reuses it.
    方法_Form_Main::OpenTool(*m_form, 4);
    QCOMPARE(方法_Form_Main::OpenToolWindow(4), first.data());

    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    first->close();
    QVERIFY(m_form->isVisible());
    QCOMPARE(lastClosed.count(), 0);
    QTest::qWait(0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!first);
    QVERIFY(!方法_Form_Main::OpenToolWindow(4));

    方法_Form_Main::OpenTool(*m_form, 4);
    ToolWindow* again = 方法_Form_Main::OpenToolWindow(4);
    QVERIFY(again);
    QVERIFY(again->findChild<QRadioButton*>("Option_性别(0)")->isChecked());
    for (const char* name : {"Text_Value(0)", "Text_Value(1)", "Text_Value(2)"})
        QVERIFY(again->findChild<QLineEdit*>(name)->text().isEmpty());
    QVERIFY(again->RichTextBox_结果()->Text().isEmpty());
}

void TestMainWindow::closingMainWindowEndsProgram() {
    m_form->show();
    QTimer::singleShot(0, m_form, [this] { m_form->close(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); }); // not ended: fail
    QCOMPARE(QApplication::exec(), 0);
}

void TestMainWindow::labelsHoldTheirTexts_data() {
    QTest::addColumn<int>("tool"); // -1 for the launcher
    QTest::newRow("launcher") << -1;
    for (int i = 0; i < 7; ++i)
        QTest::addRow("%s", qPrintable(Tools()[std::size_t(i)].caption)) << i;
}

// Registered a second time at QT_SCALE_FACTOR=2, where the glyphs are hinted at twice the size.
void TestMainWindow::labelsHoldTheirTexts() {
    QFETCH(int, tool);
    QWidget* window = m_form;
    if (tool >= 0) {
        方法_Form_Main::OpenTool(*m_form, static_cast<qint16>(tool));
        window = 方法_Form_Main::OpenToolWindow(static_cast<qint16>(tool));
    }
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const bool hasSong = QFontDatabase::hasFamily(QStringLiteral("宋体")) ||
                         QFontDatabase::hasFamily(QStringLiteral("SimSun"));
    QStringList cut;
    for (const QLabel* label : window->findChildren<QLabel*>()) {
        if (!label->text().isEmpty() && !QRectF(label->contentsRect()).contains(TextArea(label)))
            cut << label->objectName();
        // Song type, where the machine has no 宋体, from the CJK Song face Debian ships.
        if (label->font().families().contains(QStringLiteral("宋体")) && !hasSong)
            QCOMPARE(QFontInfo(label->font()).family(), QStringLiteral("Noto Serif CJK SC"));
    }
    QCOMPARE(cut.join(u' '), QString());
}

void TestMainWindow::cleanup() {
    for (qint16 i = 0; i < qint16(Tools().size()); ++i) {
        if (ToolWindow* tool = 方法_Form_Main::OpenToolWindow(i))
            tool->close();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
