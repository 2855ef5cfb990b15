#pragma once
// The weight log's arithmetic, Qt Core only. The scale's daily number jumps by a kilogram with
// water and food; what the log shows is the trend under it. Days without a weighing take the
// weight on a straight line between the weighings around them; the trend starts at the first
// weight and moves a tenth of the way to each day's weight; its least-squares slope over the
// last four weeks is the weekly rate, and with a goal it gives the day the goal is reached.
//
// The log itself is a model like the calorie window's day: each user command is a change that a
// keeper saves first (the diary store) and only then applies; each is one step to undo.

#include "frame/core/undo_history.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace 方法_体重记录 {

inline constexpr double MinKg = 20;
inline constexpr double MaxKg = 300;
inline constexpr double KgPerPound = 0.45359237;

struct Weighing {
    QDate day;
    double kg = 0;
    friend bool operator==(const Weighing&, const Weighing&) = default;
};

// A weight the log takes, the goal's as well: 20 to 300 kg with at most two decimals.
bool IsSoundKg(double kg);
// A typed weight: read as the body calculators read theirs (leading number, full-width digits),
// then IsSoundKg.
std::optional<double> ParseKg(const QString& typed);
// The one message for a refused weight, naming the field ("体重", "目标体重").
QString KgRefusal(const QString& field);

// Figures as the log shows them: to 0.1 kg, an exact half to the even neighbour.
QString Kg(double kg);
// "2027年3月2日"
QString ChineseDate(QDate day);

// How many days the weighings must span, first and last day included, before a rate is shown:
// a week of daily weighings is the least that says anything about a week.
inline constexpr int RateSpanDays = 7;
// The days the rate is fitted over.
inline constexpr int RateWindowDays = 28;

struct Trend {
    QDate first;                      // the day of values[0]: the first weighing
    QList<double> values;             // the trend of each day, from the first weighing to the last
    std::optional<double> weeklyRate; // kg a week, once the weighings span RateSpanDays

    bool IsEmpty() const { return values.isEmpty(); }
    QDate Last() const { return first.addDays(values.size() - 1); }
    double Latest() const { return values.constLast(); }
    // The trend on a day from the first weighing to the last.
    double At(QDate day) const { return values[first.daysTo(day)]; }
};

// weighings: sorted by day, one a day. The weight of each day from the first to the last.
QList<double> DailyWeights(const QList<Weighing>& weighings);
Trend TrendOf(const QList<Weighing>& weighings);

// A trend whose last weighing is older than this says nothing about today.
inline constexpr int StaleDays = 7;

// A goal below the trend is reached going down, one above it going up; the day is counted from
// today. "按目前趋势，预计 2027年3月2日 达到 65 公斤", "按目前趋势，不会达到目标体重",
// "已达到目标体重" (the trend at the goal to 0.1 kg) or, after StaleDays without a weighing,
// "最近一次称重是在 2024年1月6日，请先称重再预计"; nothing without a rate.
QString ForecastText(const Trend& trend, double goal, QDate today);
// "趋势 72.4 公斤，每周 -0.4 公斤；<forecast>", the rate and forecast only once there is a rate.
QString SummaryText(const Trend& trend, std::optional<double> goal, QDate today);

// UTF-8 with a byte-order mark, CR LF: 日期,体重（公斤）,趋势（公斤）, a row per weighing.
QByteArray ExportCsv(const QList<Weighing>& weighings, const Trend& trend);

// A CSV of weighings as this log or another tracker writes it, separated by ',', ';' or tabs or
// as Excel's "sep=X" line says. A date column and a weight column are found by their headings
// ("日期"/"Date", else "时间"/"Time"; "体重"/"Weight", the exact name before one that merely
// holds it) in the first five lines, titles above them left out; without a heading they are the
// first two columns.
// Pounds when the heading says "lb" or "磅"; a weight without a unit is refused when neither the
// heading nor the cell tells kilograms from pounds. Dates YYYY-MM-DD or YYYY/M/D.
struct CsvWeighings {
    QList<Weighing> weighings; // in the file's order, one a day
    int refused = 0;
    QStringList reasons; // "第 3 行：日期无法识别", one per refused row
};
CsvWeighings ParseCsv(const QByteArray& csv, QDate today);

// A diary day's total intake.
struct DayKcal {
    QDate day;
    double kcal = 0;
};
// "近 7 天平均 1850 大卡": the mean over the days with entries among today and the six before it,
// whole kilocalories; "近 7 天没有饮食记录" without any.
QString AverageText(const QList<DayKcal>& days, QDate today);

// One command's edits: a day's weight before and after (none: no weighing that day).
struct WeighingEdit {
    QDate day;
    std::optional<double> before;
    std::optional<double> after;
};
using WeighingChange = QList<WeighingEdit>;

class WeightLog {
  public:
    // Saves a change before the log takes it; false leaves the log as it was.
    using Keeper = std::function<bool(const WeighingChange& change)>;

    WeightLog();

    // The kept weighings, in any order; the undo history starts anew.
    void Reset(QList<Weighing> weighings);
    const QList<Weighing>& Weighings() const { return m_weighings; }
    std::optional<double> WeightOn(QDate day) const;

    WeighingChange Recording(QDate day, double kg) const;
    WeighingChange Removing(QDate day) const;
    // The weighings of days the log has no weighing for; *skipped counts the others.
    WeighingChange Adding(const QList<Weighing>& weighings, int* skipped) const;

    bool Do(WeighingChange change, const Keeper& keep);
    bool CanUndo() const { return m_history.CanUndo(); }
    bool CanRedo() const { return m_history.CanRedo(); }
    bool Undo(const Keeper& keep);
    bool Redo(const Keeper& keep);

  private:
    void Apply(const WeighingChange& change);

    QList<Weighing> m_weighings; // sorted by day
    UndoHistory<WeighingChange> m_history;
};

} // namespace 方法_体重记录
