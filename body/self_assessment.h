#pragma once
// The one-minute self-assessment: BMI, healthy weight range, basal metabolic rate and heart-rate
// zone from one set of measurements, in one report of four sections.

#include "input_rules.h"
#include "report.h"

#include <array>

class Form_一分钟彻底了解自己;

namespace 方法_一分钟彻底了解自己 {

inline constexpr std::array<FieldRule, 3> Fields{{
    {Quantity::Age, 0, 1, 100},
    {Quantity::Height, 1, 50, 250},
    {Quantity::Weight, 2, 30, 250},
}};

Report BuildReport(Sex sex, double age, double height, double weight);

// The window's Calculate button: check the fields, then write the report.
bool CheckInput(Form_一分钟彻底了解自己& form);
void Calculate(Form_一分钟彻底了解自己& form);

} // namespace 方法_一分钟彻底了解自己
