#include "calorie/core/own_shelf.h"

#include <algorithm>

namespace 方法_卡路里计算器 {

bool ShelfInMemory::Keep(OwnFood& food) {
    for (OwnFood& kept : m_foods)
        if (food.id && kept.id == food.id) {
            // A renamed food takes its portions along.
            for (NamedPortion& portion : m_portions)
                if (portion.food == kept.name)
                    portion.food = food.name;
            kept = food;
            return true;
        }
    food.id = ++m_lastId;
    m_foods.append(food);
    return true;
}

bool ShelfInMemory::Remove(qint64 id) {
    for (qsizetype i = 0; i < m_foods.size(); ++i)
        if (m_foods[i].id == id) {
            const QString name = m_foods[i].name;
            m_portions.removeIf([&](const NamedPortion& p) { return p.food == name; });
            m_foods.removeAt(i);
            return true;
        }
    return true;
}

bool ShelfInMemory::KeepPortions(const QString& food, const QList<NamedPortion>& portions) {
    m_portions.removeIf([&](const NamedPortion& p) { return p.food == food; });
    m_portions += portions;
    return true;
}

QList<NamedPortion> PortionsOf(const QString& food, const QList<NamedPortion>& portions,
                               const OwnFood* own) {
    QList<NamedPortion> found;
    for (const NamedPortion& portion : portions)
        if (portion.food == food)
            found.append(portion);
    const bool serving = std::any_of(found.begin(), found.end(),
                                     [](const NamedPortion& p) { return p.name == u'份'; });
    if (own && own->servingGrams && !serving)
        found.append({food, QStringLiteral("份"), *own->servingGrams});
    return found;
}

} // namespace 方法_卡路里计算器
