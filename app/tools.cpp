#include "app/tools.h"

#include "body/body_windows.h"
#include "calorie/calorie_window.h"

namespace {

template <typename Form> ToolWindow* Create() {
    return new Form;
}

const QString Green = QStringLiteral("#339900");
const QString Grey = QStringLiteral("#505050");

// The index, not the place on screen, decides which tool an entry opens.
const Tool Table[] = {
    {{498, 64},
     QStringLiteral("1分钟了解自己"),
     Green,
     QStringLiteral("1分钟了解自己的标准体重，BMI和基础代谢率。"),
     QStringLiteral("一分钟彻底了解自己"),
     Create<Form_一分钟彻底了解自己>},
    {{14, 202},
     QStringLiteral("卡路里计算器"),
     Green,
     QStringLiteral("综合饮食和运动热量计算，简便易用，轻松瘦身。"),
     QStringLiteral("卡路里计算器"),
     Create<Form_卡路里计算器>},
    {{566, 326},
     QStringLiteral("身体质量指数(BMI)"),
     Grey,
     QStringLiteral("BMI指数，也叫身体质量指数，衡量是否肥胖重要指标。"),
     QStringLiteral("身体质量指数(BMI)"),
     Create<Form_身体质量指数>},
    {{290, 202},
     QStringLiteral("标准体重计算"),
     Grey,
     QStringLiteral("使用标准体重计算器，轻松算出您的标准体重。"),
     QStringLiteral("标准体重计算"),
     Create<Form_标准体重计算>},
    {{566, 202},
     QStringLiteral("基础代谢计算"),
     Grey,
     QStringLiteral("基础代谢率对减肥有非常大的影响，先算算自己的基础代谢率吧。"),
     QStringLiteral("基础代谢计算"),
     Create<Form_基础代谢计算>},
    {{14, 326},
     QStringLiteral("健康体重范围"),
     Grey,
     QStringLiteral("健康的体重有助于你保持健康状态，这里可计算健康体重范围。"),
     QStringLiteral("健康体重范围"),
     Create<Form_健康体重范围>},
    {{290, 326},
     QStringLiteral("燃脂运动计算"),
     Grey,
     QStringLiteral("燃脂运动就是燃烧脂肪的运动，怎样才算燃脂运动呢？"),
     QStringLiteral("燃脂运动计算"),
     Create<Form_燃脂运动计算>},
};

} // namespace

std::span<const Tool> Tools() {
    return Table;
}
