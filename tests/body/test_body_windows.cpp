// The six body windows on screen: layout, input row, Calculate flow and the result box's menu.

#include "body/body_windows.h"
#include "body/core/standard_weight_tables.h"
#include "frame/message.h"
#include "frame/rich_text_box.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextDocument>
#include <memory>

namespace {

std::unique_ptr<BodyWindow> Create(const QString& kind) {
    if (kind == "bmi")
        return std::make_unique<Form_身体质量指数>();
    if (kind == "standard")
        return std::make_unique<Form_标准体重计算>();
    if (kind == "bmr")
        return std::make_unique<Form_基础代谢计算>();
    if (kind == "healthy")
        return std::make_unique<Form_健康体重范围>();
    if (kind == "zone")
        return std::make_unique<Form_燃脂运动计算>();
    if (kind == "assessment")
        return std::make_unique<Form_一分钟彻底了解自己>();
    qFatal("unknown window");
}

template <typename T = QWidget> T* Find(QWidget& window, const QString& name) {
    T* child = window.findChild<T*>(name);
    if (!child)
        qFatal("no control %s", qPrintable(name));
    return child;
}

QRect In(QWidget& window, const QString& name) {
    return Find(window, name)->geometry();
}

void Fill(BodyWindow& window, const QStringList& values) {
    for (int k = 0; k < values.size(); ++k)
        window.Text_Value(k)->setText(values[k]);
}

} // namespace

class TestBodyWindows : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void frameGeometry_data();
    void frameGeometry();
    void texts_data();
    void texts();
    void inputRow_data();
    void inputRow();
    void calculate_data();
    void calculate();
    void refusalKeepsReport();
    void calculateTwiceLeavesOneReport();
    void sexOptionChangesReport();
    void menuOpensOnRightButtonOnly();
    void menuCommands();
    void accessKeys();
    void copyEmptyBoxAndSelection();

  private:
    QStringList m_messages;
};

void TestBodyWindows::initTestCase() {
    自定义方法::BuildStandardWeightTables();
    SetMessageObserver([this](const QString& text) { m_messages << text; });
}

void TestBodyWindows::init() {
    m_messages.clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
}

void TestBodyWindows::cleanup() {
    // A stray popup would swallow the next test's input.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QMenu*>(w))
            w->hide();
}

void TestBodyWindows::frameGeometry_data() {
    QTest::addColumn<QString>("kind");
    for (const char* kind : {"bmi", "standard", "bmr", "healthy", "zone", "assessment"})
        QTest::newRow(kind) << QString(kind);
}

void TestBodyWindows::frameGeometry() {
    QFETCH(QString, kind);
    auto window = Create(kind);
    QCOMPARE(window->size(), QSize(674, 532));
    QCOMPARE(window->minimumSize(), window->maximumSize());
    QCOMPARE(In(*window, "Picture_顶部"), QRect(0, 0, 675, 179));
    QCOMPARE(In(*window, "Image_顶部图片"), QRect(80, 58, 61, 84));
    QCOMPARE(In(*window, "Label_顶部标题"), QRect(188, 42, 167, 23));
    // The tip may grow downwards within the header to hold its last line whole; the prompt, to
    // hold its font's line about the middle of its 20 pixels at y = 24.
    const QRect tip = In(*window, "Label_顶部提示");
    QCOMPARE(tip.topLeft(), QPoint(188, 72));
    QCOMPARE(tip.width(), 433);
    QVERIFY(tip.height() >= 87 && tip.bottom() < 178);
    QCOMPARE(In(*window, "Picture_底部"), QRect(0, 178, 675, 353));
    const QRect promptArea = In(*window, "Label_Tip");
    QCOMPARE(promptArea.x(), 44);
    QVERIFY(qAbs(2 * promptArea.y() + promptArea.height() - 2 * 34) <= 1);
    QCOMPARE(In(*window, "Command_计算"), QRect(536, 56, 95, 23));
    QCOMPARE(In(*window, "Shape_边框"), QRect(34, 96, 607, 233));
    QCOMPARE(In(*window, "RichTextBox_结果"), QRect(36, 98, 603, 229));

    auto* title = Find<QLabel>(*window, "Label_顶部标题");
    QVERIFY(title->font().bold());
    QCOMPARE(title->font().pointSizeF(), 10.5);
    QVERIFY(title->styleSheet().contains("#404040"));
    auto* prompt = Find<QLabel>(*window, "Label_Tip");
    QVERIFY(prompt->font().bold());
    QCOMPARE(prompt->font().pointSizeF(), 10.5);
    QVERIFY(Find<QLabel>(*window, "Picture_顶部")->styleSheet().contains("#FAFFEA"));
    QVERIFY(window->RichTextBox_结果()->Text().isEmpty());
}

