// The calorie window with a food table loaded from a generated database: the food list, the
// meal tree and the running total.

#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/daily_target.h"
#include "calorie/core/food_reader.h"
#include "calorie/core/food_table.h"
#include "calorie/core/intake.h"
#include "calorie/daily_target_dialog.h"
#include "calorie/diary.h"
#include "calorie/food_search.h"
#include "calorie/own_foods.h"
#include "diary/diary_store.h"
#include "diary/room.h"
#include "food_fixtures.h"
#include "frame/file_dialogs.h"
#include "frame/message.h"
#include "frame/rich_text_box.h"
#include "tests/activate_window.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <csignal>
#include <memory>

using namespace 方法_卡路里计算器;

namespace {

const QString SecondLine = QStringLiteral("\r\n总消耗 = 活动消耗 + 基础代谢率");

// Foods 1 to 200 of the fixture, with energies worth testing in the first rows.
jet4::Table TestFoods() {
    jet4::Table table = fixtures::Foods(200);
    const QStringList energies{"52", "116", "12.5", "0.3", "1234.5", "0.625", "0.5", "abc"};
    for (int i = 0; i < energies.size(); ++i)
        table.rows[static_cast<size_t>(i)][2] = energies[i];
    table.rows[8][2] = std::monostate{}; // food 9 has no energy at all
    table.rows[2][3] = QStringLiteral("50");
    table.rows[3][3] = std::monostate{}; // food 4 has no weight
    return table;
}

void FailOnMessage(const QString& text) {
    QFAIL(qPrintable("unexpected message " + text));
}

QString Summary(RichTextBox* box) {
    return box->Text();
}

} // namespace

class TestCalorieWindow : public QObject {
    Q_OBJECT

  private Q_SLOTS:
    void initTestCase();
    void init();
    void freshWindow();
    void foodListColumns();
    void addSameFoodTwice();
    void addWithFoodNodeSelected();
    void removeOneOfTwoIdentical();
    void doubleClickMealRemovesNothing();
    void addThenRemoveRoundsToTwoDecimals_data();
    void addThenRemoveRoundsToTwoDecimals();
    void clearThenAddShowsRunningTotal();
    void foodsWithoutEnergyAddNothing();
    void nothingSelected();
    void reopenedWindowIsEmpty();
    void smallDatabaseShowsOnlyItsFoods();
    void foodsArrivingLaterFillTheList();
    void noRenaming();
    void totalShowsRedWhileTheListHasTheFocus();
    void findAsYouType_data();
    void findAsYouType();
    void subtotalsAddUpToTheTotal_data();
    void subtotalsAddUpToTheTotal();
    void weighedFoodsAndTarget_data();
    void weighedFoodsAndTarget();
    void exportPlan_data();
    void exportPlan();
    void diaryFaults_data();
    void diaryFaults();
    void waitsForTheLock_data();
    void waitsForTheLock();
    void unreadableRowsSaidOnce();
    void diaryOnAgain_data();
    void diaryOnAgain();
    void ownFoodsAndPortions_data();
    void ownFoodsAndPortions();
    void deletedOwnFoodChangesNoDay();
    void ownFoodStoreLocked();
    void anotherWindowsNewFood();
    void nutrients_data();
    void nutrients();
    void goalsInTheDialog_data();
    void goalsInTheDialog();

  private:
    Form_卡路里计算器& Window() { return *m_window; }
    void SelectMeal(int meal);
    void SelectFood(int row);
    void DoubleClick(QTreeWidget* tree, QTreeWidgetItem* item);
    void AddFood(int meal, int row);

    QTemporaryDir m_dir;
    QTemporaryDir m_config; // stands in for the user's configuration folder
    QTemporaryDir m_data;   // and for the user's data folder
    FoodSlots m_foods;
    FoodSlots m_three;
    FoodSlots m_named; // m_foods with real names in some slots
    std::unique_ptr<Form_卡路里计算器> m_window;
};

void TestCalorieWindow::initTestCase() {
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    SetMessageObserver(FailOnMessage);
    QVERIFY(m_dir.isValid());
    自定义方法::LoadFoodTable(fixtures::Write(m_dir, "foods.mdb", TestFoods()), m_foods);
    QCOMPARE(m_foods.Slot(200).FoodName, QStringLiteral("食物200"));
    自定义方法::LoadFoodTable(fixtures::Write(m_dir, "three.mdb", fixtures::Foods(3)), m_three);
    m_named = m_foods;
    const std::pair<int, QStringList> named[] = {{6, {"蛤蜊", "花蛤"}},
                                                 {150, {"金枪鱼", "吞拿鱼"}}};
    for (const auto& [slot, names] : named) {
        m_named.Slot(slot).FoodName = names[0];
        m_named.Slot(slot).FoodOtherName = names[1];
    }
}

void TestCalorieWindow::init() {
    m_window.reset();
    // Own foods made by an earlier test live in the diary: each test starts without one.
    if (DiaryStore leftover; leftover.Open() == DiaryStore::State::Open)
        QVERIFY(leftover.Delete());
    m_window = std::make_unique<Form_卡路里计算器>(m_foods);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestCalorieWindow::SelectMeal(int meal) {
    QTreeWidget* tree = Window().TreeView_食物列表();
    tree->setCurrentItem(tree->topLevelItem(meal));
}

void TestCalorieWindow::SelectFood(int row) {
    QTreeWidget* list = Window().ListView_食物列表();
    list->setCurrentItem(list->topLevelItem(row));
}

void TestCalorieWindow::DoubleClick(QTreeWidget* tree, QTreeWidgetItem* item) {
    tree->scrollToItem(item);
    const QPoint at = tree->visualItemRect(item).center();
    // As a mouse delivers it: a click, then the second press as a double-click.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
}

void TestCalorieWindow::AddFood(int meal, int row) {
    SelectMeal(meal);
    QTreeWidget* list = Window().ListView_食物列表();
    DoubleClick(list, list->topLevelItem(row));
}

void TestCalorieWindow::freshWindow() {
    QCOMPARE(Window().windowTitle(), QStringLiteral("卡路里计算器"));
    QCOMPARE(Window().size(), QSize(674, 532));
    QTreeWidget* tree = Window().TreeView_食物列表();
    QCOMPARE(tree->geometry(), QRect(2, 2, 233, 465));
    QCOMPARE(tree->toolTip(), QStringLiteral("双击节点删除"));
    QCOMPARE(Window().RichTextBox_结果()->geometry(), QRect(4, 472, 231, 55));
    QCOMPARE(tree->topLevelItemCount(), 6);
    const QStringList meals{"早餐", "上午加餐", "午餐", "下午加餐", "晚餐", "晚上加餐"};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(tree->topLevelItem(i)->text(0), meals[i]);
        QVERIFY(tree->topLevelItem(i)->isExpanded());
        QCOMPARE(tree->topLevelItem(i)->childCount(), 0);
    }
    QVERIFY(tree->selectedItems().isEmpty());
    QCOMPARE(Window().ListView_食物列表()->topLevelItemCount(), 200);

    RichTextBox* box = Window().RichTextBox_结果();
    QCOMPARE(Summary(box), "共摄入：0 大卡" + SecondLine);
    QCOMPARE(box->ColorAt(4), RgbColor(0xFF, 0, 0));
    QVERIFY(box->ColorAt(3) != RgbColor(0xFF, 0, 0));
    QVERIFY(box->ColorAt(5) != RgbColor(0xFF, 0, 0));
    QCOMPARE(box->SelStart(), 4);
    QCOMPARE(box->SelLength(), 1);
}

