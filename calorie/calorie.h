#pragma once
// The calorie window's logic. The day's plan is the window's DayModel; the meal tree shows it:
// six meal nodes, told apart from food nodes by their text alone, and under each meal one node
// per entry, in the entry's order. Every change goes through Do (or Undo and Redo): the diary
// keeps it first when it is on, then the model takes it, then the tree, the subtotals, the
// summary and the target header follow.

#include "calorie/core/day_model.h"

#include <QString>
#include <optional>

class Form_卡路里计算器;
class QTreeWidgetItem;

namespace 方法_卡路里计算器 {

struct OwnFood;

void InitMealTree(Form_卡路里计算器& form);
void FillFoodList(Form_卡路里计算器& form);
// Places the selected food under the selected meal, at the weight typed in the find field if one
// or portion was; nothing when either is missing, a food node is selected instead of a meal, the
// food's energy is not a number or the typed weight is refused. The reason when a weight was typed
// for a food that cannot be weighed, or a portion the food does not have, for the find field.
std::optional<QString> AddFoodToMeal(Form_卡路里计算器& form);
// Weighs a placed food anew; its text, the meal's subtotal and the total follow.
void ChangeGrams(Form_卡路里计算器& form, QTreeWidgetItem* node, double grams);
// Why F2's typed weight or portion ("250", "2碗") is refused for a placed food, empty when it is
// taken; with apply, the food is weighed anew.
QString WeighAnew(Form_卡路里计算器& form, QTreeWidgetItem* node, const QString& typed, bool apply);
// Takes the selected food node out; meal nodes stay.
void RemoveFoodFromMeal(Form_卡路里计算器& form);

// Said in the find field and by F2 for a food whose listed weight is not a number.
inline const QString NotWeighable = QStringLiteral("这种食物不能按重量计算");

// The meal a node belongs to (itself for a meal node), -1 for none.
int MealOf(const QTreeWidgetItem* node);

// One user command: kept, taken by the model, shown. False when the diary could not keep it.
bool Do(Form_卡路里计算器& form, const Change& change);
void Undo(Form_卡路里计算器& form);
void Redo(Form_卡路里计算器& form);
// The tree, the summary and the header built anew from the model.
void ShowDay(Form_卡路里计算器& form);

void ShowIntakeSummary(Form_卡路里计算器& form);

// Asks for a target in the dialog and sets it unless the user cancels.
void AskDailyTarget(Form_卡路里计算器& form);
// Sets and keeps a target, or with none clears it and removes what was kept.
void SetDailyTarget(Form_卡路里计算器& form, std::optional<int> kcal);
// The tree's header row: the target and what is left of it, hidden without a target.
void ShowTarget(Form_卡路里计算器& form);

// With "显示营养素" checked, each food row's tooltip gives its nutrients under the list's own.
void ShowFoodTips(Form_卡路里计算器& form);
// own: the row's own food or dish, none for a shipped food.
void ShowFoodTip(Form_卡路里计算器& form, QTreeWidgetItem* row, const OwnFood* own);
// "显示营养素": kept like the daily target; the rows' tooltips and the label under the meals
// follow.
void SetShowNutrients(Form_卡路里计算器& form, bool show);
// The day's and the selected meal's nutrients, their shares and what is left of the goals, under
// the meals while "显示营养素" is checked; the tree has its usual height otherwise.
void ShowNutrients(Form_卡路里计算器& form);
// "数据来源": the selected food's source and record, and the credit lines of both sources.
void ShowFoodSource(Form_卡路里计算器& form);

} // namespace 方法_卡路里计算器