void TestBodyWindows::texts_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<QString>("tipStart");
    QTest::addColumn<QString>("tooltip");
    QTest::newRow("bmi") << "bmi"
                         << "身体质量指数(BMI)"
                         << "BMI 身体质量指数"
                         << "请输入您的身高和体重："
                         << "BMI[Body Mass Index] 即BMI指数"
                         << "点击进行计算";
    QTest::newRow("standard") << "standard"
                              << "标准体重计算"
                              << "标准体重计算"
                              << "请输入您的性别、身高和年龄："
                              << "您的体重符合标准吗？"
                              << "";
    QTest::newRow("bmr") << "bmr"
                         << "基础代谢计算"
                         << "基础代谢计算"
                         << "请输入您的性别、年龄、身高和体重："
                         << "基础代谢率（BMR）是指人体"
                         << "点击进行计算";
    QTest::newRow("healthy") << "healthy"
                             << "健康体重范围"
                             << "健康体重范围"
                             << "请输入您的身高："
                             << "健康体重不同于标准体重"
                             << "点击进行计算";
    QTest::newRow("zone") << "zone"
                          << "燃脂运动计算"
                          << "燃脂运动计算"
                          << "请输入您的年龄："
                          << "燃脂运动就是"
                          << "点击进行计算";
    QTest::newRow("assessment") << "assessment"
                                << "一分钟彻底了解自己"
                                << "1分钟彻底了解自己"
                                << "请输入您的性别、年龄、身高和体重："
                                << "1分钟彻底了解自己的标准体重"
                                << "点击进行计算";
}

void TestBodyWindows::texts() {
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QString, title);
    QFETCH(QString, prompt);
    QFETCH(QString, tipStart);
    QFETCH(QString, tooltip);
    auto window = Create(kind);
    QCOMPARE(window->windowTitle(), caption);
    QCOMPARE(Find<QLabel>(*window, "Label_顶部标题")->text(), title);
    QCOMPARE(Find<QLabel>(*window, "Label_Tip")->text(), prompt);
    QTextDocument tip;
    tip.setHtml(Find<QLabel>(*window, "Label_顶部提示")->text());
    QVERIFY2(tip.toPlainText().startsWith(tipStart), qPrintable(tip.toPlainText()));
    QCOMPARE(window->Command_计算()->text(), QStringLiteral("计算"));
    QCOMPARE(window->Command_计算()->toolTip(), tooltip);
}

void TestBodyWindows::inputRow_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("asksSex");
    QTest::addColumn<QStringList>("names"); // accessible names of Text_Value(0), (1), ...
    QTest::newRow("bmi") << "bmi" << false << QStringList{"身高", "体重"};
    QTest::newRow("standard") << "standard" << true << QStringList{"年龄", "身高"};
    QTest::newRow("bmr") << "bmr" << true << QStringList{"年龄", "身高", "体重"};
    QTest::newRow("healthy") << "healthy" << false << QStringList{"身高"};
    QTest::newRow("zone") << "zone" << false << QStringList{"年龄"};
    QTest::newRow("assessment") << "assessment" << true << QStringList{"年龄", "身高", "体重"};
}

void TestBodyWindows::inputRow() {
    QFETCH(QString, kind);
    QFETCH(bool, asksSex);
    QFETCH(QStringList, names);
    auto window = Create(kind);
    QCOMPARE(window->FieldCount(), names.size());
    QCOMPARE(window->Option_性别(0) != nullptr, asksSex);
    QCOMPARE(window->findChild<QLabel*>("Label_性别") != nullptr, asksSex);
    if (asksSex) {
        QCOMPARE(window->Option_性别(0)->text(), QStringLiteral("男"));
        QCOMPARE(window->Option_性别(1)->text(), QStringLiteral("女"));
        QVERIFY(window->Option_性别(0)->isChecked());
        window->Option_性别(1)->click();
        QVERIFY(!window->Option_性别(0)->isChecked());
    }
    int right = 0; // left to right, inside the row, clear of the button
    QList<QWidget*> chain;
    for (int k = 0; k < names.size(); ++k) {
        QLineEdit* box = window->Text_Value(k);
        QCOMPARE(box->objectName(), QStringLiteral("Text_Value(%1)").arg(k));
        QCOMPARE(box->size(), QSize(43, 18));
        QVERIFY(box->y() >= 56 && box->y() <= 61);
        QVERIFY(box->x() > right);
        right = box->geometry().right();
        QVERIFY(box->text().isEmpty());
        QCOMPARE(box->accessibleName(), names[k]);
        chain << box;
    }
    QVERIFY(right < 536);
    chain << window->Command_计算();
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QCOMPARE(QApplication::focusWidget(), chain.first()); // typing goes to the first field
    chain.first()->setFocus();
    for (int i = 1; i < chain.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), chain[i]);
    }
}

