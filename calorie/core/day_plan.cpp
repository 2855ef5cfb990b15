#include "calorie/core/day_plan.h"

#include "calorie/core/intake.h"
#include "frame/core/csv.h"
#include "frame/core/numbers.h"

#include <QStringList>

namespace 方法_卡路里计算器 {

namespace {

// What is left of the target, negative once it is passed; rounded as the total is on removal.
double Left(double target, double total) {
    return RoundHalfEven(target - total, 2);
}

// ",6.5,0.5,64.8", one decimal; empty cells without nutrients, never 0.
QString MacroCells(const std::optional<Macros>& macros) {
    if (!macros)
        return QStringLiteral(",,,");
    QString cells;
    for (double grams : {macros->protein, macros->fat, macros->carbohydrate})
        cells += u',' + FormatNumber(RoundHalfEven(grams, 1));
    return cells;
}

} // namespace

DayPlan PlanOf(const DayModel& day) {
    DayPlan plan{day.Date(), {}, day.Total()};
    for (int meal = 0; meal < MealCount; ++meal) {
        PlannedMeal planned{Meals[meal], {}};
        for (const FoodEntry& entry : day.Foods(meal))
            planned.foods.append({entry.name, entry.grams, entry.kcal, EntryMacros(entry)});
        plan.meals.append(planned);
    }
    return plan;
}

double Subtotal(const PlannedMeal& meal) {
    double sum = 0;
    for (const PlannedFood& food : meal.foods)
        sum = Added(sum, food.energy);
    return sum;
}

NutrientSum NutrientsOf(const PlannedMeal& meal) {
    NutrientSum sum;
    for (const PlannedFood& food : meal.foods)
        sum.Add(food.energy, food.macros);
    return sum;
}

NutrientSum NutrientsOf(const DayPlan& day) {
    NutrientSum sum;
    for (const PlannedMeal& meal : day.meals)
        sum += NutrientsOf(meal);
    return sum;
}

QString DateText(QDate date) {
    static const QStringList weekdays{"一", "二", "三", "四", "五", "六", "日"};
    return QStringLiteral("%1年%2月%3日 星期%4")
        .arg(date.year())
        .arg(date.month())
        .arg(date.day())
        .arg(weekdays.value(date.dayOfWeek() - 1));
}

QString FoodWithWeight(const PlannedFood& food) {
    return food.grams ? food.name + u' ' + FormatNumber(*food.grams) + u'克' : food.name;
}

QString TargetLine(double target, double total) {
    const double left = Left(target, total);
    return QStringLiteral("今日目标：") + FormatNumber(target) + Kcal + u'，' +
           (left < 0 ? QStringLiteral("超出 ") + FormatNumber(-left)
                     : QStringLiteral("还可摄入 ") + FormatNumber(left)) +
           Kcal;
}

QString PlanText(const DayPlan& day, std::optional<double> target) {
    QStringList lines{QStringLiteral("今日饮食计划（") + DateText(day.date) + u'）', QString()};
    bool planned = false;
    for (const PlannedMeal& meal : day.meals) {
        if (meal.foods.isEmpty())
            continue;
        planned = true;
        lines << u'【' + meal.name + u'】' + FormatNumber(Subtotal(meal)) + Kcal;
        for (const PlannedFood& food : meal.foods)
            lines << FoodWithWeight(food) + u'　' + FormatNumber(food.energy) + Kcal +
                         (food.macros ? u'　' + MacrosText(food.macros) : QString());
        lines << QString();
    }
    if (!planned)
        lines << QStringLiteral("还没有安排食物。") << QString();
    lines << IntakeLabel + FormatNumber(day.total) + Kcal;
    // Only a day with nutrients says them: a plan without is as it always was.
    if (const NutrientSum sum = NutrientsOf(day); sum.counted) {
        lines << SumText(QStringLiteral("营养素"), sum);
        if (sum.missing)
            lines << MissingText(sum.missing);
    }
    if (target)
        lines << TargetLine(*target, day.total);
    return lines.join(u'\n');
}

QByteArray PlanCsv(const DayPlan& day, std::optional<double> target) {
    QStringList rows{QStringLiteral(
        "餐次,食物,重量（克）,热量（大卡）,蛋白质（克）,脂肪（克）,碳水化合物（克）")};
    for (const PlannedMeal& meal : day.meals) {
        for (const PlannedFood& food : meal.foods)
            rows << CsvField(meal.name) + u',' + CsvField(food.name) + u',' +
                        (food.grams ? FormatNumber(*food.grams) : QString()) + u',' +
                        FormatNumber(food.energy) + MacroCells(food.macros);
    }
    const NutrientSum sum = NutrientsOf(day);
    rows << QStringLiteral("合计,,,") + FormatNumber(day.total) + MacroCells(sum.Known());
    if (target) {
        const double left = Left(*target, day.total);
        rows << QStringLiteral("今日目标,,,") + FormatNumber(*target)
             << (left < 0 ? QStringLiteral("超出,,,") + FormatNumber(-left)
                          : QStringLiteral("还可摄入,,,") + FormatNumber(left));
    }
    return "\xEF\xBB\xBF" + (rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8();
}

} // namespace 方法_卡路里计算器
