#include "app/main_methods.h"

#include "app/form_main.h"
#include "app/tools.h"
#include "frame/tool_window.h"

#include <QPointer>
#include <vector>

namespace {

// One instance per tool, alive from its opening until its window is closed.
std::vector<QPointer<ToolWindow>>& Instances() {
    static std::vector<QPointer<ToolWindow>> instances(Tools().size());
    return instances;
}

bool IsTool(qint16 index) {
    return index >= 0 && static_cast<std::size_t>(index) < Tools().size();
}

} // namespace

namespace 方法_Form_Main {

void OpenTool(Form_Main& form, qint16 index) {
    if (!IsTool(index))
        return;
    QPointer<ToolWindow>& window = Instances()[static_cast<std::size_t>(index)];
    if (!window)
        window = Tools()[static_cast<std::size_t>(index)].create();
    window->show();
    form.hide();
}

ToolWindow* OpenToolWindow(qint16 index) {
    return IsTool(index) ? Instances()[static_cast<std::size_t>(index)].data() : nullptr;
}

} // namespace 方法_Form_Main
