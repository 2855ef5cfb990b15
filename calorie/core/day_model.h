#pragma once
// The day's plan as the calorie window keeps it: six meals, each a list of food entries. An entry
// is a snapshot of the food as it was when placed (name, listed energy and quantity, weight,
// energy), so a changed or replaced food database never changes a day already planned.
//
// Every change is a Change: the edits of one user command (add, remove, reweigh, a saved meal
// inserted, a meal cleared). The window hands it to Do with a keeper that saves it first (the
// diary) or takes it as it is (no diary); only a change that was kept reaches the model, and each
// is one step to undo. The meal tree, the subtotals, the summary and the plan's exports read the
// model, never the tree's text.

#include "calorie/core/macros.h"
#include "frame/core/undo_history.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>

namespace 方法_卡路里计算器 {

// The six meals, in the tree's order; a meal is its index in this list.
inline constexpr int MealCount = 6;
extern const QStringList Meals;

struct FoodEntry {
    qint64 id = 0;                  // the diary's row, 0 while the entry is not kept
    QString name;                   // FoodName when placed
    double listedKcal = 0;          // energy at the listed quantity, in kilocalories
    std::optional<double> quantity; // the listed weight in grams; none: it cannot be weighed
    std::optional<double> grams;    // the weight placed; none when it cannot be weighed
    double kcal = 0;                // the energy it counts with
    QString portion;                // "碗" when placed by a named portion, with its count
    double portionCount = 0;
    // Per 100 g, so that weighing anew leaves it as it is; none when the food had no nutrients.
    std::optional<Macros> per100g{};

    friend bool operator==(const FoodEntry&, const FoodEntry&) = default;
};

// A food of the food table placed at grams (its listed quantity when none was typed): its energy
// cell as the list shows it at that quantity, the portion's energy otherwise. Nothing when the
// energy is not a number, or a weight was typed for a food whose quantity is not one.
std::optional<FoodEntry> EntryFor(const QString& foodName, const QString& foodHot,
                                  const QString& foodQuantity, std::optional<double> grams,
                                  std::optional<Macros> per100g = std::nullopt);
// Whether an entry that comes from outside the window (the diary's file, an imported file) is
// one the window could have made: a name, finite energies that are not negative and at most what
// pure fat gives at the heaviest portion, weights above 0 and at most MaxGrams, both or neither.
bool IsSoundEntry(const FoodEntry& entry);
// Whether the named portion an entry from outside was placed by adds up: a weighed entry, a count
// above 0 and at most MaxGrams, a name of at most ten characters. Without a portion, true.
bool IsSoundPortion(const FoodEntry& entry);
// The same food at another weight, by grams alone; nothing when it cannot be weighed or the weight
// is refused.
std::optional<FoodEntry> Reweighed(const FoodEntry& entry, double grams);
// Whether the weight differs from the listed one and so is written after the name.
bool ShowsGrams(const FoodEntry& entry);
// The node text: "52 大卡  苹果", with " 250克" after the name when weighed at another weight, or
// " 2碗（300克）" when placed by a named portion.
QString EntryText(const FoodEntry& entry);

struct Edit {
    enum Kind { Insert, Remove, Update };
    Kind kind = Insert;
    int meal = 0;
    int index = 0;    // the entry's place in its meal
    FoodEntry before; // Remove and Update
    FoodEntry after;  // Insert and Update
};
using Change = QList<Edit>;

// What takes a change back: the edits reversed, each turned round.
Change Inverse(const Change& change);

using DayMeals = std::array<QList<FoodEntry>, MealCount>;

class DayModel {
  public:
    // Saves a change before the model takes it; false leaves the model as it was. It may give the
    // inserted entries their ids (Edit::after.id).
    using Keeper = UndoHistory<Change>::Keeper;

    QDate Date() const { return m_date; }
    const QList<FoodEntry>& Foods(int meal) const { return m_meals[meal]; }
    const DayMeals& AllMeals() const { return m_meals; }
    // As the summary shows it: adding never rounds, removing rounds to two decimals.
    double Total() const { return m_total; }
    double Subtotal(int meal) const;
    bool IsEmpty() const;

    // Shows another day (or the same one read again): its total is the sum of its entries, and
    // the undo history starts anew.
    void Reset(QDate date, const DayMeals& meals = {});

    Change Adding(int meal, const QList<FoodEntry>& entries) const;
    Change Removing(int meal, int index) const;
    Change Reweighing(int meal, int index, const FoodEntry& entry) const;

    // One step: kept, applied, and put on the undo stack (the redo stack is emptied).
    bool Do(Change change, const Keeper& keep);
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    // The last step taken back, or the last undone one done again; each is kept like any change.
    // The change the model took, for the view to follow.
    std::optional<Change> Undo(const Keeper& keep);
    std::optional<Change> Redo(const Keeper& keep);

  private:
    void Apply(const Change& change);

    QDate m_date;
    DayMeals m_meals;
    double m_total = 0;
    UndoHistory<Change> m_history{Inverse};
};

} // namespace 方法_卡路里计算器