void TestCalorieWindow::foodListColumns() {
    QTreeWidget* list = Window().ListView_食物列表();
    QCOMPARE(list->geometry(), QRect(240, 2, 429, 525));
    QCOMPARE(list->toolTip(), QStringLiteral("双击列表添加"));
    const QStringList headers{"食物名称", "食物别名", "食物热量", "食物重量"};
    const int widths[] = {157, 87, 87, 73};
    const bool right[] = {false, false, true, true};
    for (int c = 0; c < 4; ++c) {
        QCOMPARE(list->headerItem()->text(c), headers[c]);
        QCOMPARE(list->columnWidth(c), widths[c]);
        QCOMPARE(bool(list->headerItem()->textAlignment(c) & Qt::AlignRight), right[c]);
        QCOMPARE(bool(list->topLevelItem(0)->textAlignment(c) & Qt::AlignRight), right[c]);
    }
    const QTreeWidgetItem* first = list->topLevelItem(0);
    QCOMPARE(first->text(0), QStringLiteral("食物1"));
    QCOMPARE(first->text(1), QStringLiteral("别名1"));
    QCOMPARE(first->text(2), QStringLiteral("52 大卡"));
    QCOMPARE(first->text(3), QStringLiteral("100 克"));
    QCOMPARE(list->topLevelItem(199)->text(0), QStringLiteral("食物200"));
    QCOMPARE(list->topLevelItem(199)->text(2), QStringLiteral("200 大卡"));
}

void TestCalorieWindow::addSameFoodTwice() {
    AddFood(2, 0);
    AddFood(2, 0);
    QTreeWidgetItem* lunch = Window().TreeView_食物列表()->topLevelItem(2);
    QCOMPARE(lunch->childCount(), 2);
    QCOMPARE(lunch->child(0)->text(0), QStringLiteral("52 大卡  食物1"));
    QCOMPARE(lunch->child(1)->text(0), QStringLiteral("52 大卡  食物1"));
    AddFood(2, 1);
    QCOMPARE(lunch->child(2)->text(0), QStringLiteral("116 大卡  食物2"));
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：220 大卡" + SecondLine);
    // The meal stays selected for the next food; the number is red.
    QCOMPARE(Window().TreeView_食物列表()->currentItem(), lunch);
    for (int pos : {4, 5, 6})
        QCOMPARE(Window().RichTextBox_结果()->ColorAt(pos), RgbColor(0xFF, 0, 0));
    QVERIFY(Window().RichTextBox_结果()->ColorAt(7) != RgbColor(0xFF, 0, 0));
    QCOMPARE(Window().RichTextBox_结果()->SelText(), QStringLiteral("220"));
}

void TestCalorieWindow::addWithFoodNodeSelected() {
    AddFood(0, 1);
    QTreeWidget* tree = Window().TreeView_食物列表();
    tree->setCurrentItem(tree->topLevelItem(0)->child(0));
    QTreeWidget* list = Window().ListView_食物列表();
    DoubleClick(list, list->topLevelItem(0));
    QCOMPARE(tree->topLevelItem(0)->childCount(), 1);
    QCOMPARE(tree->topLevelItem(0)->child(0)->childCount(), 0);
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：116 大卡" + SecondLine);
}

void TestCalorieWindow::removeOneOfTwoIdentical() {
    AddFood(4, 0);
    AddFood(4, 1);
    AddFood(4, 0);
    QTreeWidget* tree = Window().TreeView_食物列表();
    QTreeWidgetItem* dinner = tree->topLevelItem(4);
    QTreeWidgetItem* second = dinner->child(2);
    tree->setCurrentItem(second);
    DoubleClick(tree, second);
    QCOMPARE(dinner->childCount(), 2);
    QCOMPARE(dinner->child(0)->text(0), QStringLiteral("52 大卡  食物1"));
    QCOMPARE(dinner->child(1)->text(0), QStringLiteral("116 大卡  食物2"));
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：168 大卡" + SecondLine);
}

void TestCalorieWindow::doubleClickMealRemovesNothing() {
    AddFood(4, 0);
    QTreeWidget* tree = Window().TreeView_食物列表();
    DoubleClick(tree, tree->topLevelItem(4));
    QCOMPARE(tree->topLevelItemCount(), 6);
    QCOMPARE(tree->topLevelItem(4)->childCount(), 1);
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：52 大卡" + SecondLine);
}

void TestCalorieWindow::addThenRemoveRoundsToTwoDecimals_data() {
    QTest::addColumn<QList<int>>("added"); // list rows, all into breakfast
    QTest::addColumn<QString>("afterAdding");
    QTest::addColumn<int>("removed"); // child index
    QTest::addColumn<QString>("afterRemoving");
    QTest::newRow("12.5 + 0.3 - 0.3") << QList<int>{2, 3} << "12.8" << 1 << "12.5";
    QTest::newRow("add then remove") << QList<int>{0} << "52" << 0 << "0";
    QTest::newRow("0.1 noise is rounded away") << QList<int>{3, 3, 3} << "0.9" << 0 << "0.6";
    QTest::newRow("true half goes to even") << QList<int>{5, 6} << "1.125" << 1 << "0.62";
    QTest::newRow("no thousands separator") << QList<int>{4, 0} << "1286.5" << 1 << "1234.5";
}

void TestCalorieWindow::addThenRemoveRoundsToTwoDecimals() {
    QFETCH(QList<int>, added);
    QFETCH(QString, afterAdding);
    QFETCH(int, removed);
    QFETCH(QString, afterRemoving);
    for (int row : added)
        AddFood(0, row);
    RichTextBox* box = Window().RichTextBox_结果();
    QCOMPARE(Summary(box), "共摄入：" + afterAdding + " 大卡" + SecondLine);
    QTreeWidget* tree = Window().TreeView_食物列表();
    QTreeWidgetItem* node = tree->topLevelItem(0)->child(removed);
    tree->setCurrentItem(node);
    DoubleClick(tree, node);
    QCOMPARE(Summary(box), "共摄入：" + afterRemoving + " 大卡" + SecondLine);
    QCOMPARE(box->SelText(), afterRemoving);
    QCOMPARE(box->ColorAt(4 + afterRemoving.size() - 1), RgbColor(0xFF, 0, 0));
}

void TestCalorieWindow::clearThenAddShowsRunningTotal() {
    AddFood(1, 0);
    RichTextBox* box = Window().RichTextBox_结果();
    QMenu* menu = Window().Pop_TextBox();
    menu->actions()[3]->trigger();
    QCOMPARE(Summary(box), QString());
    AddFood(1, 1);
    QCOMPARE(Summary(box), "共摄入：168 大卡" + SecondLine);
}

void TestCalorieWindow::foodsWithoutEnergyAddNothing() {
    for (int row : {7, 8}) { // "abc" and no energy
        AddFood(3, row);
        QCOMPARE(Window().TreeView_食物列表()->topLevelItem(3)->childCount(), 0);
    }
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：0 大卡" + SecondLine);
}

void TestCalorieWindow::nothingSelected() {
    QTreeWidget* tree = Window().TreeView_食物列表();
    QTreeWidget* list = Window().ListView_食物列表();
    SelectFood(0);
    AddFoodToMeal(Window()); // no meal selected
    SelectMeal(0);
    list->clearSelection();
    AddFoodToMeal(Window()); // no food selected
    tree->clearSelection();
    RemoveFoodFromMeal(Window());
    for (int i = 0; i < 6; ++i)
        QCOMPARE(tree->topLevelItem(i)->childCount(), 0);
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：0 大卡" + SecondLine);
}

void TestCalorieWindow::reopenedWindowIsEmpty() {
    AddFood(2, 1);
    m_window->close();
    m_window = std::make_unique<Form_卡路里计算器>(m_foods);
    QCOMPARE(Window().Day().Total(), 0.0);
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：0 大卡" + SecondLine);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(Window().TreeView_食物列表()->topLevelItem(i)->childCount(), 0);
}

void TestCalorieWindow::smallDatabaseShowsOnlyItsFoods() {
    Form_卡路里计算器 window(m_three);
    QTreeWidget* list = window.ListView_食物列表();
    QCOMPARE(list->topLevelItemCount(), 200);
    int visible = 0;
    for (int i = 0; i < 200; ++i)
        visible += list->topLevelItem(i)->isHidden() ? 0 : 1;
    QCOMPARE(visible, 3);
    QCOMPARE(list->topLevelItem(2)->text(0), QStringLiteral("食物3"));
    QVERIFY(list->topLevelItem(3)->isHidden());
}

