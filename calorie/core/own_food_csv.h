#pragma once
// The user's own foods, dishes and portions as one CSV file, to take them to another machine:
// UTF-8 with a byte-order mark, CR LF, the header
//   类型,名称,别名或食材或份量,每100克热量（大卡）,重量（克）,熟重（克）,份数,
//   蛋白质（克/100克）,脂肪（克/100克）,碳水化合物（克/100克）
// and a row per 食物 (its serving's weight, if any), 菜肴 (its serving's weight, cooked weight and
// servings), 食材 (after its dish: the dish's name, the ingredient, its kcal per 100 g and grams)
// and 份量 (the food's name, the portion, its grams); foods, dishes and ingredients with their
// nutrients in the last three columns, which files from before them do not have.

#include "calorie/core/named_portion.h"
#include "calorie/core/own_food.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace 方法_卡路里计算器 {

struct OwnFoodsFile {
    QList<OwnFood> foods;
    QList<NamedPortion> portions;
};

QByteArray OwnFoodsCsv(const OwnFoodsFile& file);

// What a file holds that the dialogs could have made; the rows refused, with the first reasons
// ("第 3 行：热量不是 1–900 的整数").
struct OwnFoodsRead {
    OwnFoodsFile file;
    int refused = 0;
    QStringList reasons;
};
OwnFoodsRead ReadOwnFoodsCsv(const QByteArray& csv);

} // namespace 方法_卡路里计算器
