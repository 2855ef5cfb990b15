#pragma once
// Where the weight log keeps its weighings and goal: the diary store's weighings and its goal.
// The window sees only WeightBook, so a store it may not touch (damaged, newer) or cannot make
// leaves it working in memory.

#include "weight/core/weight_log.h"

#include <QString>
#include <memory>
#include <optional>

namespace 方法_卡路里计算器 {
class DiaryStore;
}

namespace 方法_体重记录 {

class WeightBook {
  public:
    virtual ~WeightBook() = default;
    virtual QList<Weighing> Weighings() const = 0;
    virtual std::optional<double> Goal() const = 0;
    // Each keeps one change whole or nothing of it; false (and Problem) when it could not.
    virtual bool Keep(const WeighingChange& change) = 0;
    virtual bool KeepGoal(std::optional<double> goal) = 0;
    virtual QString Problem() const = 0;
    // Each diary day's total intake; nothing while the diary is off.
    virtual std::optional<QList<DayKcal>> DailyIntake() const = 0;
    // After a refused Keep: another program changed those days meanwhile, so the log is read
    // again.
    virtual bool Outdated() const { return false; }
    // What the user hears once after a kept change, taken by the call: why it is kept in memory.
    virtual QString TakeNotice() { return {}; }
    // A change is waiting for the diary or being kept: the window must stay until it is over.
    virtual bool Writing() const { return false; }
};

// The diary store at path: opened, never made until the first change is kept. A store it may
// not change is reported once (OpeningProblem, with rows it cannot read) and the book then keeps
// in memory; so does one it cannot make, saying so after the first change.
class DiaryWeightBook final : public WeightBook {
  public:
    explicit DiaryWeightBook(const QString& path);
    ~DiaryWeightBook() override;

    QString OpeningProblem() const { return m_openingProblem; }

    QList<Weighing> Weighings() const override;
    std::optional<double> Goal() const override;
    bool Keep(const WeighingChange& change) override;
    bool KeepGoal(std::optional<double> goal) override;
    QString Problem() const override;
    std::optional<QList<DayKcal>> DailyIntake() const override;
    bool Outdated() const override { return m_outdated; }
    QString TakeNotice() override;
    bool Writing() const override;

  private:
    bool Ready(); // the store open for writing, made if it is missing; false keeps in memory

    std::unique_ptr<方法_卡路里计算器::DiaryStore> m_store;
    bool m_inMemory = false;
    bool m_outdated = false;
    QString m_openingProblem;
    QString m_notice;
};

// The latest weighing in the diary store at path, if there is a store and a weighing.
std::optional<double> LatestWeight(const QString& path);

} // namespace 方法_体重记录
