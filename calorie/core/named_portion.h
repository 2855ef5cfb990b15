#pragma once
// Portions by name: "一碗 = 180 克" for 米饭, kept per food name, shipped foods included. Typed
// after a food ("米饭 2碗", "jidan 半个") a count and the portion's name stand for its weight.
// Korvella ships none: it invents no weights.

#include <QList>
#include <QString>
#include <optional>

namespace 方法_卡路里计算器 {

struct NamedPortion {
    QString food; // the food's name
    QString name; // "碗": what a count goes with
    double grams = 0;
    friend bool operator==(const NamedPortion&, const NamedPortion&) = default;
};

// "一碗" and "1碗" are kept as "碗", the word a count goes with.
QString PortionName(const QString& typed);
// Why a portion cannot be kept, empty when it can.
QString PortionRefusal(const QString& name, std::optional<double> grams);

// A count as typed before a portion's name: digits (full-width too), or 一 to 十, 两, 半.
std::optional<double> CountOf(const QString& typed);

// The grey hint for a portion the food does not have: "米饭的份量：碗、小碗".
QString PortionsHint(const QString& food, const QList<NamedPortion>& portions);

// "米饭 2碗（300克）" in the meal tree: "2碗".
QString CountedText(double count, const QString& name);

} // namespace 方法_卡路里计算器
