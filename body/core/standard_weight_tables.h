#pragma once
// Standard body weight in whole kilograms by sex, age and height: row k stands for the age
// 19 + 2k years (19 to 69), column j for the height 152 + 4j cm (152 to 188).

#include <QtGlobal>
#include <array>

inline constexpr int StandardWeightRows = 26;
inline constexpr int StandardWeightColumns = 10;

using StandardWeightRow = std::array<qint16, StandardWeightColumns>;
using StandardWeightTable = std::array<StandardWeightRow, StandardWeightRows>;

namespace 自定义变量 {
// Empty until start-up builds them, read-only afterwards.
extern StandardWeightTable MaleStandardWeight;
extern StandardWeightTable FemaleStandardWeight;
} // namespace 自定义变量

namespace 自定义方法 {
void BuildStandardWeightTables();
}
