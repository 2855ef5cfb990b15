#include "calorie/core/dish.h"

#include "calorie/core/nutrients.h"
#include "calorie/core/portion.h"
#include "frame/core/numbers.h"

namespace 方法_卡路里计算器 {

double IngredientKcal(const Ingredient& ingredient) {
    return ingredient.kcalPer100g * ingredient.grams / 100;
}

DishFigures FigureDish(const QList<Ingredient>& ingredients, std::optional<double> cookedGrams,
                       std::optional<int> servings) {
    DishFigures figures;
    Macros grams;
    for (const Ingredient& ingredient : ingredients) {
        figures.totalKcal += IngredientKcal(ingredient);
        if (ingredient.per100g)
            grams = grams + Scaled(*ingredient.per100g, ingredient.grams / 100);
        else if (!figures.withoutNutrients.contains(ingredient.name))
            figures.withoutNutrients << ingredient.name;
        figures.rawGrams += ingredient.grams;
        if (!(ingredient.grams >= MinGrams && ingredient.grams <= MaxGrams))
            figures.refusal =
                QStringLiteral("每种食材的重量为 1–5000 克（%1）。").arg(ingredient.name);
    }
    if (ingredients.isEmpty()) {
        figures.refusal = QStringLiteral("菜肴至少要有一种食材。");
        return figures;
    }
    figures.cookedGrams = cookedGrams.value_or(figures.rawGrams);
    if (cookedGrams &&
        !(*cookedGrams >= figures.rawGrams * 0.1 && *cookedGrams <= figures.rawGrams * 3))
        figures.refusal = QStringLiteral("熟重应为食材总重 %1 克的 10%–300%，即 %2–%3 克。")
                              .arg(FormatNumber(figures.rawGrams),
                                   FormatNumber(RoundHalfEven(figures.rawGrams * 0.1, 1)),
                                   FormatNumber(figures.rawGrams * 3));
    if (!(figures.cookedGrams > 0))
        return figures;
    figures.kcalPer100g = int(RoundHalfEven(figures.totalKcal * 100 / figures.cookedGrams));
    if (figures.refusal.isEmpty() && figures.kcalPer100g > MostKcalPer100g)
        figures.refusal = QStringLiteral("每100克的能量不能超过 900 大卡（纯脂肪的能量）。");
    if (figures.withoutNutrients.isEmpty()) {
        // One decimal, as an own food's figures are kept.
        const Macros per100g = Scaled(grams, 100 / figures.cookedGrams);
        figures.per100g = Macros{RoundHalfEven(per100g.protein, 1), RoundHalfEven(per100g.fat, 1),
                                 RoundHalfEven(per100g.carbohydrate, 1)};
        // Cooking takes water away, never more than that.
        if (figures.refusal.isEmpty() && !IsSoundPer100g(*figures.per100g))
            figures.refusal = QStringLiteral(
                "熟重太轻：每100克菜肴的蛋白质、脂肪和碳水化合物加起来超过了 100 克。");
    }
    if (servings && !(*servings >= 1 && *servings <= MostServings) && figures.refusal.isEmpty())
        figures.refusal = QStringLiteral("份数为 1–100。");
    if (servings && *servings >= 1) {
        // Whole grams, as the tree shows a serving.
        figures.servingGrams = RoundHalfEven(figures.cookedGrams / *servings);
        figures.servingKcal = PortionEnergy(figures.kcalPer100g, 100, *figures.servingGrams);
    }
    return figures;
}

QString DishMacrosText(const DishFigures& figures) {
    if (!figures.withoutNutrients.isEmpty())
        return figures.withoutNutrients.join(u'、') +
               QStringLiteral("没有营养素数据，菜肴的营养素无法计算");
    return figures.per100g ? MacrosText(figures.per100g) + QStringLiteral("（每100克）")
                           : QString();
}

} // namespace 方法_卡路里计算器
