#include "calorie/calorie.h"

#include "calorie/calorie_window.h"
#include "calorie/core/daily_target.h"
#include "calorie/core/food_table.h"
#include "calorie/core/intake.h"
#include "calorie/core/portion.h"
#include "calorie/daily_target_dialog.h"
#include "calorie/diary.h"
#include "calorie/food_search.h"
#include "calorie/own_foods.h"
#include "frame/core/numbers.h"
#include "frame/message.h"

#include <QAction>
#include <QColor>
#include <QDir>
#include <QTreeWidget>
#include <cmath>

namespace 方法_卡路里计算器 {

namespace {

QTreeWidgetItem* Selected(QTreeWidget* tree) {
    const QList<QTreeWidgetItem*> items = tree->selectedItems();
    return items.isEmpty() ? nullptr : items.first();
}

// The meal's second column: the sum of its foods, empty while it has none.
void ShowSubtotal(Form_卡路里计算器& form, int meal) {
    QTreeWidgetItem* node = form.TreeView_食物列表()->topLevelItem(meal);
    const bool planned = !form.Day().Foods(meal).isEmpty();
    const QString subtotal = planned ? FormatNumber(form.Day().Subtotal(meal)) + Kcal : QString();
    node->setText(1, subtotal);
    node->setData(1, Qt::AccessibleTextRole,
                  node->text(0) + QStringLiteral("小计 ") +
                      (subtotal.isEmpty() ? QStringLiteral("无") : subtotal));
}

QTreeWidgetItem* FoodNode(const FoodEntry& entry) {
    auto* node = new QTreeWidgetItem({EntryText(entry)});
    if (entry.quantity) // F2 weighs it anew
        node->setFlags(node->flags() | Qt::ItemIsEditable);
    return node;
}

// The tree follows a change the model took, node by node, so that the selection stays where the
// user left it.
void ShowChange(Form_卡路里计算器& form, const Change& change) {
    QTreeWidget* tree = form.TreeView_食物列表();
    QList<int> touched;
    for (const Edit& edit : change) {
        QTreeWidgetItem* meal = tree->topLevelItem(edit.meal);
        switch (edit.kind) {
        case Edit::Insert: {
            QTreeWidgetItem* node = FoodNode(edit.after);
            meal->insertChild(edit.index, node);
            // A food's text may use the subtotal's column: food nodes leave it empty.
            node->setFirstColumnSpanned(true);
            break;
        }
        case Edit::Remove:
            delete meal->child(edit.index);
            break;
        case Edit::Update:
            meal->child(edit.index)->setText(0, EntryText(edit.after));
            break;
        }
        if (!touched.contains(edit.meal))
            touched.append(edit.meal);
    }
    ShowIntakeSummary(form);
    for (int meal : touched)
        ShowSubtotal(form, meal);
    UpdateDiaryActions(form); // undo and redo follow
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
    }
    ShowDay(form);
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
        if (!IsEmpty(food))
            row->setData(0, Qt::AccessibleDescriptionRole,
                         FoodMacrosText(form.NutrientsOf(food.FoodName), food.FoodQuantity));
        rows.append(row);
    }
    list->addTopLevelItems(rows);
    if (form.ShowNutrientsAction()->isChecked())
        ShowFoodTips(form);
    // Slots a smaller database left empty keep their row, unseen: they hold nothing to add.
    for (int i = FoodSlots::First; i <= FoodSlots::Last; ++i)
        rows[i - 1]->setHidden(IsEmpty(form.Foods().Slot(i)));
    FillOwnFoods(form);

    QTreeWidget* tree = form.TreeView_食物列表();
    for (int i = 0; i < Meals.size(); ++i)
        tree->topLevelItem(i)->setExpanded(true);
    ShowIntakeSummary(form);
}

std::optional<QString> AddFoodToMeal(Form_卡路里计算器& form) {
    const QTreeWidgetItem* selected = Selected(form.TreeView_食物列表());
    QTreeWidgetItem* row = Selected(form.ListView_食物列表());
    if (!selected || !row || !Meals.contains(selected->text(0)))
        return std::nullopt;
    const PortionQuery portion = form.Search().Portion();
    if (portion.refused)
        return std::nullopt;
    const ListedFood food = FoodOfRow(form, form.ListView_食物列表()->indexOfTopLevelItem(row));
    std::optional<double> grams = portion.grams;
    if (portion.count) {
        const auto counted = PortionGrams(form, food.name, *portion.count, portion.portion);
        if (const auto* refusal = std::get_if<QString>(&counted))
            return *refusal;
        grams = std::get<double>(counted);
    }
    auto entry = EntryFor(row->text(0), food.hot, food.quantity, grams, food.per100g);
    if (!entry) // a weight needs the listed quantity to scale by
        return grams && NumberOf(food.hot) ? std::optional(NotWeighable) : std::nullopt;
    if (portion.count) {
        entry->portion = portion.portion;
        entry->portionCount = *portion.count;
    }
    Do(form, form.Day().Adding(static_cast<int>(Meals.indexOf(selected->text(0))), {*entry}));
    return std::nullopt;
}

