#include "calorie/calorie.h"

#include "calorie/calorie_window.h"
#include "calorie/core/daily_target.h"
#include "calorie/core/food_table.h"
#include "calorie/core/portion.h"
#include "calorie/daily_target_dialog.h"
#include "calorie/food_search.h"
#include "frame/core/numbers.h"
#include "frame/message.h"

#include <QColor>
#include <QDir>
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

// What a food node needs to be weighed anew: the energy at the listed quantity and that quantity.
constexpr int HotRole = Qt::UserRole + 2;
constexpr int QuantityRole = Qt::UserRole + 3;

// The energy cell and name as today, and the weight after them unless it is the listed one.
void Label(QTreeWidgetItem* node, const QString& energyCell, double grams) {
    QString text = energyCell + QStringLiteral("  ") + node->data(0, FoodNameRole).toString();
    if (grams != node->data(0, QuantityRole).toDouble())
        text += u' ' + FormatNumber(grams) + QStringLiteral("克");
    node->setText(0, text);
    node->setData(0, GramsRole, grams);
}

// The energy cell of a food weighed at grams: the list's own cell at the listed quantity.
std::optional<QString> EnergyCell(const QTreeWidgetItem* node, double grams) {
    const double quantity = node->data(0, QuantityRole).toDouble();
    const double hot = node->data(0, HotRole).toDouble();
    if (grams == quantity)
        return node->data(0, HotRole).toString() + Kcal;
    if (const auto energy = PortionEnergy(hot, quantity, grams))
        return FormatNumber(*energy) + Kcal;
    return std::nullopt;
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
    const PortionQuery portion = form.Search().Portion();
    if (portion.refused)
        return;
    const QString listed = row->text(2);
    if (!EnergyOf(listed))
        return;
    const FoodRecord& food =
        form.Foods().Slot(form.ListView_食物列表()->indexOfTopLevelItem(row) + FoodSlots::First);
    auto* node = new QTreeWidgetItem;
    node->setData(0, FoodNameRole, row->text(0));
    node->setData(0, HotRole, food.FoodHot);
    QString energy = listed;
    if (const auto quantity = NumberOf(food.FoodQuantity); quantity && *quantity > 0) {
        node->setData(0, QuantityRole, *quantity);
        const auto cell = EnergyCell(node, portion.grams.value_or(*quantity));
        if (!cell) {
            delete node;
            return;
        }
        energy = *cell;
        Label(node, energy, portion.grams.value_or(*quantity));
        node->setFlags(node->flags() | Qt::ItemIsEditable);
    } else if (portion.grams) {
        delete node; // a weight needs the listed quantity to scale by
        return;
    } else {
        node->setText(0, listed + QStringLiteral("  ") + row->text(0));
    }
    QTreeWidgetItem* meal = MealNode(form.TreeView_食物列表(), selected->text(0));
    meal->addChild(node);
    // A food's text may use the subtotal's column: food nodes leave it empty.
    node->setFirstColumnSpanned(true);
    AddIntake(form, energy);
    ShowSubtotal(meal);
}

void ChangeGrams(Form_卡路里计算器& form, QTreeWidgetItem* node, double grams) {
    const auto cell = node && node->parent() ? EnergyCell(node, grams) : std::nullopt;
    if (!cell || grams == node->data(0, GramsRole).toDouble())
        return;
    RemoveIntake(form, node->text(0));
    Label(node, *cell, grams);
    AddIntake(form, *cell);
    ShowSubtotal(node->parent());
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

void AskDailyTarget(Form_卡路里计算器& form) {
    DailyTargetDialog dialog(&form);
    if (dialog.exec() == QDialog::Accepted && dialog.Target())
        SetDailyTarget(form, dialog.Target());
}

void SetDailyTarget(Form_卡路里计算器& form, std::optional<int> kcal) {
    form.SetTargetKcal(kcal);
    ShowTarget(form);
    if (!kcal)
        ClearTarget();
    else if (!SaveTarget(*kcal))
        ShowMessage(&form, QStringLiteral("每日目标无法保存到 %1，只在本次使用。")
                               .arg(QDir::toNativeSeparators(TargetFilePath())));
}

void ShowTarget(Form_卡路里计算器& form) {
    QTreeWidget* tree = form.TreeView_食物列表();
    QTreeWidgetItem* header = tree->headerItem();
    const auto target = form.TargetKcal();
    if (!target) {
        if (!tree->isHeaderHidden()) {
            tree->setHeaderLabels({QStringLiteral("餐次"), QStringLiteral("小计")});
            header->setData(1, Qt::ForegroundRole, QVariant());
            tree->setHeaderHidden(true);
        }
        return;
    }
    const double left = RoundHalfEven(*target - TotalIntake, 2);
    const bool over = left < 0;
    header->setText(0, QStringLiteral("今日目标 %1").arg(*target) + Kcal);
    header->setText(1, (over ? QStringLiteral("超出 ") : QStringLiteral("还可摄入 ")) +
                           FormatNumber(std::abs(left)) + Kcal);
    header->setData(1, Qt::ForegroundRole, over ? QVariant(QColor(0xFF, 0, 0)) : QVariant());
    tree->setHeaderHidden(false);
}

} // namespace 方法_卡路里计算器
