#include "calculate_flow.h"

#include "leading_number.h"
#include "message.h"
#include "rich_text_box.h"
#include "text_actions.h"

#include <QLineEdit>
#include <QRadioButton>

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