void TestCalorieWindow::noRenaming() {
    QCOMPARE(Window().TreeView_食物列表()->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(Window().ListView_食物列表()->editTriggers(), QAbstractItemView::NoEditTriggers);
    QTreeWidgetItem* meal = Window().TreeView_食物列表()->topLevelItem(0);
    Window().TreeView_食物列表()->setCurrentItem(meal);
    QTest::keyClick(Window().TreeView_食物列表(), Qt::Key_F2);
    QVERIFY(!Window().TreeView_食物列表()->findChild<QLineEdit*>()); // no editor opened
}

namespace {

// Pixels of the box that are clearly red, and those in the colour of a painted selection.
std::pair<int, int> RedAndHighlight(RichTextBox* box) {
    const QImage shot = box->viewport()->grab().toImage();
    const QRgb highlight = box->palette().color(QPalette::Active, QPalette::Highlight).rgb();
    int red = 0;
    int highlighted = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            red += c.red() > 200 && c.green() < 80 && c.blue() < 80;
            highlighted += c.rgb() == highlight;
        }
    return {red, highlighted};
}

} // namespace

// The summary leaves its number selected; while the box has no focus the number shows red, and
// the selection comes back, still the number, when the user tabs into the box.
void TestCalorieWindow::totalShowsRedWhileTheListHasTheFocus() {
    ActivateWindow(&Window());
    QVERIFY(QTest::qWaitForWindowActive(&Window()));
    QCOMPARE(QApplication::focusWidget(), Window().TreeView_食物列表());
    AddFood(2, 0);
    QVERIFY(Window().ListView_食物列表()->hasFocus());
    RichTextBox* box = Window().RichTextBox_结果();
    QCOMPARE(box->SelText(), QStringLiteral("52"));
    const auto [red, highlighted] = RedAndHighlight(box);
    QVERIFY(red > 20);
    QCOMPARE(highlighted, 0);

    box->setFocus(Qt::TabFocusReason);
    QVERIFY(box->hasFocus());
    QVERIFY(RedAndHighlight(box).second > 20);
    QCOMPARE(box->SelText(), QStringLiteral("52"));
}

namespace {

QStringList Shown(QTreeWidget* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (!list->topLevelItem(i)->isHidden())
            names.append(list->topLevelItem(i)->text(0));
    }
    return names;
}

// Keys as a user types them, each to whatever has the focus then; Chinese as an input method
// commits it.
void Type(const QString& keys) {
    for (QChar c : keys) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(c);
        QApplication::sendEvent(QApplication::focusWidget(), &commit);
    }
}

void Key(Qt::Key key) {
    QTest::keyClick(QApplication::focusWidget(), key);
}

bool ActivateWithListFocused(Form_卡路里计算器& window) {
    window.show();
    ActivateWindow(&window);
    // Focus given once the window is active: Qt 6.8 moves it again on activation.
    const bool active = QTest::qWaitForWindowActive(&window);
    QWidget* list = window.ListView_食物列表();
    list->setFocus();
    return active && QTest::qWaitFor([list] { return list->hasFocus(); });
}

} // namespace

// Each way of typing opens the field with the text and shows the matches in table order, the
// first selected; Esc shows all foods again with the found one selected and in view.
void TestCalorieWindow::findAsYouType_data() {
    // keys, commit or pre-edit (input method), find (Ctrl+F), paste
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("input method") << "commit"
                                  << "吞拿" << QStringList{"金枪鱼"};
    QTest::newRow("pre-edit with blanks") << "preedit"
                                          << "jin qiang" << QStringList{"金枪鱼"};
    QTest::newRow("pre-edit with apostrophes") << "preedit"
                                               << "tun'na" << QStringList{"金枪鱼"};
    // An engine that shows its conversion of jq: the initials typed are read back.
    QTest::newRow("pre-edit in characters") << "preedit"
                                            << "经前" << QStringList{"金枪鱼"};
    // Found as shown, so not by its initial as well: h would find every 食物.
    QTest::newRow("pre-edit found as shown") << "preedit"
                                             << "花" << QStringList{"蛤蜊"};
    // Committed before the bar, composed after it.
    QTest::newRow("a portion composed after its count") << "preedit"
                                                        << "金枪鱼 2|wan" << QStringList{"金枪鱼"};
    QTest::newRow("a count and portion composed") << "preedit"
                                                  << "金枪鱼 |liangwan" << QStringList{"金枪鱼"};
    QTest::newRow("Ctrl+F") << "find"
                            << "geli" << QStringList{"蛤蜊"};
    QTest::newRow("nothing") << "keys"
                             << "zz" << QStringList{};
    QTest::newRow("10000 characters") << "paste" << QString(10000, u'x') << QStringList{};
}

void TestCalorieWindow::findAsYouType() {
    QFETCH(QString, how);
    QFETCH(QString, typed);
    QFETCH(QStringList, shown);
    Form_卡路里计算器 window(m_named);
    QVERIFY(ActivateWithListFocused(window));
    QTreeWidget* list = window.ListView_食物列表();
    list->setCurrentItem(list->topLevelItem(1));
    QLineEdit* field = window.Search().Field();
    if (how == "keys") {
        Type(typed);
    } else if (how == "commit") {
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(list, &commit);
    } else if (how == "preedit") {
        const QStringList parts = typed.split(u'|');
        if (parts.size() == 2)
            Type(parts[0]);
        QInputMethodEvent compose(parts.last(), {});
        QApplication::sendEvent(QApplication::focusWidget(), &compose);
    } else {
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(Shown(list).size(), 200);
        QApplication::clipboard()->setText(typed);
        if (how == "find")
            Type(typed);
        else
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    }
    const bool composing = how == "preedit" && !typed.contains(u'|');
    QVERIFY(field->isVisible());
    if (composing) {
        // Moving the focus would end the composition; the input method's window opens at the
        // field's cursor.
        QVERIFY(list->hasFocus() && field->text().isEmpty());
        QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImCursorRectangle);
        QApplication::sendEvent(list, &query);
        QVERIFY(query.value(Qt::ImEnabled).toBool());
        const QRect cursor = query.value(Qt::ImCursorRectangle).toRect().translated(list->pos());
        QVERIFY(field->geometry().contains(cursor.center()));
        // with the pre-edit shown before it
        QVERIFY(cursor.center().x() - field->x() >= field->fontMetrics().horizontalAdvance(typed));
    } else {
        QVERIFY(field->hasFocus());
        QVERIFY(typed.startsWith(field->text()) && !field->text().isEmpty());
    }
    QCOMPARE(Shown(list), shown);
    QCOMPARE(list->selectedItems().size(), shown.size() ? 1 : 0);
    QCOMPARE(field->accessibleDescription(), shown.size() ? "" : "没有找到");

    if (how == "preedit") { // the first Esc cancels the composition, what was committed stays
        Key(Qt::Key_Escape);
        QVERIFY(field->isVisible());
        if (composing)
            shown.clear();
        QCOMPARE(Shown(list).size(), shown.isEmpty() ? 200 : shown.size());
    }
    Key(Qt::Key_Escape);
    QVERIFY(!field->isVisible());
    QVERIFY(list->hasFocus());
    QCOMPARE(Shown(list).size(), 200);
    // Nothing found: the food selected before the search.
    QTreeWidgetItem* selected = list->selectedItems().value(0);
    QCOMPARE(selected->text(0), shown.value(0, QStringLiteral("食物2")));
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(selected)));
}

using Steps = QList<std::pair<int, int>>;

// Foods go in by double-click (meal, list row) and out by double-click (meal, child).
void TestCalorieWindow::subtotalsAddUpToTheTotal_data() {
    QTest::addColumn<Steps>("added");
    QTest::addColumn<Steps>("removed");
    QTest::addColumn<QStringList>("subtotals");
    QTest::addColumn<QString>("total");
    QTest::newRow("emptied meal is blank")
        << Steps{{1, 3}, {2, 4}} << Steps{{1, 0}} << QStringList{"", "", "1234.5 大卡", "", "", ""}
        << "1234.5";
    QTest::newRow("total rounded on removal")
        << Steps{{0, 3}, {1, 3}, {2, 3}, {3, 5}, {4, 6}, {4, 3}} << Steps{{4, 1}}
        << QStringList{"0.3 大卡", "0.3 大卡", "0.3 大卡", "0.625 大卡", "0.5 大卡", ""}
        << "2.02"; // 2.025 to even
}

