#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/intake.h"
#include "frame/rich_text_box.h"

namespace 方法_卡路里计算器 {

double TotalIntake = 0;

void ResetIntake(Form_卡路里计算器& form) {
    TotalIntake = 0;
    ShowIntakeSummary(form);
}

void AddIntake(Form_卡路里计算器& form, const QString& energyText) {
    if (const auto energy = EnergyOf(energyText))
        TotalIntake = Added(TotalIntake, *energy);
    ShowIntakeSummary(form);
}

void RemoveIntake(Form_卡路里计算器& form, const QString& nodeText) {
    if (const auto energy = EnergyOf(nodeText))
        TotalIntake = Removed(TotalIntake, *energy);
    ShowIntakeSummary(form);
}

void ShowIntakeSummary(Form_卡路里计算器& form) {
    RichTextBox& box = *form.RichTextBox_结果();
    box.SetText(SummaryText(TotalIntake));
    const qsizetype q = box.Text().indexOf(Kcal) + 1;
    box.SetSelStart(IntakeLabel.size());
    box.SetSelLength(q - 5);
    box.SetSelColor(RgbColor(0xFF, 0, 0));
    ShowTarget(form); // what is left of the target follows the total
}

} // namespace 方法_卡路里计算器
