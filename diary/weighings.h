#pragma once
// The weight log's weighings (the weighings table, one a day) and its goal (a setting).

#include "weight/core/weight_log.h"

#include <QDate>
#include <QList>
#include <optional>

namespace 方法_卡路里计算器 {

class DiaryStore;

class DiaryWeighings {
  public:
    enum class Kept {
        Yes,
        Failed,   // nothing written; the store's Problem says why
        Outdated, // another program changed one of the days meanwhile: nothing written
    };

    explicit DiaryWeighings(DiaryStore& store) : m_store(store) {}

    // By date, none after today.
    QList<方法_体重记录::Weighing> All() const;
    std::optional<double> Goal() const;

    // Keeps the change in one transaction only while each day still holds the edit's before.
    Kept Keep(const 方法_体重记录::WeighingChange& change);
    bool KeepGoal(std::optional<double> goal);

  private:
    friend class DiaryStore;

    // The writes, inside a transaction the caller holds.
    bool Put(const 方法_体重记录::WeighingChange& change, bool& outdated);
    bool PutGoal(std::optional<double> goal);

    DiaryStore& m_store;
};

} // namespace 方法_卡路里计算器
