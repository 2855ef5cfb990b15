#pragma once
// Healthy weight range: the whole kilograms that give a BMI from 18.5 to 24 at the user's height.

#include "body/core/input_rules.h"
#include "frame/core/report.h"

#include <array>

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

} // namespace 方法_健康体重范围
