// The rules a row of the diary's file meets before it is read, in SQL and in C++.

#include "calorie/core/portion.h"
#include "diary/room.h"

namespace 方法_卡路里计算器 {

namespace {

std::optional<double> Unbound(const QVariant& value) {
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

QString Number(const QString& column) {
    return QStringLiteral("typeof(%1) IN ('real', 'integer')").arg(column);
}

} // namespace

QString DayText(QDate day) {
    return day.toString(Qt::ISODate);
}

QVariant Bound(std::optional<double> value) {
    return value ? QVariant(*value) : QVariant();
}

QString DayRule() {
    // A day moved by 0 days comes back only when it exists: 2024-02-30 comes back as March 1st.
    return QStringLiteral("typeof(day) = 'text' AND "
                          "day GLOB '[0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]' AND "
                          "date(day, '+0 days') IS day");
}

QString FoodRule() {
    constexpr double MostKcal = 9 * MaxGrams; // as IsSoundEntry: pure fat at the heaviest portion
    const auto energy = [](const QString& column) {
        return Number(column) +
               QStringLiteral(" AND %1 BETWEEN 0 AND %2").arg(column).arg(MostKcal);
    };
    const auto weight = [](const QString& column) {
        return Number(column) +
               QStringLiteral(" AND %1 > 0 AND %1 <= %2").arg(column).arg(MaxGrams);
    };
    return QStringLiteral("typeof(name) = 'text' AND length(name) <= 255 AND "
                          "length(trim(name, ' ' || char(9, 10, 11, 12, 13, 133, 160, 12288))) > 0 "
                          "AND ") +
           energy("hot") + QStringLiteral(" AND ") + energy("kcal") +
           QStringLiteral(" AND (quantity IS NULL AND grams IS NULL OR ") + weight("quantity") +
           QStringLiteral(" AND ") + weight("grams") + u')';
}

QString EntryRule() {
    return DayRule() +
           QStringLiteral(" AND typeof(meal) = 'integer' AND meal BETWEEN 0 AND 5 AND ") +
           FoodRule();
}

QString WeighingRule() {
    return DayRule() + QStringLiteral(" AND ") + Number("kg") +
           QStringLiteral(" AND kg BETWEEN %1 AND %2 AND round(kg, 2) = kg")
               .arg(方法_体重记录::MinKg)
               .arg(方法_体重记录::MaxKg);
}

QString NutrientRule() {
    QString figures;
    for (const char* column : {"protein", "fat", "carbohydrate"})
        figures += Number(QLatin1String(column)) +
                   QStringLiteral(" AND %1 BETWEEN 0 AND 100 AND ").arg(QLatin1String(column));
    return QStringLiteral("protein IS NULL AND fat IS NULL AND carbohydrate IS NULL OR ") +
           figures + QStringLiteral("protein + fat + carbohydrate <= 100");
}

std::optional<FoodEntry> FoodAt(const QSqlQuery& query, int first) {
    FoodEntry food{query.value(first).toLongLong(),   query.value(first + 1).toString(),
                   query.value(first + 2).toDouble(), Unbound(query.value(first + 3)),
                   Unbound(query.value(first + 4)),   query.value(first + 5).toDouble(),
                   query.value(first + 6).toString(), query.value(first + 7).toDouble()};
    const auto protein = Unbound(query.value(first + 8)), fat = Unbound(query.value(first + 9)),
               carbohydrate = Unbound(query.value(first + 10));
    // Figures that break the rules are not shown; the food itself still is.
    if (protein && fat && carbohydrate && IsSoundPer100g({*protein, *fat, *carbohydrate}))
        food.per100g = Macros{*protein, *fat, *carbohydrate};
    if (!IsSoundEntry(food))
        return std::nullopt;
    // A portion that does not add up is left off; the weight it stood for stays.
    if (!IsSoundPortion(food)) {
        food.portion.clear();
        food.portionCount = 0;
    }
    return food;
}

void BindFood(QSqlQuery& query, const FoodEntry& food) {
    query.addBindValue(food.name);
    query.addBindValue(food.listedKcal);
    query.addBindValue(Bound(food.quantity));
    query.addBindValue(Bound(food.grams));
    query.addBindValue(food.kcal);
    query.addBindValue(food.portion.isEmpty() ? QVariant() : QVariant(food.portion));
    query.addBindValue(food.portion.isEmpty() ? QVariant() : QVariant(food.portionCount));
    BindMacros(query, food.per100g);
}

void BindMacros(QSqlQuery& query, const std::optional<Macros>& per100g) {
    for (double Macros::*part : {&Macros::protein, &Macros::fat, &Macros::carbohydrate})
        query.addBindValue(per100g ? QVariant((*per100g).*part) : QVariant());
}

bool IsSoundWeighing(const 方法_体重记录::Weighing& weighing, QDate today) {
    return weighing.day.isValid() && weighing.day <= today && 方法_体重记录::IsSoundKg(weighing.kg);
}

std::optional<double> GoalFrom(const QString& text) {
    bool ok = false;
    const double kg = text.toDouble(&ok);
    return ok && 方法_体重记录::IsSoundKg(kg) ? std::optional(kg) : std::nullopt;
}

} // namespace 方法_卡路里计算器
