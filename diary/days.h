#pragma once
// The diary's days: the entries table, a row per food placed on a day.

#include "calorie/core/day_model.h"
#include "diary/diary_contents.h"
#include "weight/core/weight_log.h"

#include <QDate>
#include <QList>
#include <functional>
#include <optional>

namespace 方法_卡路里计算器 {

class DiaryStore;

class DiaryDays {
  public:
    explicit DiaryDays(DiaryStore& store) : m_store(store) {}

    DayMeals Day(QDate day) const;
    QList<QDate> DaysWithEntries() const;
    // Every day with entries, by date.
    QList<DiaryDay> All() const;
    // The latest day before `before` with foods in that meal.
    std::optional<QDate> PreviousDayWith(QDate before, int meal) const;
    // Each day's total intake, by date.
    QList<方法_体重记录::DayKcal> DailyIntake() const;

    // Keeps a change to the day in one transaction and gives inserted entries their ids; false
    // (and the store's Problem) when it could not be kept, with nothing of it written.
    bool Apply(QDate day, Change& change);

  private:
    friend class DiaryStore;
    friend class DiarySettings;

    // Apply after what first writes, in the same transaction.
    bool ApplyAfter(const std::function<bool()>& first, QDate day, Change& change);
    // Apply's writes, inside a transaction the caller holds.
    bool Put(QDate day, Change& change);

    DiaryStore& m_store;
};

} // namespace 方法_卡路里计算器
