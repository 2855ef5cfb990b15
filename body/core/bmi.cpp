#include "body/core/bmi.h"

#include "frame/core/numbers.h"

namespace 方法_身体质量指数 {

const QString Label = QStringLiteral("您的身体质量指数（BMI）为：");

const QString ClassTable =
    QStringLiteral("BMI指数          <18.5          18.5-24          24-28          >28\r\n"
                   "对应分类         轻体重         健康体重         超重           肥胖");

double Bmi(double height, double weight) {
    return RoundHalfEven(weight / ((height / 100) * (height / 100)), 2);
}

Report BuildReport(double height, double weight) {
    const QString value = FormatNumber(Bmi(height, weight));
    const QString text =
        Label + value + CrLf +
        QStringLiteral(
            "身体质量指数(BMI)：评估体重与身高比例的常用工具，适用范围：18至65岁的人士。") +
        CrLf + QStringLiteral("儿童、发育中的青少年、孕妇、乳母、老人及身型健硕的运动员除外。") +
        CrLf + ClassTable;
    return {text, {HeadlineSpan(text, Label, value), ValueSpan(text, value)}};
}

} // namespace 方法_身体质量指数
