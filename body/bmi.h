#pragma once
// Body-mass index: weight over the square of the height in metres, to two decimals.

#include "input_rules.h"
#include "report.h"

#include <array>

class Form_身体质量指数;

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

// The window's Calculate button: check the fields, then write the report.
bool CheckInput(Form_身体质量指数& form);
void Calculate(Form_身体质量指数& form);

} // namespace 方法_身体质量指数
