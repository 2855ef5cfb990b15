#include "main_methods.h"

#include "calorie_window.h"
#include "form_main.h"
#include "tool_window.h"
#include "windows.h"

#include <QPointer>
#include <array>

namespace {

template <typename Form> ToolWindow* Create() {
    return new Form;
}

using Factory = ToolWindow* (*)();
const std::array<Factory, 7> Factories{
    Create<Form_一分钟彻底了解自己>, Create<Form_卡路里计算器>,
    Create<Form_身体质量指数>,       Create<Form_标准体重计算>,
    Create<Form_基础代谢计算>,       Create<Form_健康体重范围>,
    Create<Form_燃脂运动计算>,
};

// One instance per tool, alive from its opening until its window is closed.
std::array<QPointer<ToolWindow>, 7> instances;

} // namespace

namespace 方法_Form_Main {

void OpenTool(Form_Main& form, qint16 index) {
    if (index < 0 || index >= static_cast<qint16>(Factories.size()) || !Factories[index])
        return;
    QPointer<ToolWindow>& window = instances[index];
    if (!window)
        window = Factories[index]();
    window->show();
    form.hide();
}

ToolWindow* OpenToolWindow(qint16 index) {
    return index >= 0 && index < static_cast<qint16>(instances.size()) ? instances[index].data()
                                                                       : nullptr;
}

} // namespace 方法_Form_Main
