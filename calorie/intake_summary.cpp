#include "calorie/calorie.h"
#include "calorie/calorie_window.h"
#include "calorie/core/intake.h"
#include "frame/rich_text_box.h"

namespace 方法_卡路里计算器 {

void ShowIntakeSummary(Form_卡路里计算器& form) {
    RichTextBox& box = *form.RichTextBox_结果();
    box.SetText(SummaryText(form.Day().Total()));
    const qsizetype q = box.Text().indexOf(Kcal) + 1;
    box.SetSelStart(IntakeLabel.size());
    box.SetSelLength(q - 5);
    box.SetSelColor(RgbColor(0xFF, 0, 0));
    ShowTarget(form); // what is left of the target follows the total
    ShowNutrients(form);
}

} // namespace 方法_卡路里计算器
