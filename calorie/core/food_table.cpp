#include "calorie/core/food_table.h"

#include "calorie/core/food_reader.h"

#include <QCoreApplication>

namespace {

FoodSlots foodTable;

} // namespace

const FoodSlots& 自定义变量::FoodTable = foodTable;

void 自定义方法::LoadFoodTable() {
    LoadFoodTable(QCoreApplication::applicationDirPath() + QStringLiteral("/Data/FoodData.mdb"),
                  foodTable);
}

void 自定义方法::LoadFoodTable(const QString& path, FoodSlots& table) {
    food_reader::Load(path, table);
}
