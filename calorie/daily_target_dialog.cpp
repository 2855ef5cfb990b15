#include "calorie/daily_target_dialog.h"

#include "body/core/bmr.h"
#include "body/core/leading_number.h"
#include "calorie/core/daily_target.h"
#include "diary/diary_store.h"
#include "frame/core/numbers.h"
#include "frame/message.h"
#include "weight/weight_book.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>

using namespace 方法_卡路里计算器;

namespace {

// The one refusal for a target outside the range, typed or worked out.
const QString RefusedTarget = QStringLiteral("请正确填写您的“每日目标”！");

const QString FigureUnits[] = {QStringLiteral("岁"), QStringLiteral("厘米"),
                               QStringLiteral("千克")};

const QString GoalNames[] = {QStringLiteral("蛋白质"), QStringLiteral("脂肪"),
                             QStringLiteral("碳水化合物")};

QString PaceText(double pace) {
    return pace == 0 ? QStringLiteral("保持体重")
                     : QStringLiteral("每周减 %1 千克").arg(FormatNumber(pace));
}

} // namespace

DailyTargetDialog::DailyTargetDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("每日目标"));
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->addRow(QStringLiteral("性别："), CreateSexRow());
    const QString names[] = {QStringLiteral("年龄"), QStringLiteral("身高"),
                             QStringLiteral("体重")};
    for (int i = 0; i < 3; ++i) {
        m_figures[i] = CreateFigureField(i, names[i]);
        auto* row = new QHBoxLayout;
        row->addWidget(m_figures[i]);
        row->addWidget(new QLabel(FigureUnits[i]));
        row->addStretch();
        form->addRow(names[i] + QStringLiteral("："), row);
    }

    // The latest weighing of the weight log is the weight to start from.
    if (const auto kg = 方法_体重记录::LatestWeight(DiaryStore::DefaultPath()))
        m_figures[2]->setText(FormatNumber(*kg));

    m_activity = new QComboBox;
    m_activity->setObjectName(QStringLiteral("Combo_活动量"));
    m_activity->setAccessibleName(QStringLiteral("活动量"));
    for (const Activity& activity : Activities)
        m_activity->addItem(activity.description.toString());
    form->addRow(QStringLiteral("活动量："), m_activity);

    m_pace = new QComboBox;
    m_pace->setObjectName(QStringLiteral("Combo_减重速度"));
    m_pace->setAccessibleName(QStringLiteral("减重速度"));
    for (double pace : Paces)
        m_pace->addItem(PaceText(pace));
    form->addRow(QStringLiteral("减重速度："), m_pace);

    m_resultLine = new QLabel;
    m_resultLine->setObjectName(QStringLiteral("Label_结果"));
    m_resultLine->setWordWrap(true);
    m_resultLine->setMinimumHeight(2 * m_resultLine->fontMetrics().lineSpacing());
    form->addRow(m_resultLine);

    m_typedTarget = new QLineEdit;
    m_typedTarget->setObjectName(QStringLiteral("Text_目标"));
    m_typedTarget->setAccessibleName(QStringLiteral("直接输入目标"));
    m_typedTarget->setPlaceholderText(QStringLiteral("%1–%2").arg(MinTarget).arg(MaxTarget));
    m_typedTarget->setMaximumWidth(100);
    auto* direct = new QHBoxLayout;
    direct->addWidget(m_typedTarget);
    direct->addWidget(new QLabel(QStringLiteral("大卡（填写后不再按上面计算）")));
    direct->addStretch();
    form->addRow(QStringLiteral("或直接输入："), direct);
    CreateGoalRows(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &DailyTargetDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DailyTargetDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QLineEdit* field : {m_figures[0], m_figures[1], m_figures[2], m_typedTarget})
        connect(field, &QLineEdit::textChanged, this, &DailyTargetDialog::ShowResult);
    for (QComboBox* box : {m_activity, m_pace})
        connect(box, &QComboBox::currentIndexChanged, this, &DailyTargetDialog::ShowResult);
    connect(m_female, &QRadioButton::toggled, this, &DailyTargetDialog::ShowResult);
    m_pace->setCurrentIndex(2); // half a kilogram a week, the pace most advice gives
    ShowResult();
    m_figures[0]->setFocus();
}

