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

bool SaveTarget(int kcal) {
    if (!InTargetRange(kcal))
        return false;
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
    settings.setValue(TargetKey, kcal);
    if (!existed)
        settings.setValue(MadeKey, made);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

void ClearTarget() {
    const QString path = TargetFilePath();
    if (!QFile::exists(path))
        return;
    QStringList made = QSettings(path, QSettings::IniFormat).value(MadeKey).toStringList();
    QFile::remove(path);
    std::reverse(made.begin(), made.end());
    for (const QString& folder : made)
        QDir().rmdir(folder); // only when empty: something else may have moved in
}

} // namespace 方法_卡路里计算器
