#pragma once
// Body-mass index: weight over the square of the height in metres, to two decimals.

#include "body/core/input_rules.h"
#include "frame/core/report.h"

#include <array>

namespace 方法_身体质量指数 {

inline constexpr std::array<FieldRule, 2> Fields{{
    {Quantity::Height, 0, 100, 250},
    {Quantity::Weight, 1, 30, 250},
}};

double Bmi(double height, double weight);

extern const QString Label;
// The fixed table of the four weight classes, two lines without a final line break.
extern const QString ClassTable;

Report BuildReport(double height, double weight);

} // namespace 方法_身体质量指数