int MealOf(const QTreeWidgetItem* node) {
    if (!node)
        return -1;
    const QTreeWidgetItem* meal = node->parent() ? node->parent() : node;
    return meal->treeWidget()
               ? meal->treeWidget()->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(meal))
               : -1;
}

void ChangeGrams(Form_卡路里计算器& form, QTreeWidgetItem* node, double grams) {
    if (!node || !node->parent())
        return;
    const int meal = MealOf(node);
    const int index = node->parent()->indexOfChild(node);
    const FoodEntry& entry = form.Day().Foods(meal).at(index);
    const auto weighed = Reweighed(entry, grams);
    if (!weighed || *weighed == entry)
        return;
    Do(form, form.Day().Reweighing(meal, index, *weighed));
}

QString WeighAnew(Form_卡路里计算器& form, QTreeWidgetItem* node, const QString& typed,
                  bool apply) {
    if (!node || !node->parent())
        return GramsHint;
    const FoodEntry& entry = form.Day().Foods(MealOf(node)).at(node->parent()->indexOfChild(node));
    if (const auto grams = ParseGrams(typed)) {
        if (apply)
            ChangeGrams(form, node, *grams);
        return {};
    }
    const auto counted = ParseCount(typed);
    if (!counted || counted->refused)
        return GramsHint;
    const auto weight = PortionGrams(form, entry.name, *counted->count, counted->portion);
    if (const auto* refusal = std::get_if<QString>(&weight))
        return *refusal;
    auto weighed = Reweighed(entry, std::get<double>(weight));
    if (!weighed)
        return GramsHint;
    weighed->portion = counted->portion;
    weighed->portionCount = *counted->count;
    if (apply && *weighed != entry)
        Do(form, form.Day().Reweighing(MealOf(node), node->parent()->indexOfChild(node), *weighed));
    return {};
}

void RemoveFoodFromMeal(Form_卡路里计算器& form) {
    QTreeWidgetItem* selected = Selected(form.TreeView_食物列表());
    if (!selected || Meals.contains(selected->text(0)) || !selected->parent())
        return;
    Do(form, form.Day().Removing(MealOf(selected), selected->parent()->indexOfChild(selected)));
}

bool Do(Form_卡路里计算器& form, const Change& change) {
    if (!form.Day().Do(change, form.Keeper()))
        return false;
    ShowChange(form, change);
    return true;
}

void Undo(Form_卡路里计算器& form) {
    if (const auto change = form.Day().Undo(form.Keeper()))
        ShowChange(form, *change);
}

void Redo(Form_卡路里计算器& form) {
    if (const auto change = form.Day().Redo(form.Keeper()))
        ShowChange(form, *change);
}

void ShowDay(Form_卡路里计算器& form) {
    QTreeWidget* tree = form.TreeView_食物列表();
    for (int meal = 0; meal < MealCount; ++meal) {
        QTreeWidgetItem* node = tree->topLevelItem(meal);
        qDeleteAll(node->takeChildren());
        for (const FoodEntry& entry : form.Day().Foods(meal)) {
            QTreeWidgetItem* food = FoodNode(entry);
            node->addChild(food);
            food->setFirstColumnSpanned(true);
        }
        ShowSubtotal(form, meal);
    }
    ShowIntakeSummary(form);
}

void AskDailyTarget(Form_卡路里计算器& form) {
    DailyTargetDialog dialog(&form);
    dialog.SetGoals(form.Goals());
    if (dialog.exec() != QDialog::Accepted || !dialog.Target())
        return;
    form.SetGoals(dialog.Goals());
    if (!SaveGoals(dialog.Goals()))
        ShowMessage(&form, QStringLiteral("营养素目标无法保存到 %1，只在本次使用。")
                               .arg(QDir::toNativeSeparators(TargetFilePath())));
    SetDailyTarget(form, dialog.Target()); // what is left of the goals follows
}

void SetDailyTarget(Form_卡路里计算器& form, std::optional<int> kcal) {
    form.SetTargetKcal(kcal);
    ShowTarget(form);
    ShowNutrients(form); // goals in percent of the target follow
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
    const double left = RoundHalfEven(*target - form.Day().Total(), 2);
    const bool over = left < 0;
    header->setText(0, QStringLiteral("今日目标 %1").arg(*target) + Kcal);
    header->setText(1, (over ? QStringLiteral("超出 ") : QStringLiteral("还可摄入 ")) +
                           FormatNumber(std::abs(left)) + Kcal);
    header->setData(1, Qt::ForegroundRole, over ? QVariant(QColor(0xFF, 0, 0)) : QVariant());
    tree->setHeaderHidden(false);
}

} // namespace 方法_卡路里计算器
