#include "calorie.h"
#include "calorie_window.h"
#include "numbers.h"
#include "rich_text_box.h"

#include <QLocale>
#include <cmath>

namespace 方法_卡路里计算器 {

double TotalIntake = 0;

namespace {
const QString Kcal = QStringLiteral(" 大卡");
const QString Label = QStringLiteral("共摄入：");
} // namespace

std::optional<double> EnergyOf(const QString& text) {
    const qsizetype p = text.indexOf(Kcal);
    if (p < 0)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text.left(p + 1).trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

void ResetIntake(Form_卡路里计算器& form) {
    TotalIntake = 0;
    ShowIntakeSummary(form);
}

void AddIntake(Form_卡路里计算器& form, const QString& energyText) {
    if (const auto energy = EnergyOf(energyText))
        TotalIntake = TotalIntake + *energy;
    ShowIntakeSummary(form);
}

void RemoveIntake(Form_卡路里计算器& form, const QString& nodeText) {
    if (const auto energy = EnergyOf(nodeText))
        TotalIntake = RoundHalfEven(TotalIntake - *energy, 2);
    ShowIntakeSummary(form);
}

void ShowIntakeSummary(Form_卡路里计算器& form) {
    RichTextBox& box = *form.RichTextBox_结果();
    box.SetText(Label + FormatNumber(TotalIntake) + Kcal + QStringLiteral("\r\n") +
                QStringLiteral("总消耗 = 活动消耗 + 基础代谢率"));
    const qsizetype q = box.Text().indexOf(Kcal) + 1;
    box.SetSelStart(Label.size());
    box.SetSelLength(q - 5);
    box.SetSelColor(RgbColor(0xFF, 0, 0));
}

} // namespace 方法_卡路里计算器
