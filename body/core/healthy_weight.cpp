#include "body/core/healthy_weight.h"

#include "frame/core/numbers.h"

namespace 方法_健康体重范围 {

const QString Label = QStringLiteral("您的健康体重范围为：");

WeightRange HealthyRange(double height) {
    const double squared = (height / 100) * (height / 100);
    return {RoundHalfEven(squared * 18.5), RoundHalfEven(squared * 24)};
}

QString ReportText(const WeightRange& range) {
    return Label + FormatNumber(range.lower) + QStringLiteral("公斤～") +
           FormatNumber(range.upper) + QStringLiteral("公斤") + CrLf + CrLf;
}

QList<Emphasis> Emphases(const QString& text, const WeightRange& range) {
    const QString lower = FormatNumber(range.lower);
    const QString upper = FormatNumber(range.upper);
    const qsizetype from = text.indexOf(Label);
    return {HeadlineSpan(text, Label, upper + QStringLiteral("公斤")), ValueSpan(text, lower, from),
            ValueSpan(text, upper, from)};
}

Report BuildReport(double height) {
    const WeightRange range = HealthyRange(height);
    const QString text = ReportText(range);
    return {text, Emphases(text, range)};
}

} // namespace 方法_健康体重范围