void DailyTargetDialog::CreateGoalRows(QFormLayout* form) {
    form->addRow(new QLabel(QStringLiteral("营养素目标（可不填）：")));
    for (int i = 0; i < 3; ++i) {
        m_goalFields[i] = new QLineEdit;
        m_goalFields[i]->setObjectName(QStringLiteral("Text_营养素目标(%1)").arg(i));
        m_goalFields[i]->setAccessibleName(GoalNames[i] + QStringLiteral("目标"));
        m_goalFields[i]->setMaximumWidth(100);
        m_goalUnits[i] = new QComboBox;
        m_goalUnits[i]->setObjectName(QStringLiteral("Combo_营养素单位(%1)").arg(i));
        m_goalUnits[i]->setAccessibleName(GoalNames[i] + QStringLiteral("目标的单位"));
        m_goalUnits[i]->addItems({QStringLiteral("克/天"), QStringLiteral("% 每日目标")});
        auto* row = new QHBoxLayout;
        row->addWidget(m_goalFields[i]);
        row->addWidget(m_goalUnits[i]);
        row->addStretch();
        form->addRow(GoalNames[i] + QStringLiteral("："), row);
    }
    auto* start = new QPushButton(QStringLiteral("按减重常用起点填写"));
    start->setObjectName(QStringLiteral("Command_常用起点"));
    start->setAutoDefault(false);
    start->setToolTip(
        QStringLiteral("蛋白质每千克体重 1.2 克，脂肪占每日目标的 25%，其余为碳水化合物"));
    connect(start, &QPushButton::clicked, this, [this] { FillStartingGoals(); });
    form->addRow(start);
}

void DailyTargetDialog::SetGoals(const MacroGoals& goals) {
    for (int i = 0; i < 3; ++i) {
        const auto& goal = goals.*GoalFields[i];
        m_goalFields[i]->setText(goal ? FormatNumber(goal->amount) : QString());
        m_goalUnits[i]->setCurrentIndex(goal && goal->unit == GoalUnit::Percent ? 1 : 0);
    }
}

std::optional<int> DailyTargetDialog::CurrentTarget() const {
    if (!m_typedTarget->text().trimmed().isEmpty())
        return ParseTarget(m_typedTarget->text());
    if (CheckFields(方法_基础代谢计算::Fields, FigureTexts()))
        return std::nullopt;
    int bmr = 0;
    const int worked = TargetFromFigures(&bmr).kcal;
    return InTargetRange(worked) ? std::optional(worked) : std::nullopt;
}

// The weight is the one in the dialog: the latest weighing unless the user typed another.
void DailyTargetDialog::FillStartingGoals() {
    const auto target = CurrentTarget();
    const double kg = LeadingNumber(m_figures[2]->text());
    const FieldRule& weight = 方法_基础代谢计算::Fields[2];
    if (!target || !(kg >= weight.lower && kg <= weight.upper)) {
        ShowMessage(this, QStringLiteral("请先填写体重和每日目标，再按减重常用起点填写。"));
        return;
    }
    SetGoals(StartingGoals(kg, *target));
}

std::optional<MacroGoals> DailyTargetDialog::TypedGoals(QString* refusal) const {
    MacroGoals goals;
    for (int i = 0; i < 3; ++i) {
        const QString text = m_goalFields[i]->text().trimmed();
        if (text.isEmpty())
            continue;
        bool ok = false;
        const double amount = text.toDouble(&ok);
        if (!ok || !std::isfinite(amount)) {
            *refusal = QStringLiteral("请正确填写%1目标。").arg(GoalNames[i]);
            return std::nullopt;
        }
        goals.*GoalFields[i] =
            MacroGoal{amount, m_goalUnits[i]->currentIndex() ? GoalUnit::Percent : GoalUnit::Grams};
    }
    return goals;
}

