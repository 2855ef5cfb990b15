#pragma once
// Portions: a weight in grams typed at the end of the find field ("mifan 250", "米饭 250克",
// "mf 250g"), or a count of a named portion ("mifan 2碗", "jidan 半个"), and the energy of a food
// at that weight.

#include <QString>
#include <optional>

namespace 方法_卡路里计算器 {

inline constexpr double MinGrams = 1;
inline constexpr double MaxGrams = 5000;
inline const QString GramsHint = QStringLiteral("重量为 1–5000 克");

struct PortionQuery {
    QString words;               // what finds the food
    std::optional<double> grams; // the weight typed at the end, when one was typed and is taken
    bool refused = false;        // a weight was typed that is not taken: Enter adds nothing
    std::optional<double> count; // "2碗": a count of the food's portion named
    QString portion;
};

PortionQuery ParsePortionQuery(const QString& typed);

// A weight on its own, as F2 on a food node takes it: "250", "250.5", "250克", "250 g".
std::optional<double> ParseGrams(const QString& typed);
// A count of a named portion on its own, as F2 takes it too: "2碗", "半个"; words stay empty.
std::optional<PortionQuery> ParseCount(const QString& typed);

// FoodHot × grams ÷ FoodQuantity in whole kilocalories, an exact half to the even neighbour;
// nothing when the listed quantity is not a positive number.
std::optional<double> PortionEnergy(double foodHot, double foodQuantity, double grams);

} // namespace 方法_卡路里计算器
