#include "body/core/bmr.h"

#include "frame/core/numbers.h"

namespace 方法_基础代谢计算 {

namespace {
struct Coefficients {
    double constant;
    double perKilogram;
    double perCentimetre;
    double perYear;
};
// 655 for women, as published: a constant of 61 would put every woman some 600 kcal too low.
constexpr Coefficients Men{67, 13.73, 5, 6.9};
constexpr Coefficients Women{655, 9.6, 1.72, 4.7};
} // namespace

const QString Explanation =
    QStringLiteral("基础代谢率(BMR)：在安静状态下(通常为静卧状态)消耗的最低热量");

int Bmr(Sex sex, double age, double height, double weight) {
    const Coefficients& c = sex == Sex::Male ? Men : Women;
    double t = weight * c.perKilogram + c.constant;
    t = height * c.perCentimetre + t;
    t = t - age * c.perYear;
    return static_cast<int>(RoundHalfEven(t));
}

Report BuildReport(Sex sex, double age, double height, double weight) {
    const QString label = QStringLiteral("您的基础代谢率为： ");
    const QString unit = QStringLiteral(" 大卡");
    const QString value = QString::number(Bmr(sex, age, height, weight));
    const QString text = label + value + unit + CrLf + Explanation;
    const Emphasis headline = HeadlineSpan(text, label, unit);
    return {text, {headline, ValueSpan(text, value, headline.start)}};
}

} // namespace 方法_基础代谢计算
