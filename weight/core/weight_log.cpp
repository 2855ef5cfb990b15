#include "weight/core/weight_log.h"

#include "body/core/input_rules.h"
#include "body/core/leading_number.h"
#include "frame/core/csv.h"
#include "frame/core/numbers.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace 方法_体重记录 {

bool IsSoundKg(double kg) {
    return std::isfinite(kg) && kg >= MinKg && kg <= MaxKg && RoundHalfEven(kg, 2) == kg;
}

std::optional<double> ParseKg(const QString& typed) {
    const FieldRule rule{Quantity::Weight, 0, MinKg, MaxKg};
    if (!FieldAccepts(rule, typed))
        return std::nullopt;
    const double kg = LeadingNumber(typed);
    if (!IsSoundKg(kg))
        return std::nullopt;
    return kg;
}

QString KgRefusal(const QString& field) {
    return QStringLiteral("请正确填写您的“%1”！（20 到 300 公斤，最多两位小数）").arg(field);
}

QString Kg(double kg) {
    return FormatNumber(RoundHalfEven(kg, 1));
}

QString ChineseDate(QDate day) {
    return QStringLiteral("%1年%2月%3日").arg(day.year()).arg(day.month()).arg(day.day());
}

QList<double> DailyWeights(const QList<Weighing>& weighings) {
    QList<double> weights;
    if (weighings.isEmpty())
        return weights;
    weights.reserve(weighings.constFirst().day.daysTo(weighings.constLast().day) + 1);
    for (qsizetype i = 0; i + 1 < weighings.size(); ++i) {
        const Weighing& from = weighings[i];
        const Weighing& to = weighings[i + 1];
        const qint64 gap = from.day.daysTo(to.day);
        for (qint64 step = 0; step < gap; ++step)
            weights.append(from.kg + (to.kg - from.kg) * double(step) / double(gap));
    }
    weights.append(weighings.constLast().kg);
    return weights;
}

namespace {

// The least-squares slope of the values against their index, per index step.
double Slope(const double* values, qsizetype count) {
    const double meanX = double(count - 1) / 2;
    double meanY = 0;
    for (qsizetype i = 0; i < count; ++i)
        meanY += values[i];
    meanY /= double(count);
    double sxy = 0;
    double sxx = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const double dx = double(i) - meanX;
        sxy += dx * (values[i] - meanY);
        sxx += dx * dx;
    }
    return sxy / sxx;
}

} // namespace

Trend TrendOf(const QList<Weighing>& weighings) {
    Trend trend;
    if (weighings.isEmpty())
        return trend;
    trend.first = weighings.constFirst().day;
    const QList<double> weights = DailyWeights(weighings);
    trend.values.reserve(weights.size());
    double value = weights.constFirst(); // so the first day's step is none
    for (double weight : weights) {
        value += 0.1 * (weight - value);
        trend.values.append(value);
    }
    if (trend.values.size() >= RateSpanDays) {
        const qsizetype count = std::min<qsizetype>(trend.values.size(), RateWindowDays);
        trend.weeklyRate = 7 * Slope(trend.values.constData() + trend.values.size() - count, count);
    }
    return trend;
}

QString ForecastText(const Trend& trend, double goal, QDate today) {
    if (trend.IsEmpty() || !trend.weeklyRate)
        return {};
    if (trend.Last().daysTo(today) > StaleDays)
        return QStringLiteral("最近一次称重是在 %1，请先称重再预计").arg(ChineseDate(trend.Last()));
    const double now = trend.Latest();
    // As the line shows both: a trend of 69.7 is at a goal of 69.68.
    if (RoundHalfEven(now, 1) == RoundHalfEven(goal, 1))
        return QStringLiteral("已达到目标体重");
    const double rate = *trend.weeklyRate;
    const bool down = goal < now;
    // A rate shown as 0 is flat: it would put the day decades away.
    const bool flat = RoundHalfEven(rate, 1) == 0;
    // Under the goal and not climbing back: what is true whichever way the goal was meant.
    if (!down && (flat || rate < 0))
        return QStringLiteral("已低于目标体重");
    if (flat || (down && rate > 0))
        return QStringLiteral("按目前趋势，不会达到目标体重");
    const auto days = qint64(std::ceil((goal - now) / (rate / 7)));
    return QStringLiteral("按目前趋势，预计 %1 达到 %2 公斤")
        .arg(ChineseDate(today.addDays(days)), FormatNumber(goal));
}

