#include "diary/own_foods.h"

#include "diary/room.h"

#include <QHash>

namespace 方法_卡路里计算器 {

namespace {

std::optional<double> Optional(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional(value.toDouble());
}

// The nutrients of the last four columns: protein, fat, carbohydrate and whether they keep the
// rule; none when they do not.
std::optional<Macros> MacrosAt(const QSqlQuery& query, int first) {
    if (!query.value(first + 3).toBool() || query.value(first).isNull())
        return std::nullopt;
    const Macros macros{query.value(first).toDouble(), query.value(first + 1).toDouble(),
                        query.value(first + 2).toDouble()};
    return IsSoundPer100g(macros) ? std::optional(macros) : std::nullopt;
}

bool IsSoundFood(const OwnFood& food) {
    return !food.name.trimmed().isEmpty() && food.name.size() <= 2 * LongestFoodName &&
           food.kcalPer100g >= 1 && food.kcalPer100g <= MostKcalPer100g;
}

} // namespace

QList<OwnFood> DiaryOwnFoods::All() const {
    QList<OwnFood> foods;
    if (!m_store.IsOpen())
        return foods;
    QSqlQuery query(Room::Database(m_store));
    query.setForwardOnly(true);
    const QString nutrients =
        QStringLiteral(", protein, fat, carbohydrate, (%1) ").arg(NutrientRule());
    if (!query.exec("SELECT id, name, alias, kcal, dish, serving_grams, cooked_grams, servings" +
                    nutrients +
                    "FROM own_foods WHERE typeof(name) = 'text' AND typeof(kcal) = 'integer' "
                    "ORDER BY id"))
        return foods;
    QHash<qint64, qsizetype> at;
    while (query.next()) {
        OwnFood food;
        food.id = query.value(0).toLongLong();
        food.name = query.value(1).toString();
        food.alias = query.value(2).toString();
        food.kcalPer100g = query.value(3).toInt();
        food.dish = query.value(4).toBool();
        food.servingGrams = Optional(query.value(5));
        food.cookedGrams = Optional(query.value(6));
        if (!query.value(7).isNull())
            food.servings = query.value(7).toInt();
        food.per100g = MacrosAt(query, 8);
        if (!IsSoundFood(food))
            continue;
        at.insert(food.id, foods.size());
        foods.append(food);
    }
    if (!query.exec("SELECT dish_id, name, kcal, grams" + nutrients +
                    "FROM dish_ingredients ORDER BY dish_id, pos"))
        return foods;
    while (query.next()) {
        const auto dish = at.constFind(query.value(0).toLongLong());
        if (dish != at.constEnd())
            foods[*dish].ingredients.append({query.value(1).toString(), query.value(2).toDouble(),
                                             query.value(3).toDouble(), MacrosAt(query, 4)});
    }
    return foods;
}

QList<NamedPortion> DiaryOwnFoods::Portions() const {
    QList<NamedPortion> portions;
    if (!m_store.IsOpen())
        return portions;
    QSqlQuery query(Room::Database(m_store));
    query.setForwardOnly(true);
    if (!query.exec("SELECT food, name, grams FROM portions WHERE typeof(grams) IN ('real', "
                    "'integer') ORDER BY rowid"))
        return portions;
    while (query.next())
        portions.append(
            {query.value(0).toString(), query.value(1).toString(), query.value(2).toDouble()});
    return portions;
}

bool DiaryOwnFoods::Keep(OwnFood& food) {
    qint64 id = food.id;
    const bool kept = Room::Write(m_store, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (id) {
            query.prepare("UPDATE portions SET food = ? WHERE food = (SELECT name FROM own_foods "
                          "WHERE id = ?)");
            query.addBindValue(food.name);
            query.addBindValue(id);
            if (!Room::Run(m_store, query))
                return false;
            query.prepare(
                "UPDATE own_foods SET name = ?, alias = ?, kcal = ?, dish = ?, "
                "serving_grams = ?, cooked_grams = ?, servings = ?, protein = ?, fat = ?, "
                "carbohydrate = ? WHERE id = ?");
        } else {
            query.prepare("INSERT INTO own_foods(name, alias, kcal, dish, serving_grams, "
                          "cooked_grams, servings, protein, fat, carbohydrate) "
                          "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        }
        query.addBindValue(food.name);
        query.addBindValue(food.alias.isNull() ? QStringLiteral("") : food.alias);
        query.addBindValue(food.kcalPer100g);
        query.addBindValue(int(food.dish));
        query.addBindValue(Bound(food.servingGrams));
        query.addBindValue(Bound(food.cookedGrams));
        query.addBindValue(food.servings ? QVariant(*food.servings) : QVariant());
        BindMacros(query, food.per100g);
        if (id)
            query.addBindValue(id);
        if (!Room::Run(m_store, query))
            return false;
        if (id && query.numRowsAffected() != 1)
            return Room::Refuse(m_store, QStringLiteral("日记中没有这种食物"));
        if (!id)
            id = query.lastInsertId().toLongLong();
        query.prepare("DELETE FROM dish_ingredients WHERE dish_id = ?");
        query.addBindValue(id);
        if (!Room::Run(m_store, query))
            return false;
        query.prepare("INSERT INTO dish_ingredients(dish_id, pos, name, kcal, grams, protein, fat, "
                      "carbohydrate) VALUES(?, ?, ?, ?, ?, ?, ?, ?)");
        for (qsizetype pos = 0; pos < food.ingredients.size(); ++pos) {
            const Ingredient& ingredient = food.ingredients[pos];
            query.addBindValue(id);
            query.addBindValue(pos);
            query.addBindValue(ingredient.name);
            query.addBindValue(ingredient.kcalPer100g);
            query.addBindValue(ingredient.grams);
            BindMacros(query, ingredient.per100g);
            if (!Room::Run(m_store, query))
                return false;
        }
        return true;
    });
    if (kept)
        food.id = id;
    return kept;
}

bool DiaryOwnFoods::Remove(qint64 id) {
    return Room::Write(m_store, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare(
            "DELETE FROM portions WHERE food = (SELECT name FROM own_foods WHERE id = ?)");
        query.addBindValue(id);
        if (!Room::Run(m_store, query))
            return false;
        query.prepare("DELETE FROM own_foods WHERE id = ?");
        query.addBindValue(id);
        return Room::Run(m_store, query);
    });
}

bool DiaryOwnFoods::KeepPortions(const QString& food, const QList<NamedPortion>& portions) {
    return Room::Write(m_store, [&](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.prepare("DELETE FROM portions WHERE food = ?");
        query.addBindValue(food);
        if (!Room::Run(m_store, query))
            return false;
        query.prepare("INSERT INTO portions(food, name, grams) VALUES(?, ?, ?)");
        for (const NamedPortion& portion : portions) {
            query.addBindValue(food);
            query.addBindValue(portion.name);
            query.addBindValue(portion.grams);
            if (!Room::Run(m_store, query))
                return false;
        }
        return true;
    });
}

} // namespace 方法_卡路里计算器
