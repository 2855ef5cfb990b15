#pragma once
// The user's own foods, dishes and portions in the calorie window: their rows after the shipped
// foods and the food list's commands (their dialogs are in own_food_dialogs.h). Every change is
// kept by the window's shelf first; only then does the list show it. Entries already placed are
// snapshots and never change.

#include "calorie/core/named_portion.h"
#include "calorie/core/own_food.h"

#include <QString>
#include <memory>
#include <variant>

class Form_卡路里计算器;
class QTreeWidgetItem;

namespace 方法_卡路里计算器 {

// What a row of the food list holds, shipped or own: its name, energy and listed weight as text.
struct ListedFood {
    QString name;
    QString hot;
    QString quantity;
    const OwnFood* own = nullptr;
    std::optional<Macros> per100g; // the shipped table's figures, or the own food's
};
ListedFood FoodOfRow(Form_卡路里计算器& form, int row);

class OwnFoodShelf;

// The shelf in the window's diary file; making the first own food, portion or dish makes the file.
std::unique_ptr<OwnFoodShelf> DiaryShelf(Form_卡路里计算器& form);

// The own foods' rows, appended after the shipped ones.
void FillOwnFoods(Form_卡路里计算器& form);
// Reads the own foods again when another program has changed them.
void RefreshOwnFoods(Form_卡路里计算器& form);

// Whether a shipped food or another own food than except has the name, as it is kept.
bool NameTaken(Form_卡路里计算器& form, const QString& name, qint64 except);
// Keeps food (an id is given to a new one) and only then shows it in its row of the list;
// otherwise problem says why.
bool KeepAndShow(Form_卡路里计算器& form, OwnFood& food, QString& problem);

// count of the food's portion name in grams, or why not (the portions it has, a refused weight).
std::variant<double, QString> PortionGrams(Form_卡路里计算器& form, const QString& food,
                                           double count, const QString& name);

void NewOwnFood(Form_卡路里计算器& form);
void EditOwnFood(Form_卡路里计算器& form);
void DeleteOwnFood(Form_卡路里计算器& form);
void NewDish(Form_卡路里计算器& form);
void EditPortions(Form_卡路里计算器& form);
// "导出自建食物…" and "导入自建食物…": the own foods, dishes and portions as CSV; an import adds
// what the shelf has no food or portion of that name for.
void ExportOwnFoods(Form_卡路里计算器& form);
void ImportOwnFoods(Form_卡路里计算器& form);
// Edit and delete only on an own food, portions on any food.
void UpdateFoodActions(Form_卡路里计算器& form);

} // namespace 方法_卡路里计算器
