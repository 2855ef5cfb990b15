#include "frame/text_actions.h"

#include "frame/message.h"
#include "frame/rich_text_box.h"

#include <QClipboard>
#include <QGuiApplication>

namespace {
void Copy(RichTextBox& box, const QString& text, const QString& confirmation) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
    ShowMessage(box.window(), confirmation);
}
} // namespace

namespace 自定义方法 {
void CopyAllText(RichTextBox& box) {
    Copy(box, box.Text(), QStringLiteral("已成功复制全部信息！"));
}

void CopySelectedText(RichTextBox& box) {
    Copy(box, box.SelText(), QStringLiteral("已成功复制选中信息！"));
}
} // namespace 自定义方法

namespace 界面优化动作 {
void ClearText(RichTextBox& box) {
    box.SetText(QString());
}
} // namespace 界面优化动作