void TestCalorieWindow::subtotalsAddUpToTheTotal() {
    QFETCH(Steps, added);
    QFETCH(Steps, removed);
    QFETCH(QStringList, subtotals);
    QFETCH(QString, total);
    for (const auto& [meal, row] : added)
        AddFood(meal, row);
    QTreeWidget* tree = Window().TreeView_食物列表();
    for (const auto& [meal, child] : removed) {
        tree->setCurrentItem(tree->topLevelItem(meal)->child(child));
        DoubleClick(tree, tree->currentItem());
    }
    double sum = 0;
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(tree->topLevelItem(i)->text(1), subtotals[i]);
        sum += NumberOf(subtotals[i].section(u' ', 0, 0)).value_or(0);
    }
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：" + total + " 大卡" + SecondLine);
    QVERIFY(qAbs(sum - total.toDouble()) <= 0.005 * removed.size() + 1e-9);
}

// Food 2 (116 kcal per 100 g) or 25 (25 kcal) found with a weight typed after it and added by
// Enter, then maybe weighed anew with F2, under a target maybe.
void TestCalorieWindow::weighedFoodsAndTarget_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reweighed"); // typed into F2's editor, when not empty
    QTest::addColumn<int>("target");        // 0: none
    QTest::addColumn<QString>("node");      // empty: nothing added
    QTest::addColumn<QString>("total");
    QTest::addColumn<QStringList>("header"); // empty: hidden
    QTest::addColumn<bool>("red");
    QTest::addColumn<QString>("hint"); // said in grey in the field or editor, the text kept
    QTest::newRow("portion") << "shiwu2 250"
                             << "" << 0 << "290 大卡  食物2 250克"
                             << "290" << QStringList{} << false << "";
    QTest::newRow("37.5 up to even") << "shiwu25 150"
                                     << "" << 0 << "38 大卡  食物25 150克"
                                     << "38" << QStringList{} << false << "";
    QTest::newRow("12.5 down to even") << "shiwu25 50"
                                       << "" << 0 << "12 大卡  食物25 50克"
                                       << "12" << QStringList{} << false << "";
    QTest::newRow("listed quantity, today's text") << "shiwu2 100"
                                                   << "" << 0 << "116 大卡  食物2"
                                                   << "116" << QStringList{} << false << "";
    QTest::newRow("refused weight") << "shiwu2 0"
                                    << "" << 0 << ""
                                    << "0" << QStringList{} << false << GramsHint;
    QTest::newRow("F2 to 50 g") << "shiwu2 250"
                                << "50" << 0 << "58 大卡  食物2 50克"
                                << "58" << QStringList{} << false << "";
    QTest::newRow("F2 to 0 g changes nothing") << "shiwu2 250"
                                               << "0" << 0 << "290 大卡  食物2 250克"
                                               << "290" << QStringList{} << false << GramsHint;
    QTest::newRow("what is left") << "shiwu2 250"
                                  << "" << 1261 << "290 大卡  食物2 250克"
                                  << "290" << QStringList{"今日目标 1261 大卡", "还可摄入 971 大卡"}
                                  << false << "";
    QTest::newRow("a weight for a food without one")
        << "shiwu4 100"
        << "" << 0 << ""
        << "0" << QStringList{} << false << NotWeighable;
    QTest::newRow("target passed")
        << "shiwu2 5000"
        << "" << 1261 << "5800 大卡  食物2 5000克"
        << "5800" << QStringList{"今日目标 1261 大卡", "超出 4539 大卡"} << true << "";
}

void TestCalorieWindow::weighedFoodsAndTarget() {
    QFETCH(QString, typed);
    QFETCH(QString, reweighed);
    QFETCH(int, target);
    QFETCH(QString, node);
    QFETCH(QString, total);
    QFETCH(QStringList, header);
    QFETCH(bool, red);
    QFETCH(QString, hint);
    if (target)
        Window().SetTargetKcal(target);
    QVERIFY(ActivateWithListFocused(Window()));
    SelectMeal(2);
    Type(typed);
    Key(Qt::Key_Return);
    QTreeWidget* tree = Window().TreeView_食物列表();
    QTreeWidgetItem* lunch = tree->topLevelItem(2);
    QCOMPARE(lunch->childCount(), node.isEmpty() ? 0 : 1);
    if (!reweighed.isEmpty()) {
        tree->setFocus();
        tree->setCurrentItem(lunch->child(0));
        Key(Qt::Key_F2);
        QVERIFY(tree->findChild<QLineEdit*>());
        Key(Qt::Key_Backspace);
        Type(reweighed);
        Key(Qt::Key_Return);
        QCoreApplication::processEvents(); // the editor hands its text over once back in the loop
    }
    QStringList hints;
    for (const QLabel* label : Window().findChildren<QLabel*>())
        if (qobject_cast<QLineEdit*>(label->parentWidget()) && label->isVisible())
            hints << label->text();
    QCOMPARE(hints, hint.isEmpty() ? QStringList() : QStringList{hint});
    if (!hint.isEmpty() && reweighed.isEmpty())
        QCOMPARE(Window().Search().Field()->text(), typed);
    if (!node.isEmpty()) {
        QCOMPARE(lunch->child(0)->text(0), node);
        QCOMPARE(lunch->text(1), total + " 大卡");
    }
    QCOMPARE(Summary(Window().RichTextBox_结果()), "共摄入：" + total + " 大卡" + SecondLine);
    QCOMPARE(tree->isHeaderHidden(), header.isEmpty());
    if (!header.isEmpty()) {
        QCOMPARE((QStringList{tree->headerItem()->text(0), tree->headerItem()->text(1)}), header);
        QCOMPARE(tree->headerItem()->foreground(1).color() == QColor(0xFF, 0, 0), red);
    }
}

// Ctrl+S (or Ctrl+P) with a plan of three foods, the save dialog answered with a path in a fresh
// folder (the print dialog with printing to that file).
void TestCalorieWindow::exportPlan_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("message"); // %1 the path
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("missing folder")
        << Qt::Key_S << "missing/plan.pdf" << 0 << "无法导出到“%1”：文件夹不存在。" << QByteArray();
    QTest::newRow("a folder's name")
        << Qt::Key_S << "folder.pdf" << 0 << "无法导出到“%1”：这是一个文件夹。" << QByteArray();
    QTest::newRow("CSV by the filter")
        << Qt::Key_S << "plan" << 1 << ""
        << QByteArray("\xEF\xBB\xBF餐次,食物,重量（克）,热量（大卡）,蛋白质（克）,脂肪（克）,"
                      "碳水化合物（克）\r\n早餐,食物1,100,52,,,\r\n午餐,食物3,50,12.5,,,\r\n"
                      "午餐,食物4,,0.3,,,\r\n合计,,,64.8,,,\r\n");
    // The text map names 日 and 食 of the title, not the radicals ⽇ and ⻝ with the same glyphs.
    QTest::newRow("PDF by the suffix") << Qt::Key_S << "plan.PDF" << 1 << "" << QByteArray("%PDF");
    QTest::newRow("printed to a file")
        << Qt::Key_P << "printed.pdf" << 0 << "" << QByteArray("%PDF");
}

void TestCalorieWindow::exportPlan() {
    QFETCH(Qt::Key, key);
    QFETCH(QString, name);
    QFETCH(int, filter);
    QFETCH(QString, message);
    QFETCH(QByteArray, start);
    AddFood(0, 0);
    AddFood(2, 2);
    AddFood(2, 3);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("folder.pdf"));
    const QString path = dir.filePath(name);
    SetSaveDialogStandIn([&](const QString&, const QString&, const QStringList&) {
        return std::optional(SaveChoice{path, filter});
    });
    SetPrintDialogStandIn([&](QPrinter& printer) {
        printer.setOutputFileName(path); // printing to a PDF file, as the dialog offers
        return true;
    });
    QStringList shown;
    SetMessageObserver([&](const QString& text) { shown << text; });
    QVERIFY(ActivateWithListFocused(Window()));
    QTest::keyClick(&Window(), key, Qt::ControlModifier);
    SetSaveDialogStandIn({});
    SetPrintDialogStandIn({});
    SetMessageObserver(FailOnMessage);
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message.arg(path)});
    const QStringList left = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QStringList written = start.isEmpty() ? QStringList() : QStringList{name};
    QCOMPARE(left, QStringList{"folder.pdf"} + written); // nothing else, no temporary file
    if (start.isEmpty())
        return;
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY2(bytes.startsWith(start), bytes.left(80));
    if (start == "%PDF") {
        QVERIFY(bytes.contains("<65E5>") && bytes.contains("<98DF>"));
        QVERIFY(!bytes.contains("<2F47>") && !bytes.contains("<2EDD>"));
    }
}

