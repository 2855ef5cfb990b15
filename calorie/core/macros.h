#pragma once
// Protein, fat and carbohydrate in grams: of 100 g of a food, of a portion, or of a day.

namespace 方法_卡路里计算器 {

struct Macros {
    double protein = 0;
    double fat = 0;
    double carbohydrate = 0;

    friend bool operator==(const Macros&, const Macros&) = default;
};

inline Macros Scaled(const Macros& macros, double factor) {
    return {macros.protein * factor, macros.fat * factor, macros.carbohydrate * factor};
}

inline Macros operator+(const Macros& a, const Macros& b) {
    return {a.protein + b.protein, a.fat + b.fat, a.carbohydrate + b.carbohydrate};
}

} // namespace 方法_卡路里计算器
