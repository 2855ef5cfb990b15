#include "calorie/calorie.h"

#include "calorie/calorie_window.h"
#include "calorie/core/food_table.h"
#include "frame/core/numbers.h"

#include <QLocale>
#include <QTreeWidget>
#include <cmath>

namespace 方法_卡路里计算器 {

const QStringList Meals{QStringLiteral("早餐"), QStringLiteral("上午加餐"),
                        QStringLiteral("午餐"), QStringLiteral("下午加餐"),
                        QStringLiteral("晚餐"), QStringLiteral("晚上加餐")};

namespace {

QTreeWidgetItem* Selected(QTreeWidget* tree) {
    const QList<QTreeWidgetItem*> items = tree->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

QTreeWidgetItem* MealNode(QTreeWidget* tree, const QString& meal) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        if (tree->topLevelItem(i)->text(0) == meal)
            return tree->topLevelItem(i);
    }
    return nullptr;
}

// The meal's second column: the sum of its foods, empty while it has none.
void ShowSubtotal(QTreeWidgetItem* meal) {
    double sum = 0;
    for (int i = 0; i < meal->childCount(); ++i) {
        if (const auto energy = EnergyOf(meal->child(i)->text(0)))
            sum = Added(sum, *energy);
    }
    const QString subtotal = meal->childCount() ? FormatNumber(sum) + Kcal : QString();
    meal->setText(1, subtotal);
    meal->setData(1, Qt::AccessibleTextRole,
                  meal->text(0) + QStringLiteral("小计 ") +
                      (subtotal.isEmpty() ? QStringLiteral("无") : subtotal));
}

// A listed quantity that is no positive number leaves the node without a weight.
std::optional<double> Grams(const QString& quantity) {
    bool ok = false;
    const double grams = QLocale::c().toDouble(quantity.trimmed(), &ok);
    if (!ok || !std::isfinite(grams) || grams <= 0)
        return std::nullopt;
    return grams;
}

bool IsEmpty(const FoodRecord& food) {
    return food.FoodName.isEmpty() && food.FoodOtherName.isEmpty() && food.FoodHot.isEmpty() &&
           food.FoodQuantity.isEmpty();
}

} // namespace

void InitMealTree(Form_卡路里计算器& form) {
    for (const QString& meal : Meals) {
        auto* node = new QTreeWidgetItem({meal});
        node->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        form.TreeView_食物列表()->addTopLevelItem(node);
        ShowSubtotal(node);
    }
}

void FillFoodList(Form_卡路里计算器& form) {
    QTreeWidget* list = form.ListView_食物列表();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(FoodSlots::Last);
    for (int i = FoodSlots::First; i <= FoodSlots::Last; ++i) {
        const FoodRecord& food = form.Foods().Slot(i);
        auto* row = new QTreeWidgetItem({food.FoodName, food.FoodOtherName,
                                         food.FoodHot + QStringLiteral(" 大卡"),
                                         food.FoodQuantity + QStringLiteral(" 克")});
        row->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        row->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
        rows.append(row);
    }
    list->addTopLevelItems(rows);
    // Slots a smaller database left empty keep their row, unseen: they hold nothing to add.
    for (int i = FoodSlots::First; i <= FoodSlots::Last; ++i)
        rows[i - 1]->setHidden(IsEmpty(form.Foods().Slot(i)));

    QTreeWidget* tree = form.TreeView_食物列表();
    for (int i = 0; i < Meals.size(); ++i)
        tree->topLevelItem(i)->setExpanded(true);
    ResetIntake(form);
}

void AddFoodToMeal(Form_卡路里计算器& form) {
    const QTreeWidgetItem* selected = Selected(form.TreeView_食物列表());
    QTreeWidgetItem* row = Selected(form.ListView_食物列表());
    if (!selected || !row || !Meals.contains(selected->text(0)))
        return;
    const QString energy = row->text(2);
    if (!EnergyOf(energy))
        return;
    QTreeWidgetItem* meal = MealNode(form.TreeView_食物列表(), selected->text(0));
    auto* node = new QTreeWidgetItem({energy + QStringLiteral("  ") + row->text(0)});
    node->setData(0, FoodNameRole, row->text(0));
    const int slot = form.ListView_食物列表()->indexOfTopLevelItem(row) + FoodSlots::First;
    if (const auto grams = Grams(form.Foods().Slot(slot).FoodQuantity))
        node->setData(0, GramsRole, *grams);
    meal->addChild(node);
    // A food's text may use the subtotal's column: food nodes leave it empty.
    node->setFirstColumnSpanned(true);
    AddIntake(form, energy);
    ShowSubtotal(meal);
}

void RemoveFoodFromMeal(Form_卡路里计算器& form) {
    QTreeWidgetItem* selected = Selected(form.TreeView_食物列表());
    if (!selected || Meals.contains(selected->text(0)))
        return;
    RemoveIntake(form, selected->text(0));
    QTreeWidgetItem* meal = selected->parent();
    delete selected;
    if (meal)
        ShowSubtotal(meal);
}

// Until the daily target arrives, no day has one.
std::optional<double> CurrentTarget(const Form_卡路里计算器&) {
    return std::nullopt;
}

} // namespace 方法_卡路里计算器
