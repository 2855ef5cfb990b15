#pragma once

#include <QtGlobal>

class Form_Main;
class ToolWindow;

namespace 方法_Form_Main {
// Opens tool 0 to 6 (created on first use) and hides the main window; other indexes do nothing.
void OpenTool(Form_Main& form, qint16 index);
// The open instance of tool index, or null.
ToolWindow* OpenToolWindow(qint16 index);
} // namespace 方法_Form_Main
