#pragma once
// "每日目标": sex, age, height and weight checked as the body calculators check them, an
// activity level and a pace give the day's target; or the user types a target straight in. The
// line under the inputs shows the result as it is typed, and says when the floor applies. Under
// them, optional goals for protein, fat and carbohydrate, each in grams a day or in percent of
// the target, with a button that fills in the usual start for losing weight.

#include "calorie/core/daily_target.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class DailyTargetDialog final : public QDialog {
  public:
    explicit DailyTargetDialog(QWidget* parent);

    // The target the user accepted; set once the dialog closed with OK.
    std::optional<int> Target() const { return m_target; }
    // The goals shown at the start, and those accepted with the target.
    void SetGoals(const 方法_卡路里计算器::MacroGoals& goals);
    const 方法_卡路里计算器::MacroGoals& Goals() const { return m_goals; }

    void accept() override;

  private:
    QWidget* CreateSexRow();
    QLineEdit* CreateFigureField(int index, const QString& name);
    Sex ChosenSex() const;
    QStringList FigureTexts() const;
    // The target from the body figures, which must have passed the check; bmr receives the rate.
    方法_卡路里计算器::DailyTarget TargetFromFigures(int* bmr) const;
    void ShowResult();
    void CreateGoalRows(class QFormLayout* form);
    // The target the dialog would accept as it stands, if any.
    std::optional<int> CurrentTarget() const;
    void FillStartingGoals();
    // The goals as typed; the refusal when one is not a number.
    std::optional<方法_卡路里计算器::MacroGoals> TypedGoals(QString* refusal) const;

    QRadioButton* m_male = nullptr;
    QRadioButton* m_female = nullptr;
    QLineEdit* m_figures[3] = {};
    QComboBox* m_activity = nullptr;
    QComboBox* m_pace = nullptr;
    QLineEdit* m_typedTarget = nullptr;
    QLabel* m_resultLine = nullptr;
    QLineEdit* m_goalFields[3] = {};
    QComboBox* m_goalUnits[3] = {};
    std::optional<int> m_target;
    方法_卡路里计算器::MacroGoals m_goals;
};
