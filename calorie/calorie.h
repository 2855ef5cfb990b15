#pragma once
// The calorie window's logic. The meal tree is the only record of the day's plan: six meal
// nodes, told apart from food nodes by their text alone, and under them one node per placed
// food, "<energy cell>  <name>", followed by " <grams>克" when it was weighed at other than its
// listed quantity.

#include "calorie/core/intake.h"

#include <QString>
#include <QStringList>
#include <Qt>
#include <optional>

class Form_卡路里计算器;
class QTreeWidgetItem;

namespace 方法_卡路里计算器 {

// A food node keeps its food's name and its weight in grams beside its text.
inline constexpr int FoodNameRole = Qt::UserRole;
inline constexpr int GramsRole = Qt::UserRole + 1;

extern const QStringList Meals;

void InitMealTree(Form_卡路里计算器& form);
void FillFoodList(Form_卡路里计算器& form);
// Places the selected food under the selected meal, at the weight typed in the find field if one
// was; nothing when either is missing, a food node is selected instead of a meal, the food's
// energy is not a number or the typed weight is refused.
void AddFoodToMeal(Form_卡路里计算器& form);
// Weighs a placed food anew; its text, the meal's subtotal and the total follow.
void ChangeGrams(Form_卡路里计算器& form, QTreeWidgetItem* node, double grams);
// Takes the selected food node out; meal nodes stay.
void RemoveFoodFromMeal(Form_卡路里计算器& form);

// The running total intake in kilocalories while the window is open.
extern double TotalIntake;

void ResetIntake(Form_卡路里计算器& form);
void AddIntake(Form_卡路里计算器& form, const QString& energyText);
void RemoveIntake(Form_卡路里计算器& form, const QString& nodeText);
void ShowIntakeSummary(Form_卡路里计算器& form);

// Asks for a target in the dialog and sets it unless the user cancels.
void AskDailyTarget(Form_卡路里计算器& form);
// Sets and keeps a target, or with none clears it and removes what was kept.
void SetDailyTarget(Form_卡路里计算器& form, std::optional<int> kcal);
// The tree's header row: the target and what is left of it, hidden without a target.
void ShowTarget(Form_卡路里计算器& form);

} // namespace 方法_卡路里计算器
