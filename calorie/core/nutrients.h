#pragma once
// What the foods are made of. The shipped foods' protein, fat and carbohydrate come from
// Data/FoodNutrients.csv beside the food database, one row a food, each copied from one credited
// record; the table is read on first use, after the launcher has shown. A food without a row has no
// nutrients and shows "—", never 0, and every sum says how many of its foods had none.

#include "calorie/core/day_model.h"
#include "calorie/core/macros.h"
#include "calorie/core/own_food.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace 方法_卡路里计算器 {

struct FoodNutrients {
    Macros per100g;
    QString source; // "USDA SR28" or "TW FDA"
    QString record; // the record's id in that source
};
using NutrientTable = QHash<QString, FoodNutrients>; // by FoodName

struct NutrientRead {
    NutrientTable table;
    QString problem; // why the table or some of its rows were not taken; empty when all were
};
// A row is taken whole or not at all: a known source, a record, figures from 0 to 100 g that add
// up to at most 100 g, a name no other row has. A wrong header takes nothing.
NutrientRead ParseNutrients(const QByteArray& csv);
// The table at path; a missing or damaged one says why in one line of the food log.
NutrientTable ReadNutrients(const QString& path);
// Data/FoodNutrients.csv beside the executable, read at the first call.
const NutrientTable& ShippedNutrients();

// Where the figures come from, as the food list's "数据来源" says it.
inline const QString UsdaCredit = QStringLiteral(
    "USDA, Agricultural Research Service. USDA National Nutrient Database for Standard Reference, "
    "Release 28");
inline const QString TwFdaCredit = QStringLiteral("食品營養成分資料集，衛生福利部食品藥物管理署");
QString SourceText(const QString& foodName, const FoodNutrients* food);
// The same for an own food or a dish: the user's figures, or the sum of its ingredients'.
QString OwnSourceText(const OwnFood& food);

// "2.6 克": a nutrient's grams, to one decimal.
QString GramsText(double grams);
// "蛋白质 2.6 克，脂肪 0.3 克，碳水化合物 25.9 克", one decimal; with none, "—" for each.
QString MacrosText(const std::optional<Macros>& macros);
// The row's description: per 100 g, then per the listed quantity when that is another weight.
QString FoodMacrosText(const FoodNutrients* food, const QString& foodQuantity);

// An entry's nutrients at its weight; none without nutrients or without a weight.
std::optional<Macros> EntryMacros(const FoodEntry& entry);

struct NutrientSum {
    Macros grams;
    double kcal = 0; // the energy of the foods summed, nutrients or not
    int missing = 0; // foods without nutrients
    int counted = 0; // foods with

    // One food more: its energy, and its nutrients at the weight eaten when it has them.
    void Add(double foodKcal, const std::optional<Macros>& macros);
    NutrientSum& operator+=(const NutrientSum& other);
    // The grams when any of the foods had nutrients; none otherwise, never 0.
    std::optional<Macros> Known() const { return counted ? std::optional(grams) : std::nullopt; }
};
NutrientSum SumOf(const QList<FoodEntry>& foods);
NutrientSum SumOf(const DayMeals& meals);

// Each nutrient's energy (4 kcal/g protein and carbohydrate, 9 fat) as a percent of the sum's
// energy; none when there is no energy.
std::optional<Macros> EnergyShares(const NutrientSum& sum);

// "全天：蛋白质 52.3 克（18%），脂肪 40 克（30%），碳水化合物 200 克（52%）"; "—" for each when
// none of its foods had nutrients.
QString SumText(const QString& label, const NutrientSum& sum);
// "2 种食物没有营养素数据", empty when none is missing.
QString MissingText(int missing);

// Goals, each in grams a day or in percent of the daily target's energy.
enum class GoalUnit { Grams, Percent };
struct MacroGoal {
    double amount = 0;
    GoalUnit unit = GoalUnit::Grams;
    friend bool operator==(const MacroGoal&, const MacroGoal&) = default;
};
struct MacroGoals {
    std::optional<MacroGoal> protein, fat, carbohydrate;
    bool IsEmpty() const { return !protein && !fat && !carbohydrate; }
    friend bool operator==(const MacroGoals&, const MacroGoals&) = default;
};
// Protein, fat, carbohydrate: the order the dialog's rows and the settings file's keys follow.
inline constexpr std::optional<MacroGoal> MacroGoals::*GoalFields[] = {
    &MacroGoals::protein, &MacroGoals::fat, &MacroGoals::carbohydrate};
inline constexpr double MaxGoalGrams = 500;
inline constexpr double ProteinPerKg = 1.2;
inline constexpr double FatPercentToStart = 25;

// Why the dialog refuses the goals; empty when they are taken.
QString GoalsProblem(const MacroGoals& goals, std::optional<int> targetKcal);
// Grams a day, each goal that is set and can be worked out (a percent needs the target).
struct GoalGrams {
    std::optional<double> protein, fat, carbohydrate;
};
GoalGrams GramsOf(const MacroGoals& goals, std::optional<int> targetKcal);
// The usual start for losing weight: 1.2 g protein per kg, 25 % fat, carbohydrate the rest.
MacroGoals StartingGoals(double weightKg, int targetKcal);
// "蛋白质目标 84 克，还可摄入 31.7 克" (or "超出 …") per goal that can be worked out.
QStringList GoalLines(const MacroGoals& goals, std::optional<int> targetKcal, const Macros& eaten);

} // namespace 方法_卡路里计算器
