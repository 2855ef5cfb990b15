#pragma once
// Where the calorie window keeps the user's own foods, dishes and portions. The window reads and
// changes them through this alone; a shelf in memory serves until a file keeps them.

#include "calorie/core/named_portion.h"
#include "calorie/core/own_food.h"

#include <QList>
#include <QString>

namespace 方法_卡路里计算器 {

class OwnFoodShelf {
  public:
    virtual ~OwnFoodShelf() = default;
    // In the order they were made.
    virtual QList<OwnFood> Foods() const = 0;
    virtual QList<NamedPortion> Portions() const = 0;
    // Keeps a new food (id 0, which then gets its id) or a changed one; false, with Problem, when
    // nothing could be kept.
    virtual bool Keep(OwnFood& food) = 0;
    virtual bool Remove(qint64 id) = 0;
    // The food's portions become these.
    virtual bool KeepPortions(const QString& food, const QList<NamedPortion>& portions) = 0;
    virtual QString Problem() const = 0;
    // Whether another program changed the foods since this shelf last looked.
    virtual bool ChangedElsewhere() { return false; }
};

class ShelfInMemory final : public OwnFoodShelf {
  public:
    QList<OwnFood> Foods() const override { return m_foods; }
    QList<NamedPortion> Portions() const override { return m_portions; }
    bool Keep(OwnFood& food) override;
    bool Remove(qint64 id) override;
    bool KeepPortions(const QString& food, const QList<NamedPortion>& portions) override;
    QString Problem() const override { return {}; }

  private:
    QList<OwnFood> m_foods;
    QList<NamedPortion> m_portions;
    qint64 m_lastId = 0;
};

// The portions a food has: the user's, and "份" for a food kept per serving or a dish with
// servings.
QList<NamedPortion> PortionsOf(const QString& food, const QList<NamedPortion>& portions,
                               const OwnFood* own);

} // namespace 方法_卡路里计算器
