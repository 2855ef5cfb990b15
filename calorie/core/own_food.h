#pragma once
// The user's own foods as a label prints their energy: a number in 大卡 or 千焦, per 100 g or per
// serving. Only kcal per 100 g, rounded to whole kilocalories, is kept, so that an own food sits
// in the list exactly as a shipped one (listed at 100 g) and weighs the same way. Protein, fat and
// carbohydrate, when the label gives them, are kept per 100 g as well.

#include "calorie/core/macros.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace 方法_卡路里计算器 {

inline constexpr int LongestFoodName = 30;
inline constexpr double KilojoulesPerKcal = 4.184;
inline constexpr int MostKcalPer100g = 900; // pure fat

// A number as a Chinese label or keyboard gives it: full-width digits, "1,234" grouping; a
// decimal comma is refused with its own message.
struct LabelNumber {
    std::optional<double> value;
    QString refusal;
};
LabelNumber ReadLabelNumber(const QString& typed);

enum class EnergyUnit { Kcal, Kilojoule };
enum class EnergyBasis { Per100g, PerServing };

struct LabelEnergy {
    QString amount;
    EnergyUnit unit = EnergyUnit::Kcal;
    EnergyBasis basis = EnergyBasis::Per100g;
    QString servingGrams; // needed per serving, optional per 100 g
};

struct KeptEnergy {
    std::optional<int> kcalPer100g;
    std::optional<double> servingGrams; // the serving's weight, when given
    QString refusal;
};
KeptEnergy KeptEnergyOf(const LabelEnergy& label);

// Protein, fat and carbohydrate in grams as the label prints them, on the energy's basis.
struct LabelMacros {
    QString protein, fat, carbohydrate;
};
struct KeptMacros {
    std::optional<Macros> per100g; // none when none was typed, or refused
    QString refusal;
};
// All three or none; per serving they are turned into per 100 g by servingGrams.
KeptMacros KeptMacrosOf(const LabelMacros& label, EnergyBasis basis,
                        std::optional<double> servingGrams);

// Why a name cannot be kept, empty when it can; taken says whether another food has it.
QString NameRefusal(const QString& name, const std::function<bool(const QString&)>& taken);
// The name as it is kept: blanks around it gone, blanks inside it one.
QString CleanName(const QString& name);

// An ingredient of a dish: a snapshot of a food's energy when it went into the pot.
struct Ingredient {
    QString name;
    double kcalPer100g = 0;
    double grams = 0;
    std::optional<Macros> per100g{}; // none when the food had no nutrients
    friend bool operator==(const Ingredient&, const Ingredient&) = default;
};

// An own food or a dish cooked at home, as the food list shows it: kcalPer100g at 100 g.
struct OwnFood {
    qint64 id = 0; // 0 until kept
    QString name;
    QString alias;
    int kcalPer100g = 0;
    std::optional<double> servingGrams; // "份": the label's serving, or the dish's
    bool dish = false;
    QList<Ingredient> ingredients;     // dishes
    std::optional<double> cookedGrams; // dishes, when weighed after cooking
    std::optional<int> servings;       // dishes
    std::optional<Macros> per100g{};   // typed with the label, or a dish's ingredients' sum
    friend bool operator==(const OwnFood&, const OwnFood&) = default;
};

inline const QString OwnFoodMark = QStringLiteral("自建食物");
inline const QString DishMark = QStringLiteral("自制菜肴");

} // namespace 方法_卡路里计算器
