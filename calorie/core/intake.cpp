#include "calorie/core/intake.h"

#include "frame/core/numbers.h"

#include <QLocale>
#include <cmath>

namespace 方法_卡路里计算器 {

std::optional<double> NumberOf(const QString& text) {
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double Added(double total, double energy) {
    return total + energy;
}

double Removed(double total, double energy) {
    return RoundHalfEven(total - energy, 2);
}

QString SummaryText(double total) {
    return IntakeLabel + FormatNumber(total) + Kcal + QStringLiteral("\r\n") +
           QStringLiteral("总消耗 = 活动消耗 + 基础代谢率");
}

} // namespace 方法_卡路里计算器