void TestBodyWindows::calculate_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("female");
    QTest::addColumn<QString>("firstLine");
    QTest::newRow("bmi") << "bmi" << QStringList{"170", "65"} << false
                         << "您的身体质量指数（BMI）为：22.49";
    QTest::newRow("bmi with units")
        << "bmi" << QStringList{"180cm", "64.8kg"} << false << "您的身体质量指数（BMI）为：20";
    QTest::newRow("standard woman") << "standard" << QStringList{"30", "165"} << true
                                    << "您的年龄身高对应标准体重为： 52 公斤。(1公斤=2斤)";
    QTest::newRow("bmr woman") << "bmr" << QStringList{"30", "160", "55"} << true
                               << "您的基础代谢率为： 1317 大卡";
    QTest::newRow("healthy") << "healthy" << QStringList{"175"} << false
                             << "您的健康体重范围为：57公斤～74公斤";
    QTest::newRow("zone") << "zone" << QStringList{"30岁"} << false
                          << "您的中低强度运动心率是：114 次/分钟到 152 次/分钟";
    QTest::newRow("assessment") << "assessment" << QStringList{"30", "170", "65"} << false
                                << "您的身体质量指数（BMI）为：22.49";
}

void TestBodyWindows::calculate() {
    QFETCH(QString, kind);
    QFETCH(QStringList, values);
    QFETCH(bool, female);
    QFETCH(QString, firstLine);
    auto window = Create(kind);
    Fill(*window, values);
    if (female)
        window->Option_性别(1)->setChecked(true);
    QTest::mouseClick(window->Command_计算(), Qt::LeftButton);
    RichTextBox* box = window->RichTextBox_结果();
    QCOMPARE(box->Text().section(QStringLiteral("\r\n"), 0, 0), firstLine);
    QVERIFY(box->IsBoldAt(0));
    QCOMPARE(box->SelStart(), 0);
    QCOMPARE(box->SelLength(), 0);
    QVERIFY(m_messages.isEmpty());
}

void TestBodyWindows::refusalKeepsReport() {
    Form_基础代谢计算 window;
    Fill(window, {"30", "170", "65"});
    window.Command_计算()->click();
    const QString html = window.RichTextBox_结果()->toHtml();
    const QString text = window.RichTextBox_结果()->Text();

    Fill(window, {"0", "", "x"}); // every field wrong: only the first message
    window.Command_计算()->click();
    QCOMPARE(m_messages, QStringList{"请正确填写您的“年龄”！"});
    QCOMPARE(window.RichTextBox_结果()->Text(), text);
    QCOMPARE(window.RichTextBox_结果()->toHtml(), html);
    QCOMPARE(window.Text_Value(1)->text(), QString());
    QCOMPARE(window.Text_Value(2)->text(), QStringLiteral("x"));

    Fill(window, {"30", "", "65"});
    window.Command_计算()->click();
    QCOMPARE(m_messages.last(), QStringLiteral("请正确填写您的“身高”！"));
    QCOMPARE(window.RichTextBox_结果()->toHtml(), html);
}

void TestBodyWindows::calculateTwiceLeavesOneReport() {
    Form_健康体重范围 window;
    Fill(window, {"170"});
    window.Command_计算()->click();
    window.Command_计算()->click();
    QCOMPARE(window.RichTextBox_结果()->Text(),
             QStringLiteral("您的健康体重范围为：53公斤～69公斤\r\n\r\n"));
}

