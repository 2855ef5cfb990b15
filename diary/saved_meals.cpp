#include "diary/saved_meals.h"

#include "diary/room.h"

#include <QHash>

namespace 方法_卡路里计算器 {

namespace {

const QString NameRule = QStringLiteral("typeof(name) = 'text'");

} // namespace

QList<SavedMeal> DiarySavedMeals::All() const {
    QList<SavedMeal> meals;
    if (!m_store.IsOpen())
        return meals;
    QSqlQuery query(Room::Database(m_store));
    query.setForwardOnly(true);
    if (!query.exec("SELECT id, name FROM saved_meals WHERE " + NameRule + " ORDER BY id"))
        return meals;
    QHash<qint64, qsizetype> at;
    while (query.next()) {
        at.insert(query.value(0).toLongLong(), meals.size());
        meals.append({query.value(0).toLongLong(), query.value(1).toString(), {}});
    }
    if (!query.exec("SELECT meal_id, 0, " + FoodColumns + " FROM saved_meal_foods WHERE " +
                    FoodRule() + " ORDER BY meal_id, pos"))
        return meals;
    while (query.next()) {
        const auto meal = at.constFind(query.value(0).toLongLong());
        const auto food = FoodAt(query, 1);
        if (meal != at.constEnd() && food)
            meals[*meal].foods << *food;
    }
    return meals;
}

std::optional<SavedMeal> DiarySavedMeals::Named(const QString& name) const {
    for (const SavedMeal& meal : All()) {
        if (meal.name == name)
            return meal;
    }
    return std::nullopt;
}

bool DiarySavedMeals::Save(const QString& name, const QList<FoodEntry>& foods) {
    if (name.trimmed().isEmpty())
        return Room::Failed(m_store, QStringLiteral("没有名字"));
    return Room::Write(m_store, [&](QSqlDatabase&) { return Put(name, foods); });
}

bool DiarySavedMeals::Put(const QString& name, const QList<FoodEntry>& foods) {
    QSqlQuery query(Room::Database(m_store));
    query.prepare("SELECT id FROM saved_meals WHERE name = ?");
    query.addBindValue(name);
    if (!Room::Run(m_store, query))
        return false;
    qint64 id = 0;
    if (query.next()) {
        // Kept under its id, so it keeps its place among the saved meals; a food that cannot be
        // read stays where it is, and the new foods follow it.
        id = query.value(0).toLongLong();
        query.prepare("DELETE FROM saved_meal_foods WHERE meal_id = ? AND " + FoodRule());
        query.addBindValue(id);
        if (!Room::Run(m_store, query))
            return false;
    } else {
        query.prepare("INSERT INTO saved_meals(name) VALUES(?)");
        query.addBindValue(name);
        if (!Room::Run(m_store, query))
            return false;
        id = query.lastInsertId().toLongLong();
    }
    query.prepare("SELECT coalesce(max(pos) + 1, 0) FROM saved_meal_foods WHERE meal_id = ?");
    query.addBindValue(id);
    if (!Room::Run(m_store, query) || !query.next())
        return false;
    const qint64 first = query.value(0).toLongLong();
    query.prepare("INSERT INTO saved_meal_foods(meal_id, pos, " + FoodColumns + ") VALUES(?, ?, " +
                  FoodValues + ")");
    for (qsizetype pos = 0; pos < foods.size(); ++pos) {
        query.addBindValue(id);
        query.addBindValue(first + pos);
        BindFood(query, foods[pos]);
        if (!Room::Run(m_store, query))
            return false;
    }
    return true;
}

bool DiarySavedMeals::Rename(qint64 id, const QString& name) {
    if (name.trimmed().isEmpty())
        return Room::Failed(m_store, QStringLiteral("没有名字"));
    const std::optional<SavedMeal> taken = Named(name);
    if (taken && taken->id != id) {
        Room::SetProblem(m_store, QStringLiteral("已有名为“%1”的餐，请换一个名字。").arg(name));
        return false;
    }
    return Room::Write(m_store, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare("UPDATE saved_meals SET name = ? WHERE id = ? AND " + NameRule);
        query.addBindValue(name);
        query.addBindValue(id);
        return Room::Run(m_store, query);
    });
}

bool DiarySavedMeals::Delete(qint64 id) {
    return Room::Write(m_store, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        // Its foods go with it; one that cannot be read would go unseen, so the meal stays.
        query.prepare("SELECT count(*) FROM saved_meal_foods WHERE meal_id = ? AND (" + FoodRule() +
                      ") IS NOT 1");
        query.addBindValue(id);
        if (!Room::Run(m_store, query) || !query.next())
            return false;
        if (query.value(0).toInt() > 0)
            return Room::Refuse(m_store, QStringLiteral("这个常用餐中有无法读取的记录"));
        query.prepare("DELETE FROM saved_meals WHERE id = ?");
        query.addBindValue(id);
        return Room::Run(m_store, query);
    });
}

} // namespace 方法_卡路里计算器
