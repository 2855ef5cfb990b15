#pragma once
// The arithmetic of the day's intake: numbers read from the food table's texts, the running total
// and the two-line summary. The day model keeps the total; the calorie window shows the summary.

#include <QString>
#include <optional>

namespace 方法_卡路里计算器 {

inline const QString Kcal = QStringLiteral(" 大卡");
inline const QString IntakeLabel = QStringLiteral("共摄入：");

// The number a text holds, blanks around it allowed (a database's quantity, say).
std::optional<double> NumberOf(const QString& text);

// Adding never rounds; removing rounds to two decimals, an exact half to the even neighbour.
double Added(double total, double energy);
double Removed(double total, double energy);

// "共摄入：<total> 大卡", CR LF, the fixed line on what a body uses.
QString SummaryText(double total);

} // namespace 方法_卡路里计算器