QString SummaryText(const Trend& trend, std::optional<double> goal, QDate today) {
    if (trend.IsEmpty())
        return QStringLiteral("还没有体重记录");
    QString text = QStringLiteral("趋势 %1 公斤").arg(Kg(trend.Latest()));
    if (trend.weeklyRate) {
        text += QStringLiteral("，每周 %1 公斤").arg(Kg(*trend.weeklyRate));
        if (goal)
            text += QStringLiteral("；") + ForecastText(trend, *goal, today);
    }
    return text;
}

QByteArray ExportCsv(const QList<Weighing>& weighings, const Trend& trend) {
    QString text = QStringLiteral("\uFEFF日期,体重（公斤）,趋势（公斤）\r\n");
    for (const Weighing& weighing : weighings)
        text += QStringLiteral("%1,%2,%3\r\n")
                    .arg(weighing.day.toString(Qt::ISODate), FormatNumber(weighing.kg),
                         Kg(trend.At(weighing.day)));
    return text.toUtf8();
}

namespace {

// 2024-03-02, 2024/3/2, 2024.3.2, 2024年3月2日, with a time of day after it or not.
std::optional<QDate> ParseDate(const QString& text) {
    static const QRegularExpression date(QStringLiteral(
        "^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?(?:[T\\s].*)?$"));
    const QRegularExpressionMatch match = date.match(text.trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day(match.captured(1).toInt(), match.captured(2).toInt(),
                    match.captured(3).toInt());
    return day.isValid() ? std::optional(day) : std::nullopt;
}

enum class Unit { Kilograms, Pounds, Unclear };

// "Weight (lb)" is "Weight" and "lb"; "体重（公斤）" is "体重" and "公斤".
std::pair<QString, QString> NameAndUnit(const QString& heading) {
    static const QRegularExpression bracketed(
        QStringLiteral("^(.*?)\\s*[(（\\[]\\s*(.*?)\\s*[)）\\]]$"));
    const QString trimmed = heading.trimmed().toLower();
    const QRegularExpressionMatch match = bracketed.match(trimmed);
    if (!match.hasMatch())
        return {trimmed, {}};
    return {match.captured(1), match.captured(2)};
}

// A heading without a unit means kilograms, as this log's own export and a plain "Date,Weight"
// do; a unit other than kilograms or pounds ("st", "斤") is not guessed at.
Unit UnitOf(const QString& heading) {
    const QString lower = heading.toLower();
    const bool pounds = lower.contains(QStringLiteral("lb")) || lower.contains(u'磅') ||
                        lower.contains(QStringLiteral("pound"));
    const bool kilograms =
        lower.contains(QStringLiteral("kg")) || lower.contains(QStringLiteral("公斤")) ||
        lower.contains(QStringLiteral("千克")) || lower.contains(QStringLiteral("kilo"));
    if (pounds != kilograms)
        return pounds ? Unit::Pounds : Unit::Kilograms;
    return pounds || !NameAndUnit(heading).second.isEmpty() ? Unit::Unclear : Unit::Kilograms;
}

struct Cell {
    double value = 0;
    std::optional<Unit> unit; // the cell's own, which decides over the column's
};

// A plain decimal number with or without a unit; a decimal comma where ',' does not separate.
std::optional<Cell> ParseWeight(QString text, QChar separator) {
    static const QRegularExpression weight(
        QStringLiteral("^\\+?(\\d+(?:\\.\\d*)?|\\.\\d+)\\s*(kgs?|公斤|千克|lbs?|磅)?$"),
        QRegularExpression::CaseInsensitiveOption);
    text = text.trimmed();
    if (separator != u',')
        text.replace(u',', u'.');
    const QRegularExpressionMatch match = weight.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    Cell cell{match.captured(1).toDouble(), std::nullopt};
    if (!match.captured(2).isEmpty())
        cell.unit = UnitOf(match.captured(2));
    return cell;
}

struct Columns {
    qsizetype date = 0;
    qsizetype weight = 1;
    Unit unit = Unit::Kilograms;
    QString heading; // the weight column's; empty without a heading row
};

// The columns a heading row names; nothing when the row names no date column or holds a date.
std::optional<Columns> ColumnsOf(const QStringList& heading) {
    static const QRegularExpression dateWord(QStringLiteral("\\bdate"));
    static const QRegularExpression timeWord(QStringLiteral("\\btime"));
    if (heading.size() < 2 || std::any_of(heading.cbegin(), heading.cend(), [](const QString& h) {
            return ParseDate(h).has_value();
        }))
        return std::nullopt;
    qsizetype date = -1;
    qsizetype time = -1; // "时间,体重": the date column when none says date
    qsizetype exact = -1;
    qsizetype loose = -1;
    for (qsizetype i = 0; i < heading.size(); ++i) {
        const QString name = NameAndUnit(heading[i]).first;
        if (name.contains(QStringLiteral("日期")) || dateWord.match(name).hasMatch()) {
            date = date < 0 ? i : date;
        } else if (name.contains(QStringLiteral("时间")) || timeWord.match(name).hasMatch()) {
            time = time < 0 ? i : time;
        } else if (name == QStringLiteral("体重") || name == QStringLiteral("weight") ||
                   name == QStringLiteral("body weight")) {
            exact = exact < 0 ? i : exact;
        } else if ((name.contains(QStringLiteral("体重")) ||
                    name.contains(QStringLiteral("weight"))) &&
                   !name.contains(QStringLiteral("趋势")) &&
                   !name.contains(QStringLiteral("trend"))) {
            loose = loose < 0 ? i : loose; // "Lean weight", "Weight lbs"
        }
    }
    Columns columns;
    columns.date = date >= 0 ? date : time;
    if (columns.date < 0)
        return std::nullopt;
    columns.weight = exact >= 0 ? exact : loose >= 0 ? loose : columns.date == 0 ? 1 : 0;
    columns.heading = heading[columns.weight].trimmed();
    columns.unit = UnitOf(columns.heading);
    return columns;
}

// How a file lays out its weighings: a title and Excel's "sep=;" may come before the heading.
struct Layout {
    QChar separator = u',';
    qsizetype skip = 0; // records before the weighings
    Columns columns;
};

constexpr int HeadingLines = 5;

// ",,," is how a spreadsheet writes an empty row.
bool Blank(const CsvRecord& record) {
    return std::all_of(record.fields.cbegin(), record.fields.cend(),
                       [](const QString& field) { return field.trimmed().isEmpty(); });
}

Layout LayoutOf(const QString& text) {
    qsizetype end = 0;
    for (int line = 0; line <= HeadingLines && end >= 0; ++line)
        end = text.indexOf(u'\n', end + (line ? 1 : 0));
    const QString head = end < 0 ? text : text.left(end + 1);
    static const QRegularExpression sepLine(QStringLiteral("^sep=([^\"\\r\\n])\\r?(\\n|$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch sep = sepLine.match(head);
    const QList<QChar> separators =
        sep.hasMatch() ? QList<QChar>{sep.captured(1).front()} : QList<QChar>{u',', u';', u'\t'};
    const qsizetype first = sep.hasMatch() ? 1 : 0;
    for (QChar separator : separators) {
        const QList<CsvRecord> records = CsvRecords(head, separator);
        for (qsizetype i = first; i < std::min<qsizetype>(records.size(), first + HeadingLines);
             ++i)
            if (const auto columns = ColumnsOf(records[i].fields))
                return {separator, i + 1, *columns};
    }
    // No heading: the date and the weight are the first two columns of the first dated line; a
    // line above it, a title, may have named a unit.
    for (QChar separator : separators) {
        const QList<CsvRecord> records = CsvRecords(head, separator);
        bool titled = false;
        for (qsizetype i = first; i < records.size(); ++i) {
            if (records[i].fields.size() >= 2 && ParseDate(records[i].fields[0])) {
                Layout layout{separator, first, {}};
                layout.columns.unit = titled ? Unit::Unclear : Unit::Kilograms;
                return layout;
            }
            titled = titled || !Blank(records[i]);
        }
    }
    Layout layout{separators.constFirst(), first, {}};
    layout.columns.unit = Unit::Unclear;
    return layout;
}

} // namespace

CsvWeighings ParseCsv(const QByteArray& csv, QDate today) {
    CsvWeighings result;
    QString text = QString::fromUtf8(csv);
    if (text.startsWith(u'\uFEFF'))
        text.remove(0, 1);
    const Layout layout = LayoutOf(text);
    const Columns& columns = layout.columns;
    const QList<CsvRecord> records = CsvRecords(text, layout.separator);
    QList<QDate> seen;
    auto refuse = [&result](const CsvRecord& record, const QString& why) {
        ++result.refused;
        result.reasons.append(QStringLiteral("第 %1 行：%2").arg(record.line).arg(why));
    };
    for (qsizetype i = layout.skip; i < records.size(); ++i) {
        const CsvRecord& record = records[i];
        if (Blank(record))
            continue;
        const auto day = ParseDate(record.fields.value(columns.date));
        if (!day) {
            refuse(record, QStringLiteral("日期无法识别"));
            continue;
        }
        if (*day > today) {
            refuse(record, QStringLiteral("日期晚于今天"));
            continue;
        }
        const auto cell = ParseWeight(record.fields.value(columns.weight), layout.separator);
        if (!cell) {
            refuse(record, QStringLiteral("体重不是数字"));
            continue;
        }
        const Unit unit = cell->unit.value_or(columns.unit);
        if (unit == Unit::Unclear) {
            refuse(record, columns.heading.isEmpty()
                               ? QStringLiteral("没有表头，看不出体重是公斤还是磅")
                               : QStringLiteral("看不出“%1”是公斤还是磅").arg(columns.heading));
            continue;
        }
        const double kg =
            RoundHalfEven(unit == Unit::Pounds ? cell->value * KgPerPound : cell->value, 2);
        if (kg < MinKg || kg > MaxKg) {
            refuse(record, QStringLiteral("体重不在 20 到 300 公斤之间"));
            continue;
        }
        if (seen.contains(*day)) {
            refuse(record, QStringLiteral("这一天在前面的行里已有体重"));
            continue;
        }
        seen.append(*day);
        result.weighings.append({*day, kg});
    }
    return result;
}

QString AverageText(const QList<DayKcal>& days, QDate today) {
    double sum = 0;
    int count = 0;
    for (const DayKcal& day : days) {
        if (day.day <= today && day.day.daysTo(today) < 7) {
            sum += day.kcal;
            ++count;
        }
    }
    if (count == 0)
        return QStringLiteral("近 7 天没有饮食记录");
    return QStringLiteral("近 7 天平均 %1 大卡").arg(FormatNumber(RoundHalfEven(sum / count)));
}

namespace {

bool Earlier(const Weighing& weighing, QDate day) {
    return weighing.day < day;
}

WeighingChange Inverse(const WeighingChange& change) {
    WeighingChange inverse;
    inverse.reserve(change.size());
    for (auto edit = change.crbegin(); edit != change.crend(); ++edit)
        inverse.append({edit->day, edit->after, edit->before});
    return inverse;
}

} // namespace

WeightLog::WeightLog() : m_history(Inverse) {}

void WeightLog::Reset(QList<Weighing> weighings) {
    std::sort(weighings.begin(), weighings.end(),
              [](const Weighing& a, const Weighing& b) { return a.day < b.day; });
    m_weighings = std::move(weighings);
    m_history.Clear();
}

std::optional<double> WeightLog::WeightOn(QDate day) const {
    const auto at = std::lower_bound(m_weighings.cbegin(), m_weighings.cend(), day, Earlier);
    if (at == m_weighings.cend() || at->day != day)
        return std::nullopt;
    return at->kg;
}

WeighingChange WeightLog::Recording(QDate day, double kg) const {
    return {{day, WeightOn(day), kg}};
}

WeighingChange WeightLog::Removing(QDate day) const {
    const auto kg = WeightOn(day);
    return kg ? WeighingChange{{day, kg, std::nullopt}} : WeighingChange{};
}

WeighingChange WeightLog::Adding(const QList<Weighing>& weighings, int* skipped) const {
    WeighingChange change;
    *skipped = 0;
    for (const Weighing& weighing : weighings) {
        if (WeightOn(weighing.day))
            ++*skipped;
        else
            change.append({weighing.day, std::nullopt, weighing.kg});
    }
    return change;
}

void WeightLog::Apply(const WeighingChange& change) {
    for (const WeighingEdit& edit : change) {
        const auto at = std::lower_bound(m_weighings.begin(), m_weighings.end(), edit.day, Earlier);
        const bool there = at != m_weighings.end() && at->day == edit.day;
        if (!edit.after) {
            if (there)
                m_weighings.erase(at);
        } else if (there) {
            at->kg = *edit.after;
        } else {
            m_weighings.insert(at, {edit.day, *edit.after});
        }
    }
}

bool WeightLog::Do(WeighingChange change, const Keeper& keep) {
    return m_history.Do(std::move(change), keep,
                        [this](const WeighingChange& done) { Apply(done); });
}

bool WeightLog::Undo(const Keeper& keep) {
    return m_history.Undo(keep, [this](const WeighingChange& done) { Apply(done); }).has_value();
}

bool WeightLog::Redo(const Keeper& keep) {
    return m_history.Redo(keep, [this](const WeighingChange& done) { Apply(done); }).has_value();
}

} // namespace 方法_体重记录
