#pragma once
// The dialogs that make and change own foods, dishes and a food's named portions. What they take
// is kept by the window's shelf before the list shows it; when it cannot be kept, the dialog
// stays open with what was typed and says why.

#include "calorie/core/own_food.h"

#include <QString>

class Form_卡路里计算器;

namespace 方法_卡路里计算器 {

void AskOwnFood(Form_卡路里计算器& form, OwnFood food);
void AskDish(Form_卡路里计算器& form, OwnFood dish);
void AskPortions(Form_卡路里计算器& form, const QString& food);

} // namespace 方法_卡路里计算器
