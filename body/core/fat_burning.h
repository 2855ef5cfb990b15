#pragma once
// Fat-burning exercise: the moderate heart-rate zone, 60 to 80 % of 220 minus the age.

#include "body/core/input_rules.h"
#include "frame/core/report.h"

#include <array>

namespace 方法_燃脂运动计算 {

inline constexpr std::array<FieldRule, 1> Fields{{
    {Quantity::Age, 0, 1, 100},
}};

struct HeartRateZone {
    int lower;
    int upper;
};

HeartRateZone Zone(double age);

extern const QString Label;
// The six lines of the report, without a final line break.
QString ReportText(const HeartRateZone& zone);
// Headline, then the upper bound, then the lower bound, searched from the headline onwards.
QList<Emphasis> Emphases(const QString& text, const HeartRateZone& zone);

Report BuildReport(double age);

} // namespace 方法_燃脂运动计算
