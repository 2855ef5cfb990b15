#pragma once
// The diary's settings: whether every change of the calorie window is kept.

#include "calorie/core/day_model.h"

#include <QDate>

namespace 方法_卡路里计算器 {

class DiaryStore;

class DiarySettings {
  public:
    explicit DiarySettings(DiaryStore& store) : m_store(store) {}

    bool DiaryOn() const;
    bool SetDiaryOn(bool on);
    // Turns the diary on and keeps the change to that day with it, in one transaction; the
    // inserted entries get their ids.
    bool TurnOnWith(QDate day, Change& joining);

  private:
    DiaryStore& m_store;
};

} // namespace 方法_卡路里计算器
