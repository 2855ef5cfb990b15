#include "calorie/core/own_food.h"

#include "calorie/core/portion.h"
#include "frame/core/numbers.h"

#include <QRegularExpression>
#include <cmath>

namespace 方法_卡路里计算器 {

namespace {

const QString NotANumber = QStringLiteral("能量请填写数字，例如 330。");
const QString NotPositive = QStringLiteral("能量必须大于 0。");
const QString AboveFat = QStringLiteral("每100克的能量不能超过 900 大卡（纯脂肪的能量）。");
const QString ServingHint = QStringLiteral("每份重量为 1–5000 克。");

} // namespace

LabelNumber ReadLabelNumber(const QString& typed) {
    QString text = typed.normalized(QString::NormalizationForm_KC).trimmed();
    text.replace(u'。', u'.'); // what a Chinese keyboard's full stop gives between digits
    static const QRegularExpression plain(QStringLiteral("^-?(\\d+(\\.\\d*)?|\\.\\d+)$"));
    static const QRegularExpression grouped(QStringLiteral("^-?\\d{1,3}(,\\d{3})+(\\.\\d+)?$"));
    static const QRegularExpression decimalComma(QStringLiteral("^-?\\d+,\\d+$"));
    if (grouped.match(text).hasMatch())
        text.remove(u',');
    else if (decimalComma.match(text).hasMatch())
        return {std::nullopt, QStringLiteral("小数请用小数点，例如 3.5，不要写成 3,5。")};
    if (!plain.match(text).hasMatch())
        return {std::nullopt, NotANumber};
    return {text.toDouble(), {}};
}

KeptEnergy KeptEnergyOf(const LabelEnergy& label) {
    const LabelNumber amount = ReadLabelNumber(label.amount);
    if (!amount.value)
        return {std::nullopt, std::nullopt, amount.refusal};
    if (!(*amount.value > 0))
        return {std::nullopt, std::nullopt, NotPositive};
    double kcal =
        label.unit == EnergyUnit::Kilojoule ? *amount.value / KilojoulesPerKcal : *amount.value;
    // Per 100 g a serving's weight is optional: it gives the food its "份".
    std::optional<double> serving;
    if (label.basis == EnergyBasis::PerServing || !label.servingGrams.trimmed().isEmpty()) {
        const LabelNumber grams = ReadLabelNumber(label.servingGrams);
        if (!grams.value)
            return {std::nullopt, std::nullopt,
                    grams.refusal == NotANumber ? ServingHint : grams.refusal};
        if (!(*grams.value >= MinGrams && *grams.value <= MaxGrams))
            return {std::nullopt, std::nullopt, ServingHint};
        serving = grams.value;
    }
    if (label.basis == EnergyBasis::PerServing)
        kcal = kcal * 100 / *serving;
    const double kept = RoundHalfEven(kcal);
    if (kept > MostKcalPer100g)
        return {std::nullopt, std::nullopt, AboveFat};
    if (kept < 1) // a label this small rounds to nothing at all
        return {std::nullopt, std::nullopt, NotPositive};
    return {int(kept), serving, {}};
}

KeptMacros KeptMacrosOf(const LabelMacros& label, EnergyBasis basis,
                        std::optional<double> servingGrams) {
    const std::pair<QString, QString> typed[] = {
        {QStringLiteral("蛋白质"), label.protein},
        {QStringLiteral("脂肪"), label.fat},
        {QStringLiteral("碳水化合物"), label.carbohydrate}};
    double grams[3] = {};
    int given = 0;
    for (int i = 0; i < 3; ++i) {
        const auto& [name, text] = typed[i];
        if (text.trimmed().isEmpty())
            continue;
        ++given;
        const LabelNumber number = ReadLabelNumber(text);
        if (!number.value)
            return {std::nullopt, number.refusal == NotANumber
                                      ? name + QStringLiteral("请填写数字，例如 3.5。")
                                      : number.refusal};
        if (*number.value < 0)
            return {std::nullopt, name + QStringLiteral("不能小于 0。")};
        grams[i] = *number.value;
    }
    if (given == 0)
        return {};
    if (given < 3)
        return {std::nullopt, QStringLiteral("蛋白质、脂肪和碳水化合物请都填写，或者都不填。")};
    if (basis == EnergyBasis::PerServing && !servingGrams)
        return {std::nullopt, ServingHint};
    // Kept to one decimal, as the shipped foods' figures and as every text shows them.
    const double factor = basis == EnergyBasis::PerServing ? 100 / *servingGrams : 1;
    for (int i = 0; i < 3; ++i) {
        grams[i] = RoundHalfEven(grams[i] * factor, 1);
        if (!(grams[i] <= 100))
            return {std::nullopt,
                    QStringLiteral("每100克的%1不能超过 100 克。").arg(typed[i].first)};
    }
    const Macros kept{grams[0], grams[1], grams[2]};
    if (!IsSoundPer100g(kept))
        return {std::nullopt,
                QStringLiteral("每100克的蛋白质、脂肪和碳水化合物加起来不能超过 100 克。")};
    return {kept, {}};
}

QString CleanName(const QString& name) {
    return name.simplified();
}

QString NameRefusal(const QString& name, const std::function<bool(const QString&)>& taken) {
    const QString clean = CleanName(name);
    if (clean.isEmpty())
        return QStringLiteral("请填写名称。");
    if (clean.toUcs4().size() > LongestFoodName)
        return QStringLiteral("名称最多 30 个字。");
    if (taken(clean))
        return QStringLiteral("已有名为“%1”的食物，请换一个名称。").arg(clean);
    return {};
}

} // namespace 方法_卡路里计算器
