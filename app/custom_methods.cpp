#include "app/custom_methods.h"

#include "body/core/standard_weight_tables.h"
#include "calorie/core/food_table.h"

namespace 自定义方法 {
void InitData() {
    BuildStandardWeightTables();
    LoadFoodTable();
}
} // namespace 自定义方法
