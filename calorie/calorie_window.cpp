#include "calorie/calorie_window.h"

#include "calorie/calorie.h"
#include "calorie/core/food_table.h"
#include "frame/rich_text_box.h"

#include <QHeaderView>
#include <QTreeWidget>

Form_卡路里计算器::Form_卡路里计算器() : Form_卡路里计算器(自定义变量::FoodTable) {}

Form_卡路里计算器::Form_卡路里计算器(const FoodSlots& foods)
    : ToolWindow(QStringLiteral("卡路里计算器")), m_table(foods) {
    CreateMealTree();
    CreateFoodList();
    RichTextBox* result = RichTextBox_结果();
    result->setGeometry(4, 472, 231, 55);
    result->setAccessibleName(QStringLiteral("共摄入"));
    setTabOrder(m_meals, m_foods);
    setTabOrder(m_foods, result);
    // The plan starts from the meals; the result box, created first, would otherwise have the
    // focus and show the total's selection.
    m_meals->setFocus();

    方法_卡路里计算器::InitMealTree(*this);
    方法_卡路里计算器::FillFoodList(*this);
}

namespace {
// Nodes and rows are never edited in place: meals are told apart by their text.
QTreeWidget* Tree(QWidget* parent, const QString& name, const QRect& geometry,
                  const QString& toolTip, const QString& accessibleName) {
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(name);
    tree->setGeometry(geometry);
    tree->setToolTip(toolTip);
    tree->setAccessibleName(accessibleName);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return tree;
}
} // namespace

void Form_卡路里计算器::CreateMealTree() {
    m_meals = Tree(this, QStringLiteral("TreeView_食物列表"), {2, 2, 233, 465},
                   QStringLiteral("双击节点删除"), QStringLiteral("今日餐单"));
    m_meals->setHeaderHidden(true);
    connect(m_meals, &QTreeWidget::itemDoubleClicked, this,
            [this] { 方法_卡路里计算器::RemoveFoodFromMeal(*this); });
}

void Form_卡路里计算器::CreateFoodList() {
    m_foods = Tree(this, QStringLiteral("ListView_食物列表"), {240, 2, 429, 525},
                   QStringLiteral("双击列表添加"), QStringLiteral("食物列表"));
    m_foods->setRootIsDecorated(false);
    m_foods->setUniformRowHeights(true);
    m_foods->setAllColumnsShowFocus(true);
    m_foods->setHeaderLabels({QStringLiteral("食物名称"), QStringLiteral("食物别名"),
                              QStringLiteral("食物热量"), QStringLiteral("食物重量")});
    const int widths[] = {157, 87, 87, 73};
    for (int column = 0; column < 4; ++column)
        m_foods->setColumnWidth(column, widths[column]);
    for (int column : {2, 3})
        m_foods->headerItem()->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_foods->header()->setStretchLastSection(false);
    connect(m_foods, &QTreeWidget::itemDoubleClicked, this,
            [this] { 方法_卡路里计算器::AddFoodToMeal(*this); });
}
