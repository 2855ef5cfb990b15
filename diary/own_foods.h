#pragma once
// The user's own foods and dishes (own_foods, with a dish's ingredients in dish_ingredients) and
// the named portions of any food (portions, by the food's name).

#include "calorie/core/named_portion.h"
#include "calorie/core/own_food.h"

#include <QList>
#include <QString>

namespace 方法_卡路里计算器 {

class DiaryStore;

class DiaryOwnFoods {
  public:
    explicit DiaryOwnFoods(DiaryStore& store) : m_store(store) {}

    // In the order they were made; a row that breaks the rules is left out.
    QList<OwnFood> All() const;
    QList<NamedPortion> Portions() const;
    // A new food (id 0, then given its id) or a changed one, its ingredients with it; a renamed
    // food takes its portions along.
    bool Keep(OwnFood& food);
    bool Remove(qint64 id);
    // The food's portions become these.
    bool KeepPortions(const QString& food, const QList<NamedPortion>& portions);

  private:
    DiaryStore& m_store;
};

} // namespace 方法_卡路里计算器
