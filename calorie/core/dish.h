#pragma once
// A dish cooked at home: the energy of its ingredients (the cooking oil is one like any other)
// spread over the cooked weight, which is the ingredients' sum unless the pot was weighed after
// cooking, and over the servings the pot makes.

#include "calorie/core/own_food.h"

#include <QList>
#include <QString>
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
    QString refusal; // why the dish cannot be kept; the figures so far stay for the dialog
};

DishFigures FigureDish(const QList<Ingredient>& ingredients, std::optional<double> cookedGrams,
                       std::optional<int> servings);

// The energy of an ingredient at its weight.
double IngredientKcal(const Ingredient& ingredient);

} // namespace 方法_卡路里计算器
