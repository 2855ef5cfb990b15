#include "calorie/core/food_table.h"

#include "calorie/core/food_reader.h"

#include <QCoreApplication>

namespace {

FoodSlots foodTable;

} // namespace

const FoodSlots& 自定义变量::FoodTable = foodTable;

void 自定义方法::LoadFoodTable() {
    food_reader::FoodLoad::Start(
        QCoreApplication::applicationDirPath() + QStringLiteral("/Data/FoodData.mdb"), foodTable);
}

void 自定义方法::LoadFoodTable(const QString& path, FoodSlots& table) {
    food_reader::Load(path, table);
}

bool WhenFoodsArrive(const FoodSlots& table, QObject* context, std::function<void()> then) {
    food_reader::FoodLoad* load = food_reader::FoodLoad::Filling(table);
    if (!load)
        return false;
    QObject::connect(load, &food_reader::FoodLoad::finished, context,
                     [then = std::move(then)] { then(); });
    return true;
}
