#pragma once
// The one-minute self-assessment: BMI, healthy weight range, basal metabolic rate and heart-rate
// zone from one set of measurements, in one report of four sections.

#include "body/core/input_rules.h"
#include "frame/core/report.h"

#include <array>

namespace 方法_一分钟彻底了解自己 {

inline constexpr std::array<FieldRule, 3> Fields{{
    {Quantity::Age, 0, 1, 100},
    {Quantity::Height, 1, 50, 250},
    {Quantity::Weight, 2, 30, 250},
}};

Report BuildReport(Sex sex, double age, double height, double weight);

} // namespace 方法_一分钟彻底了解自己
