#pragma once
// The result box's three commands. Copies put plain text on the clipboard, line breaks as CR LF.

class RichTextBox;

namespace 自定义方法 {
void CopyAllText(RichTextBox& box);
void CopySelectedText(RichTextBox& box);
} // namespace 自定义方法

namespace 界面优化动作 {
void ClearText(RichTextBox& box);
}