// A window opened while the reader is still at work lists nothing; the foods fill it in when
// they arrive, and the finder knows them.
void TestCalorieWindow::foodsArrivingLaterFillTheList() {
    FoodSlots table;
    food_reader::FoodLoad::Start(fixtures::Write(m_dir, "late.mdb", fixtures::Foods(3)), table,
                                 fixtures::StalledReader(m_dir, food_reader::ReaderProgram()));
    int pid = 0;
    QTRY_VERIFY((pid = fixtures::StalledReaderPid(m_dir)) != 0);
    Form_卡路里计算器 window(table);
    QVERIFY(ActivateWithListFocused(window));
    QTreeWidget* list = window.ListView_食物列表();
    const auto shown = [list] {
        QStringList names;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (!list->topLevelItem(i)->isHidden())
                names << list->topLevelItem(i)->text(0);
        return names;
    };
    QCOMPARE(shown(), QStringList());
    kill(pid, SIGCONT);
    QTRY_COMPARE(shown(), (QStringList{"食物1", "食物2", "食物3"}));
    QCOMPARE(list->topLevelItemCount(), 200);
    QTRY_VERIFY(window.Search().IsPrepared());
    QTest::keyClicks(list, QStringLiteral("sw2"));
    QCOMPARE(shown(), QStringList{"食物2"});
}

// A diary the window cannot use says so once, naming the file, and the day is planned in memory;
// a damaged or newer file stays byte for byte as it was.
void TestCalorieWindow::diaryFaults_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("not a database") << "garbage";
    QTest::newRow("a newer Korvella's") << "newer";
}

void TestCalorieWindow::diaryFaults() {
    QFETCH(QString, kind);
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString path = DiaryStore::DefaultPath();
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    if (kind == "garbage") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("SQLite format 3").repeated(300));
    } else if (kind == "newer") {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), kind);
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery(QStringLiteral("CREATE TABLE entries(id INTEGER)"), db);
        QSqlQuery(QStringLiteral("PRAGMA user_version = 99"), db);
        db.close();
    }
    QFile file(path);
    const QByteArray before = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    file.close();
    QSqlDatabase::removeDatabase(kind);

    QStringList messages;
    SetMessageObserver([&](const QString& text) { messages << text; });
    m_window = std::make_unique<Form_卡路里计算器>(m_foods);
    QCoreApplication::processEvents();
    AddFood(2, 0);
    SetMessageObserver(FailOnMessage);
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));

    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages[0].contains(QDir::toNativeSeparators(path)), qPrintable(messages[0]));
    QCOMPARE(Window().TreeView_食物列表()->topLevelItem(2)->childCount(), 1);
    QCOMPARE(Window().Day().Total(), 52.0);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QVERIFY(!QFile::exists(path + "-wal") && !QFile::exists(path + "-shm"));
    m_window.reset(); // its store goes before the folder
}

namespace {

// Counts what is painted in the widget it watches.
class Paints final : public QObject {
  public:
    int count = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

// Another program holds the diary's write lock as a food is added: the window keeps painting and
// running its timers (a 20 ms timer never waits 100 ms) and keeps the food once the lock is free,
// or takes it back with the diary's message after five seconds. Closed meanwhile, it closes
// once the change is kept.
void TestCalorieWindow::waitsForTheLock_data() {
    QTest::addColumn<int>("heldMs");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<bool>("kept");
    QTest::newRow("freed after a second") << 1000 << false << true;
    QTest::newRow("locked by another program") << 60000 << false << false;
    QTest::newRow("closed while it waits") << 1000 << true << true;
}

void TestCalorieWindow::waitsForTheLock() {
    QFETCH(int, heldMs);
    QFETCH(bool, closed);
    QFETCH(bool, kept);
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString path = DiaryStore::DefaultPath();
    QStringList messages;
    SetMessageObserver([&](const QString& text) { messages << text; });
    SetDiaryOn(Window(), true);
    QVERIFY(Window().DiaryOn());
    QProcess holder;
    holder.start(QCoreApplication::applicationDirPath() + "/diary_writer",
                 {"--hold", QString::number(heldMs), path});
    QVERIFY(holder.waitForReadyRead(10000));
    QCOMPARE(holder.readLine(), QByteArray("locked\n"));

    QPointer<Form_卡路里计算器> window = m_window.get();
    QWidget* viewport = Window().TreeView_食物列表()->viewport();
    Paints paints;
    viewport->installEventFilter(&paints);
    QElapsedTimer sinceTick;
    QElapsedTimer waited;
    qint64 longest = 0;
    QTimer ticks;
    connect(&ticks, &QTimer::timeout, viewport, [&] {
        longest = std::max(longest, sinceTick.restart());
        viewport->update();
    });
    if (closed)
        QTimer::singleShot(200, window, [window] { window->close(); });
    Window().repaint(); // the first frame of its text costs what no wait should be blamed for
    QCoreApplication::processEvents();
    waited.start();
    sinceTick.start();
    ticks.start(20);
    AddFood(2, 0);
    ticks.stop();
    longest = std::max(longest, sinceTick.elapsed());
    viewport->removeEventFilter(&paints);
    holder.kill();
    QVERIFY(holder.waitForFinished());
    SetMessageObserver(FailOnMessage);
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));

    QVERIFY2(longest < 100, qPrintable(QString::number(longest)));
    QVERIFY2(paints.count >= waited.elapsed() / 100, qPrintable(QString::number(paints.count)));
    QVERIFY(waited.elapsed() >= (kept ? 500 : 4500));
    QCOMPARE(Window().TreeView_食物列表()->topLevelItem(2)->childCount(), kept ? 1 : 0);
    QCOMPARE(messages,
             kept ? QStringList()
                  : QStringList(QStringLiteral("无法保存到日记“%1”：日记正被另一个程序占用。"
                                               "这次更改已撤回。")
                                    .arg(QDir::toNativeSeparators(path))));
    if (closed) {
        QVERIFY(window);    // not while it was still adding the food
        m_window.release(); // closing deletes it
        QTRY_VERIFY(!window);
    }
    DiaryStore store(path);
    QCOMPARE(store.Open(), DiaryStore::State::Open);
    QCOMPARE(store.Days().Day(QDate::currentDate())[2].size(), kept ? 1 : 0);
    m_window.reset(); // its store goes before the folder
}

namespace {

// Foods 1 to 3 of the test table have nutrients; food 3 is listed at 50 g.
const NutrientTable TestNutrients{
    {QStringLiteral("食物1"), {{0.3, 0.2, 13.8}, QStringLiteral("USDA SR28"), "09003"}},
    {QStringLiteral("食物2"), {{2.6, 0.3, 25.9}, QStringLiteral("TW FDA"), "A0500101"}},
    {QStringLiteral("食物3"), {{20, 5, 0}, QStringLiteral("USDA SR28"), "10219"}},
};

// The food list's menu opened with the Menu key or a right click on the row, its "数据来源" chosen.
void ChooseSource(Form_卡路里计算器& window, bool click) {
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        if (QApplication::activePopupWidget() != window.Pop_ListView())
            return;
        poll.stop();
        window.findChild<QAction*>(QStringLiteral("Pop_ListView_Source"))->trigger();
        window.Pop_ListView()->close();
    });
    poll.start(10);
    if (!click) {
        Key(Qt::Key_Menu);
        return;
    }
    QTreeWidget* list = window.ListView_食物列表();
    const QPoint at = list->visualItemRect(list->currentItem()).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
    QApplication::sendEvent(list->viewport(), &event);
}

} // namespace

