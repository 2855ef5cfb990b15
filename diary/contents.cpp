// The whole diary as plain values: out (Contents) and back in (Import), and what of it cannot be
// read.

#include "calorie/core/intake.h"
#include "diary/diary_csv.h"
#include "diary/room.h"

#include <QSet>
#include <algorithm>

namespace 方法_卡路里计算器 {

namespace {

bool IsSoundDay(const DiaryDay& day) {
    return day.date.isValid() &&
           std::all_of(day.meals.begin(), day.meals.end(), [](const auto& meal) {
               return std::all_of(meal.begin(), meal.end(), IsSoundEntry);
           });
}

bool IsSoundMeal(const SavedMeal& meal) {
    return !meal.name.trimmed().isEmpty() &&
           std::all_of(meal.foods.begin(), meal.foods.end(), IsSoundEntry);
}

} // namespace

double SavedMeal::Kcal() const {
    double sum = 0;
    for (const FoodEntry& food : foods)
        sum = Added(sum, food.kcal);
    return sum;
}

DiaryContents DiaryStore::Contents() const {
    return {m_days.All(), m_savedMeals.All(), m_weighings.All(), m_weighings.Goal()};
}

ImportReport DiaryStore::Import(const DiaryContents& contents) {
    ImportReport report;
    const QDate today = QDate::currentDate();
    const bool kept = Write([&](QSqlDatabase&) {
        report = {};
        QSet<QDate> days;
        for (const QDate& day : m_days.DaysWithEntries())
            days.insert(day);
        for (const DiaryDay& day : contents.days) {
            Change change;
            for (int meal = 0; meal < MealCount; ++meal) {
                for (FoodEntry food : day.meals[meal]) {
                    food.id = 0; // the file's own ids mean nothing here
                    change.append({Edit::Insert, meal, 0, {}, food});
                }
            }
            if (!IsSoundDay(day))
                ++report.refused;
            else if (days.contains(day.date))
                ++report.daysSkipped;
            else if (!change.isEmpty()) {
                if (!m_days.Put(day.date, change))
                    return false;
                days.insert(day.date);
                ++report.daysAdded;
                report.entriesAdded += change.size();
            }
        }
        QSet<QString> names;
        for (const SavedMeal& meal : m_savedMeals.All())
            names.insert(meal.name);
        for (const SavedMeal& meal : contents.savedMeals) {
            if (!IsSoundMeal(meal))
                ++report.refused;
            else if (names.contains(meal.name))
                ++report.savedMealsSkipped;
            else if (!m_savedMeals.Put(meal.name, meal.foods))
                return false;
            else {
                names.insert(meal.name);
                ++report.savedMealsAdded;
            }
        }
        QSet<QDate> weighed;
        // A day whose row cannot be read counts as weighed: that row is never replaced.
        QSqlQuery query(Database());
        if (!Run(query, "SELECT day FROM weighings"))
            return false;
        while (query.next())
            weighed.insert(QDate::fromString(query.value(0).toString(), Qt::ISODate));
        方法_体重记录::WeighingChange adding;
        for (const 方法_体重记录::Weighing& weighing : contents.weighings) {
            if (!IsSoundWeighing(weighing, today))
                ++report.refused;
            else if (weighed.contains(weighing.day))
                ++report.weighingsSkipped;
            else {
                adding.append({weighing.day, std::nullopt, weighing.kg});
                weighed.insert(weighing.day);
                ++report.weighingsAdded;
            }
        }
        bool outdated = false;
        if (!m_weighings.Put(adding, outdated))
            return false;
        if (contents.goalKg && !方法_体重记录::IsSoundKg(*contents.goalKg))
            ++report.refused;
        else if (contents.goalKg && SettingIn(*this, GoalKey).isEmpty())
            return m_weighings.PutGoal(contents.goalKg);
        return true;
    });
    if (kept)
        return report;
    report = {};
    report.failed = true;
    report.failure = m_problem;
    return report;
}

int DiaryStore::UnreadableRows() const {
    if (!IsOpen())
        return 0;
    QSqlQuery query(Database());
    query.prepare(
        QStringLiteral("SELECT (SELECT count(*) FROM entries WHERE (%1) IS NOT 1) + "
                       "(SELECT count(*) FROM saved_meals WHERE typeof(name) <> 'text') + "
                       "(SELECT count(*) FROM saved_meal_foods WHERE (%2) IS NOT 1) + "
                       "(SELECT count(*) FROM weighings WHERE (%3 AND day <= ?) IS NOT 1)")
            .arg(EntryRule(), FoodRule(), WeighingRule()));
    query.addBindValue(DayText(QDate::currentDate()));
    if (!query.exec() || !query.next())
        return 0;
    const QString goal = SettingIn(*this, GoalKey);
    return query.value(0).toInt() + (!goal.isEmpty() && !GoalFrom(goal) ? 1 : 0);
}

QString DiaryStore::UnreadableNotice() const {
    const int rows = UnreadableRows();
    return rows > 0 ? QStringLiteral("日记中有 %1 条记录无法读取，已略过").arg(rows) : QString();
}

QByteArray DiaryStore::ExportCsv() const {
    return DiaryCsv(Contents());
}

ImportReport DiaryStore::ImportCsv(const QByteArray& csv) {
    const ParsedDiary parsed = ParseDiaryCsv(csv);
    ImportReport report;
    if (!parsed.failure.isEmpty()) {
        report.failed = true;
        report.failure = parsed.failure;
        return report;
    }
    report = Import(parsed.contents);
    if (!report.failed) {
        report.refused += parsed.refused;
        report.reasons = parsed.reasons;
    }
    return report;
}

QString ImportMessage(const QString& file, const ImportReport& report) {
    if (report.failed) {
        // The store's own problems end in a full stop already.
        QString why = report.failure;
        if (!why.endsWith(u'。'))
            why += u'。';
        return QStringLiteral("无法导入“%1”：%2日记保持原样。").arg(file, why);
    }
    QString text = QStringLiteral("从“%1”导入了 %2 天、%3 条记录，%4 个常用餐，%5 条体重；跳过了"
                                  "日记中已有的 %6 天、%7 个常用餐、%8 条体重；拒绝了 %9 行。")
                       .arg(file)
                       .arg(report.daysAdded)
                       .arg(report.entriesAdded)
                       .arg(report.savedMealsAdded)
                       .arg(report.weighingsAdded)
                       .arg(report.daysSkipped)
                       .arg(report.savedMealsSkipped)
                       .arg(report.weighingsSkipped)
                       .arg(report.refused);
    if (!report.reasons.isEmpty())
        text += u'\n' + report.reasons.join(u'\n');
    return text;
}

} // namespace 方法_卡路里计算器
