#pragma once
// Protein, fat and carbohydrate in grams: of 100 g of a food, of a portion, or of a day.

#include <cmath>

namespace 方法_卡路里计算器 {

struct Macros {
    double protein = 0;
    double fat = 0;
    double carbohydrate = 0;

    friend bool operator==(const Macros&, const Macros&) = default;
};

// What 100 g of a food can hold: no figure below 0, together at most 100 g.
inline bool IsSoundPer100g(const Macros& per100g) {
    const auto part = [](double grams) { return std::isfinite(grams) && grams >= 0; };
    return part(per100g.protein) && part(per100g.fat) && part(per100g.carbohydrate) &&
           per100g.protein + per100g.fat + per100g.carbohydrate <= 100;
}

inline Macros Scaled(const Macros& macros, double factor) {
    return {macros.protein * factor, macros.fat * factor, macros.carbohydrate * factor};
}

inline Macros operator+(const Macros& a, const Macros& b) {
    return {a.protein + b.protein, a.fat + b.fat, a.carbohydrate + b.carbohydrate};
}

} // namespace 方法_卡路里计算器
