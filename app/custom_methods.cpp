#include "custom_methods.h"

#include "food_table.h"
#include "standard_weight_tables.h"

namespace 自定义方法 {
void InitData() {
    BuildStandardWeightTables();
    LoadFoodTable();
}
} // namespace 自定义方法
