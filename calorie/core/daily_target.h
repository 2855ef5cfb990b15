#pragma once
// The daily target: the basal metabolic rate times an activity factor, less the energy of the
// weight a person means to lose each week, never below a floor for the sex. It is kept for the
// next start in one settings file, written only when a target is set and removed when cleared.
// The same file keeps the goals for protein, fat and carbohydrate and whether the calorie window
// shows the day's nutrients; it goes once none of these is kept.

#include "body/core/input_rules.h"
#include "calorie/core/nutrients.h"

#include <QString>
#include <array>
#include <optional>

namespace 方法_卡路里计算器 {

struct Activity {
    double factor;
    QStringView description;
};
inline constexpr std::array<Activity, 5> Activities{{
    {1.2, u"久坐不动，几乎不运动"},
    {1.375, u"轻度活动，每周运动 1–3 天"},
    {1.55, u"中度活动，每周运动 3–5 天"},
    {1.725, u"积极活动，每周运动 6–7 天"},
    {1.9, u"高强度活动，体力劳动或每天训练两次"},
}};
// Kilograms a week.
inline constexpr std::array<double, 5> Paces{0, 0.25, 0.5, 0.75, 1};

// The least a day's target may be: 1200 kcal for women, 1500 for men.
int TargetFloor(Sex sex);

struct DailyTarget {
    int kcal;
    bool floored; // the floor, not the formula, gave the target
};

// bmr × factor − pace × 7700 ÷ 7, whole kilocalories, an exact half to the even neighbour.
DailyTarget TargetFrom(Sex sex, int bmr, double factor, double paceKgPerWeek);

// The one range of every target, typed or worked out, saved or loaded: a target the dialog
// accepts must come back at the next start.
inline constexpr int MinTarget = 1200;
inline constexpr int MaxTarget = 6000;
bool InTargetRange(double kcal);

// A target typed straight in: whole kilocalories in the range.
std::optional<int> ParseTarget(const QString& typed);

// The settings file in the user's configuration folder that keeps the target.
QString TargetFilePath();
// The kept target, if one is set.
std::optional<int> LoadTarget();
// Writes the target, creating the folders it needs, and remembers which of them it made. A target
// outside the range is refused: LoadTarget would not give it back.
bool SaveTarget(int kcal);
// Removes the target; the file and the folders SaveTarget made go once nothing else is kept.
void ClearTarget();

// "显示营养素": false, the default, is kept by keeping nothing.
bool LoadShowNutrients();
bool SaveShowNutrients(bool show);
// The kept goals; none when they are not what the dialog would take.
MacroGoals LoadGoals();
bool SaveGoals(const MacroGoals& goals);

} // namespace 方法_卡路里计算器
