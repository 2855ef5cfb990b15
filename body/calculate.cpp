#include "body/calculate.h"

#include "body/core/bmi.h"
#include "body/core/bmr.h"
#include "body/core/fat_burning.h"
#include "body/core/healthy_weight.h"
#include "body/core/leading_number.h"
#include "body/core/self_assessment.h"
#include "body/core/standard_weight.h"
#include "frame/message.h"
#include "frame/rich_text_box.h"
#include "frame/text_actions.h"
#include "frame/write_report.h"

#include <QLineEdit>
#include <QRadioButton>

#include <span>

namespace {

// The LeadingNumber of Text_Value(k).
double FieldValue(const BodyWindow& window, int k) {
    return LeadingNumber(window.Text_Value(k)->text());
}

Sex SelectedSex(const BodyWindow& window) {
    const QRadioButton* female = window.Option_性别(1);
    return female && female->isChecked() ? Sex::Female : Sex::Male;
}

bool CheckFieldsOf(BodyWindow& window, std::span<const FieldRule> rules) {
    QStringList texts;
    for (int k = 0; k < window.FieldCount(); ++k)
        texts << window.Text_Value(k)->text();
    if (const auto message = CheckFields(rules, texts)) {
        ShowMessage(&window, *message);
        return false;
    }
    return true;
}

void ShowReport(BodyWindow& window, const Report& report) {
    RichTextBox& box = *window.RichTextBox_结果();
    界面优化动作::ClearText(box);
    WriteReport(box, report);
}

} // namespace

namespace 方法_身体质量指数 {

bool CheckInput(Form_身体质量指数& form) {
    return CheckFieldsOf(form, Fields);
}

void Calculate(Form_身体质量指数& form) {
    if (!CheckInput(form))
        return;
    ShowReport(form, BuildReport(FieldValue(form, 0), FieldValue(form, 1)));
}

} // namespace 方法_身体质量指数

namespace 方法_基础代谢计算 {

bool CheckInput(Form_基础代谢计算& form) {
    return CheckFieldsOf(form, Fields);
}

void Calculate(Form_基础代谢计算& form) {
    if (!CheckInput(form))
        return;
    ShowReport(form, BuildReport(SelectedSex(form), FieldValue(form, 0), FieldValue(form, 1),
                                 FieldValue(form, 2)));
}

} // namespace 方法_基础代谢计算

namespace 方法_燃脂运动计算 {

bool CheckInput(Form_燃脂运动计算& form) {
    return CheckFieldsOf(form, Fields);
}

void Calculate(Form_燃脂运动计算& form) {
    if (!CheckInput(form))
        return;
    ShowReport(form, BuildReport(FieldValue(form, 0)));
}

} // namespace 方法_燃脂运动计算

namespace 方法_健康体重范围 {

bool CheckInput(Form_健康体重范围& form) {
    return CheckFieldsOf(form, Fields);
}

void Calculate(Form_健康体重范围& form) {
    if (!CheckInput(form))
        return;
    ShowReport(form, BuildReport(FieldValue(form, 0)));
}

} // namespace 方法_健康体重范围

namespace 方法_一分钟彻底了解自己 {

bool CheckInput(Form_一分钟彻底了解自己& form) {
    return CheckFieldsOf(form, Fields);
}

void Calculate(Form_一分钟彻底了解自己& form) {
    if (!CheckInput(form))
        return;
    ShowReport(form, BuildReport(SelectedSex(form), FieldValue(form, 0), FieldValue(form, 1),
                                 FieldValue(form, 2)));
}

} // namespace 方法_一分钟彻底了解自己

namespace 方法_标准体重计算 {

bool CheckInput(Form_标准体重计算& form) {
    return CheckFieldsOf(form, Fields(SelectedSex(form)));
}

void Calculate(Form_标准体重计算& form) {
    if (!CheckInput(form))
        return;
    ShowReport(form, BuildReport(SelectedSex(form), FieldValue(form, 0), FieldValue(form, 1)));
}

} // namespace 方法_标准体重计算
