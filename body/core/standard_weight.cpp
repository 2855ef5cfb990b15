#include "body/core/standard_weight.h"

#include "body/core/standard_weight_tables.h"
#include "frame/core/numbers.h"

#include <cmath>

namespace 方法_标准体重计算 {

std::array<FieldRule, 2> Fields(Sex sex) {
    return {{
        {Quantity::Age, 0, 19, 69},
        {Quantity::Height, 1, 152, sex == Sex::Male ? 188.0 : 176.0},
    }};
}

int Row(double age) {
    return static_cast<int>(RoundHalfEven((std::floor(age) - 19) / 2));
}

int Column(double height) {
    return static_cast<int>(std::floor((height - 152) / 4));
}

int StandardWeight(Sex sex, double age, double height) {
    const StandardWeightTable& table =
        sex == Sex::Male ? 自定义变量::MaleStandardWeight : 自定义变量::FemaleStandardWeight;
    return table.at(static_cast<size_t>(Row(age))).at(static_cast<size_t>(Column(height)));
}

Report BuildReport(Sex sex, double age, double height) {
    const QString label = QStringLiteral("您的年龄身高对应标准体重为： ");
    const QString weight = QString::number(StandardWeight(sex, age, height));
    const QString text = label + weight + QStringLiteral(" 公斤。(1公斤=2斤)");
    return {text, {HeadlineSpan(text, label, QStringLiteral(" 公斤。")), ValueSpan(text, weight)}};
}

} // namespace 方法_标准体重计算
