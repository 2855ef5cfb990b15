#pragma once
// Private to diary/: what the tables' homes share with the store, its connection and its one
// write transaction, and the rules a row of the file must meet to be read. Nothing outside this
// folder includes it but the tests.

#include "diary/diary_store.h"
#include "weight/core/weight_log.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

namespace 方法_卡路里计算器 {

struct Room {
    static QSqlDatabase Database(const DiaryStore& store) { return store.Database(); }
    // One write transaction, committed when work returns true and rolled back otherwise.
    static bool Write(DiaryStore& store, const std::function<bool(QSqlDatabase& db)>& work) {
        return store.Write(work);
    }
    // Runs a prepared query (or sql) inside Write; a failure's reason becomes Write's Problem.
    static bool Run(DiaryStore& store, QSqlQuery& query, const QString& sql = {}) {
        return store.Run(query, sql);
    }
    // Ends the running Write with this reason; false, for work to return.
    static bool Refuse(DiaryStore& store, const QString& reason) {
        store.m_writeReason = reason;
        return false;
    }
    // A change refused before any write, with the store's usual message.
    static bool Failed(DiaryStore& store, const QString& reason) { return store.Failed(reason); }
    static void SetProblem(DiaryStore& store, const QString& problem) { store.m_problem = problem; }
};

// The settings table: a value by key (empty when none), and one put inside a Write (an empty
// value removes the key).
QString SettingIn(const DiaryStore& store, const QString& key);
bool PutSetting(DiaryStore& store, const QString& key, const QString& value);

inline const QString GoalKey = QStringLiteral("goal_kg");

QString DayText(QDate day);
QVariant Bound(std::optional<double> value);

// The rules of the rows, in SQL: the new files' CHECK constraints and the filter that reads the
// older files, whose rows nothing checked. Each reader checks once more in C++ what it turns
// into values.
QString DayRule();      // day: a real ISO date
QString FoodRule();     // name, hot, quantity, grams, kcal: IsSoundEntry
QString EntryRule();    // a row of entries: its day, a meal 0 to 5 and its food
QString WeighingRule(); // day and kg: 20 to 300 kg, two decimals at most
// protein, fat, carbohydrate of a food per 100 g: none of them, or all three from 0 to 100 g
// adding up to at most 100 g.
QString NutrientRule();

// A food's columns after its id, in the order FoodAt reads them and BindFood binds them, and as
// many placeholders: entries and saved_meal_foods both keep a food so.
inline const QString FoodColumns = QStringLiteral(
    "name, hot, quantity, grams, kcal, portion, portion_count, protein, fat, carbohydrate");
inline const QString FoodValues = QStringLiteral("?, ?, ?, ?, ?, ?, ?, ?, ?, ?");

// The food of the columns id and FoodColumns starting at first; nothing when it breaks
// IsSoundEntry, no nutrients when they do. BindFood binds FoodColumns.
std::optional<FoodEntry> FoodAt(const QSqlQuery& query, int first);
void BindFood(QSqlQuery& query, const FoodEntry& food);
// Protein, fat and carbohydrate per 100 g, or three nulls.
void BindMacros(QSqlQuery& query, const std::optional<Macros>& per100g);

bool IsSoundWeighing(const 方法_体重记录::Weighing& weighing, QDate today);
// The goal as the settings table keeps it, as text; nothing when it is not a sound weight.
std::optional<double> GoalFrom(const QString& text);

} // namespace 方法_卡路里计算器
