#pragma once
// The day's plan as it leaves the program: plain text that reads well pasted into a chat, and a
// CSV table a spreadsheet opens with its Chinese columns. Both work on plain values taken from the
// day model; a page for print or PDF is laid out from the same values by the window.

#include "calorie/core/day_model.h"
#include "calorie/core/nutrients.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace 方法_卡路里计算器 {

struct PlannedFood {
    QString name;
    std::optional<double> grams;    // none when the food's listed weight is not a number
    double energy = 0;              // kilocalories
    std::optional<Macros> macros{}; // at the weight eaten; none without nutrients
};

struct PlannedMeal {
    QString name;
    QList<PlannedFood> foods;
};

struct DayPlan {
    QDate date;
    QList<PlannedMeal> meals; // the six meals in order, empty ones included
    double total = 0;         // the total the summary shows
};

// The shown day's meals and total, as the exports read them.
DayPlan PlanOf(const DayModel& day);

// The sum of the meal's foods, as its subtotal in the meal tree.
double Subtotal(const PlannedMeal& meal);

// The nutrients of a meal's foods and of the day's.
NutrientSum NutrientsOf(const PlannedMeal& meal);
NutrientSum NutrientsOf(const DayPlan& day);

// "2026年12月9日 星期三"
QString DateText(QDate date);

// "米饭 250克", or the name alone without a weight.
QString FoodWithWeight(const PlannedFood& food);

// "今日目标：1800 大卡，还可摄入 280 大卡", or "…，超出 120 大卡" once the total passes it.
QString TargetLine(double target, double total);

// A title line with the date, then each meal that has foods: its name and subtotal, one line per
// food, with its nutrients when it has them; then the total, the day's nutrients when a food has
// them and, when a target is set, the target line. Lines end in LF, the last one without.
QString PlanText(const DayPlan& day, std::optional<double> target);

// UTF-8 with a byte-order mark, CR LF line ends: a header row 餐次, 食物, 重量（克）, 热量（大卡）,
// 蛋白质（克）, 脂肪（克）, 碳水化合物（克）, one row per food (its nutrients empty when it has
// none), a 合计 row and, with a target, its two rows.
QByteArray PlanCsv(const DayPlan& day, std::optional<double> target);

} // namespace 方法_卡路里计算器
