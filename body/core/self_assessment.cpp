#include "body/core/self_assessment.h"

#include "body/core/bmi.h"
#include "body/core/bmr.h"
#include "body/core/fat_burning.h"
#include "body/core/healthy_weight.h"
#include "frame/core/numbers.h"

namespace 方法_一分钟彻底了解自己 {

namespace {

const QString BmrLabel = QStringLiteral("您的基础代谢率为：");
const QString BmrUnit = QStringLiteral("大卡");

// The single BMI report's lines 2 and 3 end with "。" and line 3 lists with "、"; here they do not.
QString BmiSection(const QString& bmi) {
    return 方法_身体质量指数::Label + bmi + CrLf +
           QStringLiteral(
               "身体质量指数(BMI)：评估体重与身高比例的常用工具，适用范围：18至65岁的人士") +
           CrLf + QStringLiteral("儿童发育中的青少年孕妇乳母老人及身型健硕的运动员除外") + CrLf +
           方法_身体质量指数::ClassTable + CrLf + CrLf;
}

QString BmrSection(const QString& bmr) {
    return BmrLabel + bmr + BmrUnit + CrLf + 方法_基础代谢计算::Explanation + CrLf + CrLf;
}

} // namespace

Report BuildReport(Sex sex, double age, double height, double weight) {
    const QString bmi = FormatNumber(方法_身体质量指数::Bmi(height, weight));
    const auto range = 方法_健康体重范围::HealthyRange(height);
    const QString bmr = QString::number(方法_基础代谢计算::Bmr(sex, age, height, weight));
    const auto zone = 方法_燃脂运动计算::Zone(age);

    const QString text = BmiSection(bmi) + 方法_健康体重范围::ReportText(range) + BmrSection(bmr) +
                         方法_燃脂运动计算::ReportText(zone);

    const qsizetype bmiFrom = 方法_身体质量指数::Label.size();
    QList<Emphasis> emphases{HeadlineSpan(text, 方法_身体质量指数::Label, bmi),
                             {Emphasis::Kind::Value, bmiFrom, text.indexOf(CrLf) - bmiFrom}};
    emphases += 方法_健康体重范围::Emphases(text, range);
    const Emphasis bmrHeadline = HeadlineSpan(text, BmrLabel, BmrUnit);
    emphases += {bmrHeadline, ValueSpan(text, bmr, bmrHeadline.start)};
    emphases += 方法_燃脂运动计算::Emphases(text, zone);
    return {text, emphases};
}

} // namespace 方法_一分钟彻底了解自己
