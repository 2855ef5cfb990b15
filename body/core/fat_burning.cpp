#include "body/core/fat_burning.h"

#include "frame/core/numbers.h"

namespace 方法_燃脂运动计算 {

const QString Label = QStringLiteral("您的中低强度运动心率是：");

namespace {
const QString PerMinute = QStringLiteral(" 次/分钟");
}

HeartRateZone Zone(double age) {
    return {static_cast<int>(RoundHalfEven((220 - age) * 0.6)),
            static_cast<int>(RoundHalfEven((220 - age) * 0.8))};
}

QString ReportText(const HeartRateZone& zone) {
    return Label + QString::number(zone.lower) + QStringLiteral(" 次/分钟到 ") +
           QString::number(zone.upper) + PerMinute + CrLf +
           QStringLiteral("人体要燃烧脂肪，需要满足三个必要条件：") + CrLf +
           QStringLiteral("     1、该运动要达到中低强度的运动心率；") + CrLf +
           QStringLiteral("     2、这种中低强度运动心率的运动要持续20分钟以上；") + CrLf +
           QStringLiteral("     3、这种运动必须是大肌肉群的运动，如慢跑游泳健身操等。") + CrLf +
           QStringLiteral("低于或高于这个范围，都不算中低强度运动心率，燃烧的也就不是脂肪了");
}

QList<Emphasis> Emphases(const QString& text, const HeartRateZone& zone) {
    const QString lower = QString::number(zone.lower);
    const QString upper = QString::number(zone.upper);
    const qsizetype from = text.indexOf(Label);
    return {HeadlineSpan(text, Label, upper + PerMinute), ValueSpan(text, upper, from),
            ValueSpan(text, lower, from)};
}

Report BuildReport(double age) {
    const HeartRateZone zone = Zone(age);
    const QString text = ReportText(zone);
    return {text, Emphases(text, zone)};
}

} // namespace 方法_燃脂运动计算