QWidget* DailyTargetDialog::CreateSexRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_male = new QRadioButton(QStringLiteral("男"));
    m_female = new QRadioButton(QStringLiteral("女"));
    m_male->setObjectName(QStringLiteral("Option_性别(0)"));
    m_female->setObjectName(QStringLiteral("Option_性别(1)"));
    m_male->setChecked(true);
    auto* group = new QButtonGroup(row);
    group->addButton(m_male);
    group->addButton(m_female);
    layout->addWidget(m_male);
    layout->addWidget(m_female);
    layout->addStretch();
    return row;
}

QLineEdit* DailyTargetDialog::CreateFigureField(int index, const QString& name) {
    auto* field = new QLineEdit;
    field->setObjectName(QStringLiteral("Text_Value(%1)").arg(index));
    field->setAccessibleName(name);
    field->setMaximumWidth(100);
    return field;
}

Sex DailyTargetDialog::ChosenSex() const {
    return m_female->isChecked() ? Sex::Female : Sex::Male;
}

QStringList DailyTargetDialog::FigureTexts() const {
    return {m_figures[0]->text(), m_figures[1]->text(), m_figures[2]->text()};
}

DailyTarget DailyTargetDialog::TargetFromFigures(int* bmr) const {
    const QStringList texts = FigureTexts();
    *bmr = 方法_基础代谢计算::Bmr(ChosenSex(), LeadingNumber(texts[0]), LeadingNumber(texts[1]),
                                  LeadingNumber(texts[2]));
    return TargetFrom(ChosenSex(), *bmr, Activities[size_t(m_activity->currentIndex())].factor,
                      Paces[size_t(m_pace->currentIndex())]);
}

void DailyTargetDialog::ShowResult() {
    QString text;
    int bmr = 0;
    if (!m_typedTarget->text().trimmed().isEmpty()) {
        const auto typed = ParseTarget(m_typedTarget->text());
        text = typed
                   ? QStringLiteral("每日目标 %1 大卡。").arg(*typed)
                   : QStringLiteral("直接输入的目标为 %1–%2 大卡。").arg(MinTarget).arg(MaxTarget);
    } else if (CheckFields(方法_基础代谢计算::Fields, FigureTexts())) {
        text = QStringLiteral("填写年龄、身高和体重后，这里显示基础代谢率和每日目标。");
    } else if (const DailyTarget target = TargetFromFigures(&bmr); !InTargetRange(target.kcal)) {
        text =
            QStringLiteral("基础代谢率 %1 大卡。按公式算得 %2 大卡，不在每日目标的 %3–%4 大卡之内，"
                           "请直接输入目标。")
                .arg(bmr)
                .arg(target.kcal)
                .arg(MinTarget)
                .arg(MaxTarget);
    } else if (!target.floored) {
        text = QStringLiteral("基础代谢率 %1 大卡，每日目标 %2 大卡。").arg(bmr).arg(target.kcal);
    } else {
        text = QStringLiteral("基础代谢率 %1 大卡。按公式算得的目标低于%2性的每日最低值，"
                              "每日目标取 %3 大卡。")
                   .arg(bmr)
                   .arg(ChosenSex() == Sex::Female ? QStringLiteral("女") : QStringLiteral("男"))
                   .arg(target.kcal);
    }
    m_resultLine->setText(text);
    m_resultLine->setAccessibleName(text);
}

void DailyTargetDialog::accept() {
    const std::optional<int> target = CurrentTarget();
    if (!target) {
        // Without a typed target, the body figures' own message says what to mend first.
        const auto figures = m_typedTarget->text().trimmed().isEmpty()
                                 ? CheckFields(方法_基础代谢计算::Fields, FigureTexts())
                                 : std::nullopt;
        ShowMessage(this, figures ? *figures : RefusedTarget);
        return;
    }
    QString refusal;
    const auto goals = TypedGoals(&refusal);
    if (goals)
        refusal = GoalsProblem(*goals, target);
    if (!refusal.isEmpty()) {
        ShowMessage(this, refusal);
        return;
    }
    m_target = target;
    m_goals = *goals;
    QDialog::accept();
}