// "显示营养素" off, every text and size is as before; on, the day's and the selected meal's
// nutrients are under the meals, with the foods left without and what is left of a goal.
void TestCalorieWindow::nutrients_data() {
    QTest::addColumn<bool>("diary"); // on: its date above the tree
    QTest::addColumn<bool>("show");
    QTest::addColumn<QList<int>>("foods"); // "meal row" pairs, the last meal selected
    QTest::addColumn<int>("protein");      // a goal in grams, 0: none
    QTest::addColumn<QString>("label");    // empty: hidden
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("source"); // the first line of "数据来源"
    QTest::addColumn<bool>("click");     // its menu opened by a right click, not the Menu key
    QTest::newRow("off, as before")
        << false << false << QList<int>{0, 0, 0, 1} << 0 << QString() << 1
        << "蛋白质 2.6 克，脂肪 0.3 克，碳水化合物 25.9 克（每100克）"
        << "食物2：食品營養成分資料集，记录 A0500101" << false;
    QTest::newRow("the day, the selected meal and what is left of a protein goal")
        << false << true << QList<int>{2, 2, 0, 0, 0, 1} << 84
        << "全天：蛋白质 12.9 克（29%），脂肪 3 克（15%），碳水化合物 39.7 克（88%）\n"
           "早餐：蛋白质 2.9 克（7%），脂肪 0.5 克（3%），碳水化合物 39.7 克（95%）\n"
           "蛋白质目标 84 克，还可摄入 71.1 克"
        << 2
        << "蛋白质 20 克，脂肪 5 克，碳水化合物 0 克（每100克）；"
           "蛋白质 10 克，脂肪 2.5 克，碳水化合物 0 克（每50克）"
        << "食物3：USDA SR28，记录 10219" << true;
    QTest::newRow("foods without nutrients are said")
        << true << true << QList<int>{2, 0, 2, 4, 2, 5} << 0
        << "全天：蛋白质 0.3 克（0%），脂肪 0.2 克（0%），碳水化合物 13.8 克（4%）\n"
           "午餐：蛋白质 0.3 克（0%），脂肪 0.2 克（0%），碳水化合物 13.8 克（4%）\n"
           "2 种食物没有营养素数据"
        << 4 << "蛋白质 —，脂肪 —，碳水化合物 —"
        << "食物5：没有营养素数据" << false;
}

void TestCalorieWindow::nutrients() {
    QFETCH(bool, diary);
    QFETCH(bool, show);
    QFETCH(QList<int>, foods);
    QFETCH(int, protein);
    QFETCH(QString, label);
    QFETCH(int, row);
    QFETCH(QString, description);
    QFETCH(QString, source);
    QFETCH(bool, click);
    QTemporaryDir data; // a diary of this row's own
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const auto back = qScopeGuard([this] {
        m_window.reset(); // its store goes before the folder
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    });
    m_window = std::make_unique<Form_卡路里计算器>(m_foods, TestNutrients);
    Form_卡路里计算器& window = Window();
    if (diary)
        SetDiaryOn(window, true);
    const QRect whole = diary ? QRect(2, 24, 233, 443) : QRect(2, 2, 233, 465);
    QVERIFY(ActivateWithListFocused(window));
    QAction* toggle = window.ShowNutrientsAction();
    QVERIFY(!toggle->isChecked()); // the default
    const auto off = qScopeGuard([toggle] { toggle->setChecked(false); });
    if (show)
        toggle->trigger();
    if (protein)
        window.SetGoals({MacroGoal{double(protein), GoalUnit::Grams}, {}, {}});
    for (qsizetype i = 0; i < foods.size(); i += 2)
        AddFood(foods[i], foods[i + 1]);
    QTreeWidget* tree = window.TreeView_食物列表();
    QLabel* shown = window.Label_营养素();
    QCOMPARE(shown->isVisible(), show);
    if (show) {
        QCOMPARE(shown->text(), label);
        QCOMPARE(shown->geometry().bottom(), 466);
        QCOMPARE(tree->geometry().top(), whole.top());
        QCOMPARE(tree->geometry().bottom() + 4, shown->geometry().top());
    } else {
        QCOMPARE(tree->geometry(), whole);
    }
    QTreeWidgetItem* item = window.ListView_食物列表()->topLevelItem(row);
    QCOMPARE(item->data(0, Qt::AccessibleDescriptionRole).toString(), description);
    QCOMPARE(item->data(1, Qt::ToolTipRole).toString(),
             show ? "双击列表添加\n" + description : QString());
    QCOMPARE(window.ListView_食物列表()->toolTip(), QStringLiteral("双击列表添加"));

    QStringList said;
    SetMessageObserver([&](const QString& text) { said << text; });
    window.ListView_食物列表()->setFocus();
    SelectFood(row);
    ChooseSource(window, click);
    SetMessageObserver(FailOnMessage);
    QCOMPARE(said.size(), 1);
    QCOMPARE(said[0].section(u'\n', 0, 0), source);
    QVERIFY(said[0].contains(UsdaCredit + "（公有领域）"));
    QVERIFY(said[0].contains(TwFdaCredit + "（政府资料开放授权条款第 1 版）"));

    // Unchecked again, the window is as it was; the setting file goes with it.
    if (!show)
        return;
    QVERIFY(LoadShowNutrients());
    toggle->trigger();
    QVERIFY(!shown->isVisible());
    QCOMPARE(tree->geometry(), whole);
    QVERIFY(!item->data(1, Qt::ToolTipRole).isValid());
    QVERIFY(!LoadShowNutrients());
}

Q_DECLARE_METATYPE(MacroGoals)

// The goals typed, or filled in by the usual start, in a dialog with a weight and a target typed.
void TestCalorieWindow::goalsInTheDialog_data() {
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QStringList>("typed"); // protein, fat, carbohydrate, in grams
    QTest::addColumn<bool>("start");        // the usual start's button clicked
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<MacroGoals>("goals");
    // 84 g of protein is 19 % of 1800 kcal; fat 25 %, carbohydrate the 56 % left.
    QTest::newRow("the usual start from the weight typed")
        << "70" << QStringList{"", "", ""} << true << "" << true
        << MacroGoals{MacroGoal{84, GoalUnit::Grams}, MacroGoal{25, GoalUnit::Percent},
                      MacroGoal{56, GoalUnit::Percent}};
    QTest::newRow("the usual start without a weight")
        << "" << QStringList{"", "", ""} << true << "请先填写体重和每日目标，再按减重常用起点填写。"
        << true << MacroGoals{};
    QTest::newRow("above 500 g") << "" << QStringList{"501", "", ""} << false
                                 << "蛋白质目标应在 0 到 500 克之间" << false << MacroGoals{};
    QTest::newRow("not a number") << "" << QStringList{"", "abc", ""} << false
                                  << "请正确填写脂肪目标。" << false << MacroGoals{};
}

void TestCalorieWindow::goalsInTheDialog() {
    QFETCH(QString, weight);
    QFETCH(QStringList, typed);
    QFETCH(bool, start);
    QFETCH(QString, message);
    QFETCH(bool, accepted);
    QFETCH(MacroGoals, goals);
    DailyTargetDialog dialog(&Window());
    dialog.findChild<QLineEdit*>("Text_Value(2)")->setText(weight);
    dialog.findChild<QLineEdit*>("Text_目标")->setText("1800");
    for (int i = 0; i < 3; ++i)
        dialog.findChild<QLineEdit*>(QStringLiteral("Text_营养素目标(%1)").arg(i))
            ->setText(typed[i]);
    QStringList said;
    SetMessageObserver([&](const QString& text) { said << text; });
    if (start)
        dialog.findChild<QPushButton*>("Command_常用起点")->click();
    dialog.accept();
    SetMessageObserver(FailOnMessage);
    QCOMPARE(said, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(dialog.result(), int(accepted));
    QCOMPARE(dialog.Goals(), goals);
}

// A row of the diary that cannot be read is left out and said once, when the window opens.
void TestCalorieWindow::unreadableRowsSaidOnce() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    {
        DiaryStore store;
        QCOMPARE(store.Create(), DiaryStore::State::Open);
        QVERIFY(store.Settings().SetDiaryOn(true));
        QVERIFY(QSqlQuery(Room::Database(store))
                    .exec(QStringLiteral("INSERT INTO weighings VALUES('9999-12-31', 70)")));
    }
    QStringList messages;
    SetMessageObserver([&](const QString& text) { messages << text; });
    m_window = std::make_unique<Form_卡路里计算器>(m_foods);
    m_window->show();
    QTRY_COMPARE(messages.size(), 1);
    ShowDate(Window(), QDate::currentDate().addDays(-1));
    AddFood(2, 0);
    ShowDate(Window(), QDate::currentDate());
    QCoreApplication::processEvents();
    SetMessageObserver(FailOnMessage);
    m_window.reset();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    QCOMPARE(messages, QStringList{QStringLiteral("日记中有 1 条记录无法读取，已略过")});
}

