#include "calorie/core/day_model.h"

#include "calorie/core/intake.h"
#include "calorie/core/named_portion.h"
#include "calorie/core/portion.h"
#include "frame/core/numbers.h"

#include <algorithm>
#include <cmath>

namespace 方法_卡路里计算器 {

const QStringList Meals{QStringLiteral("早餐"), QStringLiteral("上午加餐"),
                        QStringLiteral("午餐"), QStringLiteral("下午加餐"),
                        QStringLiteral("晚餐"), QStringLiteral("晚上加餐")};

namespace {

// At the listed quantity a food counts with its listed energy, unrounded, as the list shows it.
std::optional<double> EnergyAt(double listedKcal, double quantity, double grams) {
    if (grams == quantity)
        return listedKcal;
    return PortionEnergy(listedKcal, quantity, grams);
}

} // namespace

std::optional<FoodEntry> EntryFor(const QString& foodName, const QString& foodHot,
                                  const QString& foodQuantity, std::optional<double> grams,
                                  std::optional<Macros> per100g) {
    const auto listedKcal = NumberOf(foodHot);
    if (!listedKcal)
        return std::nullopt;
    FoodEntry entry{0,           foodName, *listedKcal, std::nullopt, std::nullopt,
                    *listedKcal, {},       0,           per100g};
    const auto quantity = NumberOf(foodQuantity);
    if (!quantity || !(*quantity > 0))
        return grams ? std::nullopt : std::optional(entry);
    entry.quantity = quantity;
    if (grams)
        return Reweighed(entry, *grams);
    entry.grams = quantity;
    return entry;
}

std::optional<FoodEntry> Reweighed(const FoodEntry& entry, double grams) {
    if (!entry.quantity || !(grams >= MinGrams && grams <= MaxGrams))
        return std::nullopt;
    const auto energy = EnergyAt(entry.listedKcal, *entry.quantity, grams);
    if (!energy)
        return std::nullopt;
    FoodEntry weighed = entry;
    weighed.grams = grams;
    weighed.kcal = *energy;
    weighed.portion.clear();
    weighed.portionCount = 0;
    return weighed;
}

bool IsSoundEntry(const FoodEntry& entry) {
    // 900 kcal per 100 g, pure fat, at the heaviest portion.
    constexpr double MostKcal = 9 * MaxGrams;
    constexpr int LongestName = 255;
    const auto energy = [](double kcal) {
        return std::isfinite(kcal) && kcal >= 0 && kcal <= MostKcal;
    };
    const auto weight = [](std::optional<double> grams) {
        return !grams || (std::isfinite(*grams) && *grams > 0 && *grams <= MaxGrams);
    };
    const QString name = entry.name.trimmed();
    return !name.isEmpty() && (!entry.per100g || IsSoundPer100g(*entry.per100g)) &&
           entry.name.size() <= LongestName && energy(entry.listedKcal) && energy(entry.kcal) &&
           weight(entry.quantity) && weight(entry.grams) &&
           entry.grams.has_value() == entry.quantity.has_value();
}

bool IsSoundPortion(const FoodEntry& entry) {
    constexpr int LongestPortion = 10;
    return entry.portion.isEmpty() ||
           (entry.grams && entry.portionCount > 0 && entry.portionCount <= MaxGrams &&
            entry.portion.size() <= LongestPortion);
}

bool ShowsGrams(const FoodEntry& entry) {
    return entry.grams && entry.quantity && *entry.grams != *entry.quantity;
}

QString EntryText(const FoodEntry& entry) {
    QString text = FormatNumber(entry.kcal) + Kcal + QStringLiteral("  ") + entry.name;
    if (!entry.portion.isEmpty() && entry.grams)
        text += u' ' + CountedText(entry.portionCount, entry.portion) + u'（' +
                FormatNumber(*entry.grams) + QStringLiteral("克）");
    else if (ShowsGrams(entry))
        text += u' ' + FormatNumber(*entry.grams) + u'克';
    return text;
}

Change Inverse(const Change& change) {
    Change inverse;
    inverse.reserve(change.size());
    for (auto edit = change.crbegin(); edit != change.crend(); ++edit) {
        Edit back = *edit;
        std::swap(back.before, back.after);
        if (edit->kind != Edit::Update)
            back.kind = edit->kind == Edit::Insert ? Edit::Remove : Edit::Insert;
        inverse.append(back);
    }
    return inverse;
}

double DayModel::Subtotal(int meal) const {
    double sum = 0;
    for (const FoodEntry& entry : m_meals[meal])
        sum = Added(sum, entry.kcal);
    return sum;
}

bool DayModel::IsEmpty() const {
    return std::all_of(m_meals.begin(), m_meals.end(),
                       [](const QList<FoodEntry>& foods) { return foods.isEmpty(); });
}

void DayModel::Reset(QDate date, const DayMeals& meals) {
    m_date = date;
    m_meals = meals;
    m_total = 0;
    for (const QList<FoodEntry>& foods : m_meals)
        for (const FoodEntry& entry : foods)
            m_total = Added(m_total, entry.kcal);
    m_history.Clear();
}

Change DayModel::Adding(int meal, const QList<FoodEntry>& entries) const {
    Change change;
    int index = static_cast<int>(m_meals[meal].size());
    for (const FoodEntry& entry : entries) {
        FoodEntry added = entry;
        added.id = 0; // a copy, say of a saved meal's food, is a row of its own
        change.append({Edit::Insert, meal, index++, {}, added});
    }
    return change;
}

Change DayModel::Removing(int meal, int index) const {
    return {{Edit::Remove, meal, index, m_meals[meal].at(index), {}}};
}

Change DayModel::Reweighing(int meal, int index, const FoodEntry& entry) const {
    FoodEntry after = entry;
    after.id = m_meals[meal].at(index).id;
    return {{Edit::Update, meal, index, m_meals[meal].at(index), after}};
}

bool DayModel::Do(Change change, const Keeper& keep) {
    return m_history.Do(std::move(change), keep, [this](const Change& done) { Apply(done); });
}

std::optional<Change> DayModel::Undo(const Keeper& keep) {
    return m_history.Undo(keep, [this](const Change& done) { Apply(done); });
}

std::optional<Change> DayModel::Redo(const Keeper& keep) {
    return m_history.Redo(keep, [this](const Change& done) { Apply(done); });
}

// The total follows the summary's arithmetic: a reweighed food leaves and comes back.
void DayModel::Apply(const Change& change) {
    for (const Edit& edit : change) {
        QList<FoodEntry>& foods = m_meals[edit.meal];
        switch (edit.kind) {
        case Edit::Insert:
            foods.insert(edit.index, edit.after);
            m_total = Added(m_total, edit.after.kcal);
            break;
        case Edit::Remove:
            foods.removeAt(edit.index);
            m_total = Removed(m_total, edit.before.kcal);
            break;
        case Edit::Update:
            foods[edit.index] = edit.after;
            m_total = Added(Removed(m_total, edit.before.kcal), edit.after.kcal);
            break;
        }
    }
}

} // namespace 方法_卡路里计算器
