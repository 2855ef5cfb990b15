#pragma once
// The day's plan as a printed page: a title with the date, a table of the meals that have foods,
// the total and the target. The same page goes to a printer or into a PDF file.

#include "calorie/core/day_plan.h"

#include <QByteArray>
#include <QPageLayout>
#include <optional>

class QPagedPaintDevice;

namespace 方法_卡路里计算器 {

extern const QString PlanTitle; // "今日饮食计划"

// A4 upright, with margins a printer can print.
QPageLayout A4();

// The plan on the pages of device (a PDF writer or a printer), laid out for its page size: a
// title with the date, a table of the meals that have foods, the total and the target.
void PaintPlan(const DayPlan& day, std::optional<double> target, QPagedPaintDevice& device);

// The PDF file of the plan on pages of that layout, its text map naming the characters drawn.
QByteArray PlanPdf(const DayPlan& day, std::optional<double> target, const QPageLayout& page);

} // namespace 方法_卡路里计算器
