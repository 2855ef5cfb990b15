#include "diary/days.h"

#include "calorie/core/intake.h"
#include "diary/room.h"

namespace 方法_卡路里计算器 {

namespace {

QSqlQuery Reading(const DiaryStore& store, const QString& sql) {
    QSqlQuery query(Room::Database(store));
    query.setForwardOnly(true);
    query.prepare(sql);
    return query;
}

} // namespace

DayMeals DiaryDays::Day(QDate day) const {
    DayMeals meals;
    if (!m_store.IsOpen())
        return meals;
    QSqlQuery query =
        Reading(m_store, "SELECT meal, id, " + FoodColumns + " FROM entries WHERE day = ? AND " +
                             EntryRule() + " ORDER BY meal, id");
    query.addBindValue(DayText(day));
    if (!query.exec())
        return meals;
    while (query.next()) {
        if (const auto food = FoodAt(query, 1))
            meals[query.value(0).toInt()] << *food;
    }
    return meals;
}

QList<QDate> DiaryDays::DaysWithEntries() const {
    QList<QDate> days;
    if (!m_store.IsOpen())
        return days;
    QSqlQuery query =
        Reading(m_store, "SELECT DISTINCT day FROM entries WHERE " + EntryRule() + " ORDER BY day");
    if (!query.exec())
        return days;
    while (query.next())
        days << QDate::fromString(query.value(0).toString(), Qt::ISODate);
    return days;
}

QList<DiaryDay> DiaryDays::All() const {
    QList<DiaryDay> days;
    if (!m_store.IsOpen())
        return days;
    QSqlQuery query =
        Reading(m_store, "SELECT day, meal, id, " + FoodColumns + " FROM entries WHERE " +
                             EntryRule() + " ORDER BY day, meal, id");
    if (!query.exec())
        return days;
    while (query.next()) {
        const auto food = FoodAt(query, 2);
        if (!food)
            continue;
        const QDate date = QDate::fromString(query.value(0).toString(), Qt::ISODate);
        if (days.isEmpty() || days.constLast().date != date)
            days.append({date, {}});
        days.last().meals[query.value(1).toInt()] << *food;
    }
    return days;
}

std::optional<QDate> DiaryDays::PreviousDayWith(QDate before, int meal) const {
    if (!m_store.IsOpen())
        return std::nullopt;
    QSqlQuery query = Reading(m_store, "SELECT day FROM entries WHERE day < ? AND meal = ? AND " +
                                           EntryRule() + " ORDER BY day DESC LIMIT 1");
    query.addBindValue(DayText(before));
    query.addBindValue(meal);
    if (!query.exec() || !query.next())
        return std::nullopt;
    return QDate::fromString(query.value(0).toString(), Qt::ISODate);
}

QList<方法_体重记录::DayKcal> DiaryDays::DailyIntake() const {
    QList<方法_体重记录::DayKcal> days;
    for (const DiaryDay& day : All()) {
        double kcal = 0;
        for (const QList<FoodEntry>& meal : day.meals) {
            for (const FoodEntry& food : meal)
                kcal = Added(kcal, food.kcal);
        }
        days.append({day.date, kcal});
    }
    return days;
}

bool DiaryDays::Apply(QDate day, Change& change) {
    return ApplyAfter([] { return true; }, day, change);
}

bool DiaryDays::ApplyAfter(const std::function<bool()>& first, QDate day, Change& change) {
    QList<qint64> ids;
    for (const Edit& edit : change)
        ids << edit.after.id;
    const bool kept =
        Room::Write(m_store, [&](QSqlDatabase&) { return first() && Put(day, change); });
    if (!kept) {
        for (qsizetype i = 0; i < change.size(); ++i)
            change[i].after.id = ids[i];
    }
    return kept;
}

bool DiaryDays::Put(QDate day, Change& change) {
    const QSqlDatabase db = Room::Database(m_store);
    QSqlQuery insert(db), remove(db), update(db);
    insert.prepare("INSERT INTO entries(id, day, meal, " + FoodColumns + ") VALUES(?, ?, ?, " +
                   FoodValues + ")");
    // Only a row the window could have read is changed: one that breaks the rules stays as it is.
    remove.prepare("DELETE FROM entries WHERE id = ? AND day = ? AND " + EntryRule());
    update.prepare("UPDATE entries SET (meal, " + FoodColumns + ") = (?, " + FoodValues +
                   ") WHERE id = ? AND day = ? AND " + EntryRule());
    for (Edit& edit : change) {
        switch (edit.kind) {
        case Edit::Insert:
            // An entry that had an id (a removal undone) comes back in its old place.
            insert.addBindValue(edit.after.id != 0 ? QVariant(edit.after.id) : QVariant());
            insert.addBindValue(DayText(day));
            insert.addBindValue(edit.meal);
            BindFood(insert, edit.after);
            if (!Room::Run(m_store, insert))
                return false;
            edit.after.id = insert.lastInsertId().toLongLong();
            break;
        case Edit::Remove:
            remove.addBindValue(edit.before.id);
            remove.addBindValue(DayText(day));
            if (!Room::Run(m_store, remove))
                return false;
            break;
        case Edit::Update:
            update.addBindValue(edit.meal);
            BindFood(update, edit.after);
            update.addBindValue(edit.before.id);
            update.addBindValue(DayText(day));
            if (!Room::Run(m_store, update))
                return false;
            if (update.numRowsAffected() != 1)
                return Room::Refuse(m_store, QStringLiteral("日记中没有这一项"));
            edit.after.id = edit.before.id;
            break;
        }
    }
    return true;
}

} // namespace 方法_卡路里计算器
