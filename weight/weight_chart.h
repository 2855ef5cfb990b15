#pragma once
// The weight log's two charts, painted in logical coordinates with antialiasing so that they are
// sharp at any scale factor, in the palette's colours: the weighings as dots under the trend's
// line and the goal's dashed line, and each diary day's intake as a bar under the daily target.
// Both share a dated axis whose steps (days, weeks, months, years) keep the labels apart from a
// week to years.

#include "weight/core/weight_log.h"

#include <QWidget>
#include <optional>

class QPainter;

struct DateTick {
    QDate day;
    QString label;
};
// The ticks from first to last at least minSpacing pixels apart over width pixels.
QList<DateTick> DateTicks(QDate first, QDate last, int width, int minSpacing);

// The days a chart shows: the last `days` up to `last`; all from `first` when days is 0.
struct DayRange {
    QDate from;
    QDate to;
};

class WeightChart final : public QWidget {
  public:
    explicit WeightChart(QWidget* parent = nullptr);

    void SetData(const QList<方法_体重记录::Weighing>& weighings, const 方法_体重记录::Trend& trend,
                 std::optional<double> goal);
    // The last `days` days up to the last weighing; 0: from the first weighing.
    void SetRangeDays(int days);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    DayRange Range() const;

    QList<方法_体重记录::Weighing> m_weighings;
    方法_体重记录::Trend m_trend;
    std::optional<double> m_goal;
    int m_days = 0;
};

class IntakeChart final : public QWidget {
  public:
    explicit IntakeChart(QWidget* parent = nullptr);

    void SetData(const QList<方法_体重记录::DayKcal>& days, std::optional<int> target, QDate today);
    void SetRangeDays(int days);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QList<方法_体重记录::DayKcal> m_days; // sorted by day
    std::optional<int> m_target;
    QDate m_today;
    int m_rangeDays = 0;
};
