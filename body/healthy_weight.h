#pragma once
// Healthy weight range: the whole kilograms that give a BMI from 18.5 to 24 at the user's height.

#include "input_rules.h"
#include "report.h"

#include <array>

class Form_健康体重范围;

namespace 方法_健康体重范围 {

inline constexpr std::array<FieldRule, 1> Fields{{
    {Quantity::Height, 0, 50, 250},
}};

struct WeightRange {
    double lower;
    double upper;
};

WeightRange HealthyRange(double height);

extern const QString Label;
// The report's text: one line, then an empty line.
QString ReportText(const WeightRange& range);
// Headline and both bounds, searched from the headline's label onwards.
QList<Emphasis> Emphases(const QString& text, const WeightRange& range);

Report BuildReport(double height);

// The window's Calculate button: check the fields, then write the report.
bool CheckInput(Form_健康体重范围& form);
void Calculate(Form_健康体重范围& form);

} // namespace 方法_健康体重范围
