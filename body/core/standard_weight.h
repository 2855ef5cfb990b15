#pragma once
// Standard weight, looked up in the reference tables by sex, age and height.

#include "body/core/input_rules.h"
#include "frame/core/report.h"

#include <array>

namespace 方法_标准体重计算 {

// Women's heights stop at 176 cm: the tables' taller columns are never used for them.
std::array<FieldRule, 2> Fields(Sex sex);

// Row of the age: whole years, then (years - 19) / 2 with a half going to the even row.
int Row(double age);
// Column of the height: 4 cm per column from 152 cm.
int Column(double height);

// Needs the tables built; age and height within Fields(sex).
int StandardWeight(Sex sex, double age, double height);

Report BuildReport(Sex sex, double age, double height);

} // namespace 方法_标准体重计算
