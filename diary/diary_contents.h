#pragma once
// Everything the diary holds, as plain values: what the whole diary's export writes and its
// import reads back.

#include "calorie/core/day_model.h"
#include "weight/core/weight_log.h"

#include <QDate>
#include <QList>
#include <QString>
#include <optional>

namespace 方法_卡路里计算器 {

struct SavedMeal {
    qint64 id = 0;
    QString name;
    QList<FoodEntry> foods;
    double Kcal() const; // the sum of its foods
};

struct DiaryDay {
    QDate date;
    DayMeals meals;
};

struct DiaryContents {
    QList<DiaryDay> days;                     // by date; only days with entries
    QList<SavedMeal> savedMeals;              // in the order they were saved
    QList<方法_体重记录::Weighing> weighings; // by date
    std::optional<double> goalKg;             // the weight log's goal
};

} // namespace 方法_卡路里计算器
