#pragma once
// Basal metabolic rate by the Harris-Benedict equations, in whole kilocalories.

#include "input_rules.h"
#include "report.h"

#include <array>

class Form_基础代谢计算;

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

// The window's Calculate button: check the fields, then write the report.
bool CheckInput(Form_基础代谢计算& form);
void Calculate(Form_基础代谢计算& form);

} // namespace 方法_基础代谢计算