void TestBodyWindows::sexOptionChangesReport() {
    Form_标准体重计算 window;
    Fill(window, {"30", "180"});
    window.Command_计算()->click();
    QCOMPARE(window.RichTextBox_结果()->Text(),
             QStringLiteral("您的年龄身高对应标准体重为： 68 公斤。(1公斤=2斤)"));
    window.Option_性别(1)->setChecked(true); // women stop at 176 cm
    window.Command_计算()->click();
    QCOMPARE(m_messages, QStringList{"请正确填写您的“身高”！"});
    QVERIFY(window.RichTextBox_结果()->Text().contains(" 68 "));
}

void TestBodyWindows::menuOpensOnRightButtonOnly() {
    Form_身体质量指数 window;
    window.show();
    QMenu* menu = window.Pop_TextBox();
    QWidget* viewport = window.RichTextBox_结果()->viewport();
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
        QTest::mousePress(viewport, button, {}, {10, 10});
        QTest::mouseRelease(viewport, button, {}, {10, 10});
        QVERIFY(!menu->isVisible());
    }
    QTest::mousePress(Find(window, "Command_计算"), Qt::RightButton);
    QVERIFY(!menu->isVisible());
    QTest::mousePress(viewport, Qt::RightButton, {}, {10, 10});
    QVERIFY(menu->isVisible());
    QCOMPARE(menu->title(), QStringLiteral("文本操作"));
    const QList<QAction*> items = menu->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0]->text(), QStringLiteral("复制选中[&C]"));
    QCOMPARE(items[1]->text(), QStringLiteral("复制全部[&A]"));
    QVERIFY(items[2]->isSeparator());
    QCOMPARE(items[3]->text(), QStringLiteral("清除信息[&R]"));
    for (QAction* item : items)
        QVERIFY(item->shortcut().isEmpty());
    menu->hide();
}

void TestBodyWindows::menuCommands() {
    Form_燃脂运动计算 window;
    Fill(window, {"30"});
    window.Command_计算()->click();
    RichTextBox* box = window.RichTextBox_结果();
    QMenu* menu = window.Pop_TextBox();

    menu->actions()[1]->trigger();
    const QString all = QGuiApplication::clipboard()->text();
    QVERIFY(all.startsWith(QStringLiteral("您的中低强度运动心率是：114 次/分钟到 152 次/分钟\r\n"
                                          "人体要燃烧脂肪")));
    QCOMPARE(all.count(QStringLiteral("\r\n")), 5);
    QCOMPARE(m_messages, QStringList{"已成功复制全部信息！"});

    box->SetSelStart(12);
    box->SetSelLength(3);
    menu->actions()[0]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("114"));
    QCOMPARE(m_messages.last(), QStringLiteral("已成功复制选中信息！"));

    box->SetSelStart(28);
    box->SetSelLength(4); // "分钟", CR, LF
    menu->actions()[0]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("分钟\r\n"));

    menu->actions()[3]->trigger();
    QCOMPARE(box->Text(), QString());
    QCOMPARE(box->document()->toPlainText(), QString());
    QCOMPARE(m_messages.size(), 3); // clearing asks and tells nothing

    window.Command_计算()->click();
    QVERIFY(box->Text().startsWith(QStringLiteral("您的中低强度运动心率是：114")));
}

void TestBodyWindows::accessKeys() {
    Form_健康体重范围 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    Fill(window, {"180"});
    window.Command_计算()->click();
    QMenu* menu = window.Pop_TextBox();

    QTest::mousePress(window.RichTextBox_结果()->viewport(), Qt::RightButton, {}, {5, 5});
    QVERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_A);
    QVERIFY(!menu->isVisible());
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("您的健康体重范围为：60公斤～78公斤\r\n\r\n"));
    QCOMPARE(m_messages, QStringList{"已成功复制全部信息！"});

    QTest::mousePress(window.RichTextBox_结果()->viewport(), Qt::RightButton, {}, {5, 5});
    QTest::keyClick(menu, Qt::Key_R);
    QCOMPARE(window.RichTextBox_结果()->Text(), QString());
}

void TestBodyWindows::copyEmptyBoxAndSelection() {
    Form_身体质量指数 window;
    QMenu* menu = window.Pop_TextBox();
    menu->actions()[1]->trigger(); // nothing calculated yet
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    Fill(window, {"170", "65"});
    window.Command_计算()->click();
    menu->actions()[0]->trigger(); // the report leaves a caret, no selection
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
    QCOMPARE(m_messages, (QStringList{"已成功复制全部信息！", "已成功复制选中信息！"}));
}

QTEST_MAIN(TestBodyWindows)
#include "test_body_windows.moc"