int Entries(const DayMeals& meals) {
    int count = 0;
    for (const QList<FoodEntry>& meal : meals)
        count += meal.size();
    return count;
}

// Turned off with 保留 and on again, the diary takes only what was planned while it was off: the
// entries on screen from the diary (today's, or another day's) are not added to today again.
void TestCalorieWindow::diaryOnAgain_data() {
    QTest::addColumn<int>("daysBack"); // the day shown when the diary is turned off
    QTest::addColumn<int>("answer");   // 保留 or 删除; -1: another window deletes it
    QTest::newRow("today shown") << 0 << 0;
    QTest::newRow("yesterday shown") << 1 << 0;
    QTest::newRow("diary deleted, the day kept on screen") << 0 << 1;
    QTest::newRow("diary deleted by another window") << 0 << -1;
}

void TestCalorieWindow::diaryOnAgain() {
    QFETCH(int, daysBack);
    QFETCH(int, answer);
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    QString asked;
    SetChoiceObserver([&](const QString& question, const QStringList&) {
        asked = question;
        return answer;
    });
    m_window = std::make_unique<Form_卡路里计算器>(m_foods);
    const QDate today = QDate::currentDate();
    AddFood(2, 0);
    AddFood(2, 1);
    SetDiaryOn(Window(), true);
    ShowDate(Window(), today.addDays(-daysBack));
    if (daysBack)
        AddFood(3, 0);
    if (answer >= 0) {
        // An own food made by another Korvella lives in the file, and goes with it.
        OwnFood soy;
        soy.name = QStringLiteral("豆浆");
        soy.kcalPer100g = 31;
        if (DiaryStore other; other.Open() == DiaryStore::State::Open)
            QVERIFY(other.OwnFoods().Keep(soy));
        RefreshOwnFoods(Window());
        QCOMPARE(Window().ListView_食物列表()->topLevelItemCount(), 201);
        SetDiaryOn(Window(), false);
        QVERIFY2(asked.contains(QStringLiteral("自建食物")), qPrintable(asked));
        QCOMPARE(Window().ListView_食物列表()->topLevelItemCount(), answer ? 200 : 201);
    } else {
        DiaryStore other;
        QCOMPARE(other.Open(), DiaryStore::State::Open);
        QVERIFY(other.Delete());
        QStringList messages;
        SetMessageObserver([&](const QString& text) { messages << text; });
        AddFood(4, 1); // taken back, saying so
        SetMessageObserver(FailOnMessage);
        QCOMPARE(messages.size(), 1);
        QVERIFY(!Window().DiaryOn());
        QTRY_COMPARE(Window().Day().Foods(2).constFirst().id, qint64(0));
    }
    AddFood(4, 1); // planned while the diary is off
    SetDiaryOn(Window(), true);
    SetChoiceObserver({});

    DiaryStore store;
    QCOMPARE(store.Open(), DiaryStore::State::Open);
    QCOMPARE(Entries(store.Days().Day(today)), 3);
    QCOMPARE(Entries(store.Days().Day(today.addDays(-1))), daysBack);
    QCOMPARE(Window().Day().Date(), today);
    QCOMPARE(Entries(Window().Day().AllMeals()), 3);
    QCOMPARE(Window().Day().Total(), 52.0 + 116 + 116);
    m_window.reset();
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
}

namespace {

// The title of a dialog a command opened, and what its message line said after OK.
struct DialogAnswer {
    QString title;
    QString message;
};

QLineEdit* FieldOf(QDialog& dialog, const char* name) {
    return dialog.findChild<QLineEdit*>(QString::fromUtf8(name));
}

// Fills the food dialog as a user types a label; nutrients: "protein fat carbohydrate".
std::function<void(QDialog&)> Label(QString name, QString amount, bool kj, QString serving,
                                    QString nutrients = {}) {
    return [=](QDialog& dialog) {
        const QStringList typed = nutrients.split(u' ');
        for (int i = 0; const char* field : {"Text_蛋白质", "Text_脂肪", "Text_碳水化合物"})
            FieldOf(dialog, field)->setText(typed.value(i++));
        FieldOf(dialog, "Text_名称")->setText(name);
        FieldOf(dialog, "Text_能量")->setText(amount);
        dialog.findChild<QComboBox*>(QStringLiteral("Combo_单位"))->setCurrentIndex(kj ? 1 : 0);
        dialog.findChild<QComboBox*>(QStringLiteral("Combo_基准"))
            ->setCurrentIndex(serving.isEmpty() ? 0 : 1);
        FieldOf(dialog, "Text_每份重量")->setText(serving);
    };
}

// Runs command while a dialog is answered; the dialog's title and last message. The dialog is
// looked for until it shows: Qt 6.8 may run a zero timer before it does.
DialogAnswer Run(const std::function<void()>& command, const std::function<void(QDialog&)>& fill) {
    DialogAnswer answer;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll.stop(); // answering may run the event loop again
        answer.title = dialog->windowTitle();
        fill(*dialog);
        if (QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok))
            ok->click();
        if (const auto* message = dialog->findChild<QLabel*>(QStringLiteral("Label_提示")))
            answer.message = message->text();
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start(10);
    command();
    poll.stop();
    return answer;
}

} // namespace

// Food 2 (116 kcal per 100 g) with the portions 碗 of 150 g and 小碗 of 100 g; biscuits from a
// label of 500 kJ per serving of 25 g with its nutrients; a dish of 200 g of food 2 and 100 g of
// food 1 (52), 284 kcal cooked down to 200 g in four servings. Then typed into the list for 午餐.
void TestCalorieWindow::ownFoodsAndPortions_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("node"); // empty: nothing added
    QTest::addColumn<QString>("hint");
    QTest::addColumn<QString>("reweighed"); // F2, when not empty, and the node after it
    QTest::addColumn<QString>("after");
    QTest::newRow("a food kept per serving, by the serving") << "sdbg 2份"
                                                             << "239 大卡  苏打饼干 2份（50克）"
                                                             << ""
                                                             << ""
                                                             << "";
    QTest::newRow("half a small bowl, F2 to a bowl") << "食物2 半小碗"
                                                     << "58 大卡  食物2 半小碗（50克）"
                                                     << ""
                                                     << "1碗"
                                                     << "174 大卡  食物2 1碗（150克）";
    QTest::newRow("F2 back to grams") << "shiwu2 1碗"
                                      << "174 大卡  食物2 1碗（150克）"
                                      << ""
                                      << "100"
                                      << "116 大卡  食物2";
    QTest::newRow("unknown portion") << "shiwu2 1盘"
                                     << ""
                                     << "食物2的份量：碗、小碗"
                                     << ""
                                     << "";
    QTest::newRow("a food without portions") << "shiwu3 1碗"
                                             << ""
                                             << "食物3还没有份量"
                                             << ""
                                             << "";
    QTest::newRow("a dish by its servings") << "jiachangcai 1份"
                                            << "71 大卡  家常菜 1份（50克）"
                                            << ""
                                            << ""
                                            << "";
}

