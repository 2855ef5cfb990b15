#include "body/body_windows.h"

#include "body/calculate.h"

#include <QPushButton>

namespace {

const BodyField Age{QStringLiteral("年龄："), QStringLiteral("岁")};
const BodyField Height{QStringLiteral("身高："), QStringLiteral("厘米")};
const BodyField Weight{QStringLiteral("体重："), QStringLiteral("千克")};
const QString SexAgeHeightWeightPrompt = QStringLiteral("请输入您的性别、年龄、身高和体重：");

// Runs the module's Calculate on the concrete window when its button is clicked.
template <typename Form> void OnCalculate(Form* form, void (*calculate)(Form&)) {
    QObject::connect(form->Command_计算(), &QPushButton::clicked, form,
                     [form, calculate] { calculate(*form); });
}

} // namespace

Form_身体质量指数::Form_身体质量指数()
    : BodyWindow({
          .caption = QStringLiteral("身体质量指数(BMI)"),
          .title = QStringLiteral("BMI 身体质量指数"),
          .tip = QStringLiteral(
              "BMI[Body Mass Index] "
              "即BMI指数，也叫身体质量指数，是衡量是否肥胖和标准体重的重要指标。计算适用范围：\r\n"
              "18至65岁的人士。儿童、发育中的青少年、孕妇、乳母、老人及身型健硕的运动员除外。\r"
              "世界卫生组织认为BMI指数保持在22左右是比较理想的。\r\n"),
          .prompt = QStringLiteral("请输入您的身高和体重："),
          .picture = QStringLiteral("header_bmi.svg"),
          .fields = {Height, Weight},
      }) {
    OnCalculate(this, 方法_身体质量指数::Calculate);
}

Form_标准体重计算::Form_标准体重计算()
    : BodyWindow({
          .caption = QStringLiteral("标准体重计算"),
          .title = QStringLiteral("标准体重计算"),
          .tip =
              QStringLiteral("您的体重符合标准吗？使用软件的标准体重计算器，请在下面选择您的性别，"
                             "输入年龄和身高，最后计算得出标准体重。计算适用范围：\r\n"
                             "\r\n"
                             "女性：19岁到69岁，身高在152cm到176cm。\r\n"
                             "男性：19岁到69岁，身高在152cm到188cm。\r\n"),
          .prompt = QStringLiteral("请输入您的性别、身高和年龄："),
          .picture = QStringLiteral("header_standard_weight.svg"),
          .asksSex = true,
          .fields = {Age, Height},
          .calculateTooltip = false,
      }) {
    OnCalculate(this, 方法_标准体重计算::Calculate);
}

Form_基础代谢计算::Form_基础代谢计算()
    : BodyWindow({
          .caption = QStringLiteral("基础代谢计算"),
          .title = QStringLiteral("基础代谢计算"),
          .tip = QStringLiteral(
              "基础代谢率（BMR）是指人体在清醒而又极端安静的状态下，不受肌肉活动、环境温度、食物及"
              "精神"
              "紧张等影响时的能量代谢率。\r\n"
              "\r\n"
              "基础代谢率对减肥有非常大的影响，每天适量的运动有助于提高身体的基础代谢率，而节食("
              "极端是绝"
              "食)会降低人的基础代谢率。通过性别，年龄，身高和体重能粗略计算基础代谢率。\r\n"),
          .prompt = SexAgeHeightWeightPrompt,
          .picture = QStringLiteral("header_bmr.svg"),
          .asksSex = true,
          .fields = {Age, Height, Weight},
      }) {
    OnCalculate(this, 方法_基础代谢计算::Calculate);
}

Form_健康体重范围::Form_健康体重范围()
    : BodyWindow({
          .caption = QStringLiteral("健康体重范围"),
          .title = QStringLiteral("健康体重范围"),
          .tip = QStringLiteral(
              "健康体重不同于标准体重，它是一个范围值，其原理是通过BMI身体质量指数反向推算。\r\n"
              "\r\n"
              "健康范围的身体质量指数(BMI)在18."
              "5到24之间，结合身高，就可以计算出健康体重范围。\r\n"),
          .prompt = QStringLiteral("请输入您的身高："),
          .picture = QStringLiteral("header_healthy_weight.svg"),
          .fields = {Height},
      }) {
    OnCalculate(this, 方法_健康体重范围::Calculate);
}

Form_燃脂运动计算::Form_燃脂运动计算()
    : BodyWindow({
          .caption = QStringLiteral("燃脂运动计算"),
          .title = QStringLiteral("燃脂运动计算"),
          .tip = QStringLiteral("燃脂运动就是以燃烧脂肪为主的有氧运动，如慢跑、游泳、骑车和健身操。"
                                "运动时心率保持在中低"
                                "强度范围内，并持续20分钟以上，身体才会主要消耗脂肪。\r\n"
                                "\r\n"
                                "输入您的年龄，即可计算出适合您的中低强度运动心率范围。\r\n"),
          .prompt = QStringLiteral("请输入您的年龄："),
          .picture = QStringLiteral("header_fat_burning.svg"),
          .fields = {Age},
      }) {
    OnCalculate(this, 方法_燃脂运动计算::Calculate);
}

Form_一分钟彻底了解自己::Form_一分钟彻底了解自己()
    : BodyWindow({
          .caption = QStringLiteral("一分钟彻底了解自己"),
          .title = QStringLiteral("1分钟彻底了解自己"),
          .tip = QStringLiteral(
              "1分钟彻底了解自己的标准体重，健康体重范围，BMI指数（即身体质量指数），"
              "基础代谢率和燃脂运动中低强度运动心率，看看自己是否需要减肥了。\r\n"),
          .prompt = SexAgeHeightWeightPrompt,
          .picture = QStringLiteral("header_self_assessment.svg"),
          .asksSex = true,
          .fields = {Age, Height, Weight},
      }) {
    OnCalculate(this, 方法_一分钟彻底了解自己::Calculate);
}
