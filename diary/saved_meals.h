#pragma once
// The saved meals: their names (saved_meals) and their foods (saved_meal_foods), kept for reuse.

#include "diary/diary_contents.h"

#include <QList>
#include <QString>
#include <optional>

namespace 方法_卡路里计算器 {

class DiaryStore;

class DiarySavedMeals {
  public:
    explicit DiarySavedMeals(DiaryStore& store) : m_store(store) {}

    // In the order they were saved.
    QList<SavedMeal> All() const;
    std::optional<SavedMeal> Named(const QString& name) const;
    // Keeps the foods under the name, replacing a saved meal of that name.
    bool Save(const QString& name, const QList<FoodEntry>& foods);
    bool Rename(qint64 id, const QString& name);
    bool Delete(qint64 id);

  private:
    friend class DiaryStore;

    // Save's writes, inside a transaction the caller holds.
    bool Put(const QString& name, const QList<FoodEntry>& foods);

    DiaryStore& m_store;
};

} // namespace 方法_卡路里计算器
