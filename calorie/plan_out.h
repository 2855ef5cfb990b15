#pragma once
// The day's plan out of the program: to the clipboard as text, to a PDF or CSV file, to a printer.
// The meal tree's menu and the window's shortcuts lead here.

#include "calorie/core/day_plan.h"

#include <optional>

class Form_卡路里计算器;
class QMenu;

namespace 方法_卡路里计算器 {

enum class PlanFormat { Pdf, Csv };

// Writes the plan to path (PDF on A4) through a temporary file renamed into place, so a failure
// leaves no partial file and an earlier file of that name as it was. The reason when it fails.
std::optional<QString> WritePlan(const DayPlan& day, std::optional<double> target,
                                 const QString& path, PlanFormat format);

void CopyPlan(Form_卡路里计算器& form);
void ExportPlan(Form_卡路里计算器& form);
void PrintPlan(Form_卡路里计算器& form);

// The three commands, with their shortcuts on the whole window.
void AddPlanActions(Form_卡路里计算器& form, QMenu& menu);

} // namespace 方法_卡路里计算器
