#include "calorie/core/daily_target.h"

#include "body/core/leading_number.h"
#include "frame/core/numbers.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

namespace 方法_卡路里计算器 {

namespace {

// Energy of one kilogram of body fat, spread over the days of a week.
constexpr double KcalPerKilogram = 7700;
constexpr double DaysPerWeek = 7;

const QString TargetKey = QStringLiteral("target");
const QString MadeKey = QStringLiteral("madeFolders");

QString ConfigHome() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

} // namespace

QString TargetFilePath() {
    return ConfigHome() + QStringLiteral("/korvella/daily_target.conf");
}

int TargetFloor(Sex sex) {
    return sex == Sex::Female ? 1200 : 1500;
}

DailyTarget TargetFrom(Sex sex, int bmr, double factor, double paceKgPerWeek) {
    const double kcal = RoundHalfEven(bmr * factor - paceKgPerWeek * KcalPerKilogram / DaysPerWeek);
    const int floor = TargetFloor(sex);
    if (kcal < floor)
        return {floor, true};
    return {static_cast<int>(kcal), false};
}

bool InTargetRange(double kcal) {
    return kcal >= MinTarget && kcal <= MaxTarget;
}

std::optional<int> ParseTarget(const QString& typed) {
    if (typed.trimmed().isEmpty())
        return std::nullopt;
    const double kcal = RoundHalfEven(LeadingNumber(typed));
    if (!InTargetRange(kcal))
        return std::nullopt;
    return static_cast<int>(kcal);
}

std::optional<int> LoadTarget() {
    const QString path = TargetFilePath();
    if (!QFile::exists(path))
        return std::nullopt;
    const QSettings settings(path, QSettings::IniFormat);
    bool ok = false;
    const int kcal = settings.value(TargetKey).toInt(&ok);
    if (!ok || !InTargetRange(kcal))
        return std::nullopt;
    return kcal;
}

namespace {

// Writes one setting, creating the file and the folders it needs; remembers which of them it made.
bool Keep(const QString& key, const QVariant& value) {
    const QString path = TargetFilePath();
    QStringList made;
    const bool existed = QFile::exists(path);
    if (!existed) {
        // The folders from the configuration folder down, the deepest last.
        for (QString dir = QFileInfo(path).absolutePath(); !QFileInfo::exists(dir);
             dir = QFileInfo(dir).absolutePath())
            made.prepend(dir);
        if (!made.isEmpty() && !QDir().mkpath(made.last()))
            return false;
    }
    QSettings settings(path, QSettings::IniFormat);
    settings.setValue(key, value);
    if (!existed)
        settings.setValue(MadeKey, made);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

// Removes settings; once none is left, the file and the folders Keep made go too, so nothing the
// program wrote stays behind.
void Forget(const QStringList& keys) {
    const QString path = TargetFilePath();
    if (!QFile::exists(path))
        return;
    QStringList made;
    {
        QSettings settings(path, QSettings::IniFormat);
        for (const QString& key : keys)
            settings.remove(key);
        settings.sync();
        QStringList left = settings.allKeys();
        left.removeAll(MadeKey);
        if (!left.isEmpty())
            return;
        made = settings.value(MadeKey).toStringList();
    }
    QFile::remove(path);
    std::reverse(made.begin(), made.end());
    for (const QString& folder : made)
        QDir().rmdir(folder); // only when empty: something else may have moved in
}

const QString ShowNutrientsKey = QStringLiteral("showNutrients");
const QString GoalKeys[] = {QStringLiteral("proteinGoal"), QStringLiteral("fatGoal"),
                            QStringLiteral("carbohydrateGoal")};

// "120g" or "25%".
std::optional<MacroGoal> GoalOf(const QString& text) {
    const bool percent = text.endsWith(u'%');
    if (!percent && !text.endsWith(u'g'))
        return std::nullopt;
    bool ok = false;
    const double amount = text.chopped(1).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return MacroGoal{amount, percent ? GoalUnit::Percent : GoalUnit::Grams};
}

} // namespace

bool SaveTarget(int kcal) {
    return InTargetRange(kcal) && Keep(TargetKey, kcal);
}

void ClearTarget() {
    Forget({TargetKey});
}

bool LoadShowNutrients() {
    const QString path = TargetFilePath();
    return QFile::exists(path) &&
           QSettings(path, QSettings::IniFormat).value(ShowNutrientsKey).toBool();
}

bool SaveShowNutrients(bool show) {
    if (show)
        return Keep(ShowNutrientsKey, true);
    Forget({ShowNutrientsKey});
    return true;
}

MacroGoals LoadGoals() {
    const QString path = TargetFilePath();
    if (!QFile::exists(path))
        return {};
    const QSettings settings(path, QSettings::IniFormat);
    MacroGoals goals;
    for (int i = 0; i < 3; ++i)
        goals.*GoalFields[i] = GoalOf(settings.value(GoalKeys[i]).toString());
    // Goals the dialog would refuse are not taken, the target they may rest on being the kept one.
    if (!GoalsProblem(goals, LoadTarget()).isEmpty())
        return {};
    return goals;
}

bool SaveGoals(const MacroGoals& goals) {
    QStringList gone;
    for (int i = 0; i < 3; ++i) {
        const auto& goal = goals.*GoalFields[i];
        if (!goal)
            gone << GoalKeys[i];
        else if (!Keep(GoalKeys[i], FormatNumber(goal->amount) +
                                        (goal->unit == GoalUnit::Percent ? u'%' : u'g')))
            return false;
    }
    Forget(gone);
    return true;
}

} // namespace 方法_卡路里计算器
