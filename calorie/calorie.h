#pragma once
// The calorie window's logic. The meal tree is the only record of the day's plan: six meal
// nodes, told apart from food nodes by their text alone, and under them one node per placed
// food, "<energy cell>  <name>".

#include "calorie/core/intake.h"

#include <QString>
#include <QStringList>
#include <Qt>
#include <optional>

class Form_卡路里计算器;

namespace 方法_卡路里计算器 {

extern const QStringList Meals;

// A food node keeps its food's name and its weight in grams beside its text.
inline constexpr int FoodNameRole = Qt::UserRole;
inline constexpr int GramsRole = Qt::UserRole + 1;

// The daily target in kilocalories, when one is set.
std::optional<double> CurrentTarget(const Form_卡路里计算器& form);

void InitMealTree(Form_卡路里计算器& form);
void FillFoodList(Form_卡路里计算器& form);
// Places the selected food under the selected meal; nothing when either is missing, a food node
// is selected instead of a meal, or the food's energy is not a number.
void AddFoodToMeal(Form_卡路里计算器& form);
// Takes the selected food node out; meal nodes stay.
void RemoveFoodFromMeal(Form_卡路里计算器& form);

// The running total intake in kilocalories while the window is open.
extern double TotalIntake;

void ResetIntake(Form_卡路里计算器& form);
void AddIntake(Form_卡路里计算器& form, const QString& energyText);
void RemoveIntake(Form_卡路里计算器& form, const QString& nodeText);
void ShowIntakeSummary(Form_卡路里计算器& form);

} // namespace 方法_卡路里计算器
