#pragma once
// A dish cooked at home: the energy of its ingredients (the cooking oil is one like any other)
// spread over the cooked weight, which is the ingredients' sum unless the pot was weighed after
// cooking, and over the servings the pot makes. Its protein, fat and carbohydrate are summed the
// same way, and only when every ingredient has them.

#include "calorie/core/own_food.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace 方法_卡路里计算器 {

inline constexpr int MostServings = 100;

struct DishFigures {
    double totalKcal = 0; // the ingredients' energy, unrounded
    double rawGrams = 0;  // the ingredients' weight
    double cookedGrams = 0;
    int kcalPer100g = 0; // kept rounded, as an own food's
    std::optional<double> servingGrams;
    std::optional<double> servingKcal; // a serving as the meal tree will count it
    std::optional<Macros> per100g;     // none while an ingredient has none
    QStringList withoutNutrients;      // those ingredients
    QString refusal; // why the dish cannot be kept; the figures so far stay for the dialog
};

DishFigures FigureDish(const QList<Ingredient>& ingredients, std::optional<double> cookedGrams,
                       std::optional<int> servings);

// "蛋白质 …（每100克）", or which ingredients keep the dish from having any; empty without
// ingredients.
QString DishMacrosText(const DishFigures& figures);

// The energy of an ingredient at its weight.
double IngredientKcal(const Ingredient& ingredient);

} // namespace 方法_卡路里计算器