void TestCalorieWindow::ownFoodsAndPortions() {
    QFETCH(QString, typed);
    QFETCH(QString, node);
    QFETCH(QString, hint);
    QFETCH(QString, reweighed);
    QFETCH(QString, after);
    QVERIFY(ActivateWithListFocused(Window()));
    QTreeWidget* list = Window().ListView_食物列表();
    const DialogAnswer taken = Run([&] { NewOwnFood(Window()); }, Label("食物1", "52", false, ""));
    QCOMPARE(taken.title, QStringLiteral("新建食物"));
    QCOMPARE(taken.message, QStringLiteral("已有名为“食物1”的食物，请换一个名称。"));
    const DialogAnswer tooMuch =
        Run([&] { NewOwnFood(Window()); }, Label("酸奶", "52", false, "", "60 30 20"));
    QCOMPARE(tooMuch.message,
             QStringLiteral("每100克的蛋白质、脂肪和碳水化合物加起来不能超过 100 克。"));
    QCOMPARE(list->topLevelItemCount(), 200);
    Run([&] { NewOwnFood(Window()); }, Label("苏打饼干", "500", true, "25", "2.4 4.3 16.7"));
    list->setCurrentItem(list->topLevelItem(1));
    const DialogAnswer portions = Run(
        [&] { EditPortions(Window()); },
        [](QDialog& dialog) {
            for (const auto& [name, grams] : {std::pair{"一碗", "150"}, std::pair{"小碗", "100"}}) {
                FieldOf(dialog, "Text_份量名称")->setText(QString::fromUtf8(name));
                FieldOf(dialog, "Text_份量重量")->setText(QString::fromUtf8(grams));
                dialog.findChild<QPushButton*>(QStringLiteral("Button_保存份量"))->click();
            }
        });
    QCOMPARE(portions.title, QStringLiteral("份量"));
    QString figures;
    QString notFound;
    const DialogAnswer dish =
        Run([&] { NewDish(Window()); },
            [&](QDialog& dialog) {
                FieldOf(dialog, "Text_名称")->setText(QStringLiteral("家常菜"));
                QLineEdit* find = FieldOf(dialog, "Text_查找食材");
                find->setText(QStringLiteral("meiyou"));
                QTest::keyClick(find, Qt::Key_Return); // adds nothing
                notFound = find->accessibleDescription();
                for (const char* ingredient : {"shiwu2 200", "sw1"}) {
                    find->setText(QString::fromUtf8(ingredient));
                    QTest::keyClick(find, Qt::Key_Return);
                }
                FieldOf(dialog, "Text_熟重")->setText(QStringLiteral("200"));
                FieldOf(dialog, "Text_份数")->setText(QStringLiteral("4"));
                figures = dialog.findChild<QLabel*>(QStringLiteral("Label_合计"))->text();
            });
    QCOMPARE(dish.title, QStringLiteral("新建菜肴"));
    QCOMPARE(dish.message, QString());
    QCOMPARE(figures, QStringLiteral(
                          "总热量 284 大卡，熟重 200 克，每100克 142 大卡，每份 71 大卡（50 克）"));
    const QTreeWidgetItem* biscuits = list->topLevelItem(200);
    QCOMPARE(biscuits->text(0), QStringLiteral("苏打饼干"));
    QCOMPARE(biscuits->text(3), QStringLiteral("100 克"));
    QCOMPARE(notFound, NotFoundHint);
    QCOMPARE(
        biscuits->data(0, Qt::AccessibleDescriptionRole).toString(),
        QStringLiteral("自建食物；蛋白质 9.6 克，脂肪 17.2 克，碳水化合物 66.8 克（每100克）"));
    QCOMPARE(list->topLevelItem(201)->data(0, Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("自制菜肴；蛋白质 —，脂肪 —，碳水化合物 —"));

    SelectMeal(2);
    QVERIFY(ActivateWithListFocused(Window())); // back from the dialogs
    Type(typed);
    Key(Qt::Key_Return);
    QTreeWidget* tree = Window().TreeView_食物列表();
    QTreeWidgetItem* lunch = tree->topLevelItem(2);
    QCOMPARE(lunch->childCount(), node.isEmpty() ? 0 : 1);
    QCOMPARE(Window().Search().Field()->accessibleDescription(), hint);
    if (node.isEmpty())
        return;
    QCOMPARE(lunch->child(0)->text(0), node);
    QCOMPARE(Window().Day().Foods(2).constFirst().per100g,
             node.contains("苏打饼干") ? std::optional(Macros{9.6, 17.2, 66.8}) : std::nullopt);
    if (reweighed.isEmpty())
        return;
    tree->setFocus();
    tree->setCurrentItem(lunch->child(0));
    Key(Qt::Key_F2);
    auto* editor = tree->findChild<QLineEdit*>();
    QVERIFY(editor);
    editor->setText(reweighed);
    Key(Qt::Key_Return);
    QCoreApplication::processEvents();
    QCOMPARE(lunch->child(0)->text(0), after);
}

// Entries are snapshots: deleting the own food leaves the day as it was; deleting one a saved
// meal uses asks first, naming how many.
void TestCalorieWindow::deletedOwnFoodChangesNoDay() {
    QVERIFY(ActivateWithListFocused(Window()));
    QTreeWidget* list = Window().ListView_食物列表();
    Run([&] { NewOwnFood(Window()); }, Label("豆浆", "31", false, ""));
    AddFood(0, 200);
    SelectMeal(0);
    Run([&] { SaveMealAs(Window()); }, [](QDialog&) {});
    QStringList asked;
    SetChoiceObserver([&](const QString& text, const QStringList&) {
        asked << text;
        return 0;
    });
    QVERIFY(ActivateWithListFocused(Window()));
    list->setCurrentItem(list->topLevelItem(200));
    Key(Qt::Key_Delete);
    SetChoiceObserver({});
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked[0].startsWith(QStringLiteral("有 1 个常用餐用到“豆浆”")), qPrintable(asked[0]));
    QCOMPARE(list->topLevelItemCount(), 200);
    QCOMPARE(Window().TreeView_食物列表()->topLevelItem(0)->child(0)->text(0),
             QStringLiteral("31 大卡  豆浆"));
    QCOMPARE(Window().Day().Total(), 31.0);
    QVERIFY(Window().Store()->Delete());
    m_window.reset();
}

// A diary another program holds locked keeps nothing: the dialog says why and stays open with
// what was typed, and the list stays as it was.
void TestCalorieWindow::ownFoodStoreLocked() {
    Run([&] { NewOwnFood(Window()); }, Label("豆浆", "31", false, "")); // makes the diary
    QVERIFY(Window().Store() && Window().Store()->IsOpen());
    QSqlQuery(QStringLiteral("PRAGMA busy_timeout = 20"), Room::Database(*Window().Store()));
    QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "locker");
    other.setDatabaseName(DiaryStore::DefaultPath());
    QVERIFY(other.open());
    QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN IMMEDIATE")));
    QString typed;
    const DialogAnswer answer =
        Run([&] { NewOwnFood(Window()); },
            [&](QDialog& dialog) {
                Label("米酒", "84", false, "")(dialog);
                dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                QVERIFY(dialog.isVisible());
                typed = FieldOf(dialog, "Text_名称")->text();
            });
    QSqlQuery(QStringLiteral("ROLLBACK"), other);
    other.close();
    other = QSqlDatabase();
    QSqlDatabase::removeDatabase("locker");
    QVERIFY2(answer.message.contains(QDir::toNativeSeparators(DiaryStore::DefaultPath())),
             qPrintable(answer.message));
    QCOMPARE(typed, QStringLiteral("米酒"));
    QCOMPARE(Window().ListView_食物列表()->topLevelItemCount(), 201);
}

// A food another program made shows once the list is used again, found as any food.
void TestCalorieWindow::anotherWindowsNewFood() {
    Run([&] { NewOwnFood(Window()); }, Label("豆浆", "31", false, "")); // makes the diary
    Form_卡路里计算器 other(m_foods);
    QCOMPARE(other.ListView_食物列表()->topLevelItemCount(), 201);
    Run([&] { NewOwnFood(other); }, Label("米酒", "84", false, ""));
    QTreeWidget* list = Window().ListView_食物列表();
    QCOMPARE(list->topLevelItemCount(), 201);
    QVERIFY(ActivateWithListFocused(Window()));
    Type("mijiu");
    QCOMPARE(Shown(list), QStringList{"米酒"});
}

QTEST_MAIN(TestCalorieWindow)
#include "test_calorie_window.moc"
