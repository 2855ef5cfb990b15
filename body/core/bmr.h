#pragma once
// Basal metabolic rate by the Harris-Benedict equations, in whole kilocalories.

#include "body/core/input_rules.h"
#include "frame/core/report.h"

#include <array>

namespace 方法_基础代谢计算 {

inline constexpr std::array<FieldRule, 3> Fields{{
    {Quantity::Age, 0, 1, 100},
    {Quantity::Height, 1, 100, 250},
    {Quantity::Weight, 2, 30, 250},
}};

int Bmr(Sex sex, double age, double height, double weight);

// The line under the rate: what the basal metabolic rate is.
extern const QString Explanation;

Report BuildReport(Sex sex, double age, double height, double weight);

} // namespace 方法_基础代谢计算
