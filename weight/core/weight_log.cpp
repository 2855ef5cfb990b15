#include "weight/core/weight_log.h"

#include "body/core/input_rules.h"
#include "body/core/leading_number.h"
#include "frame/core/numbers.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace 方法_体重记录 {

std::optional<double> ParseKg(const QString& typed) {
    const FieldRule rule{Quantity::Weight, 0, MinKg, MaxKg};
    if (!FieldAccepts(rule, typed))
        return std::nullopt;
    const double kg = LeadingNumber(typed);
    if (RoundHalfEven(kg, 2) != kg)
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
    if (RoundHalfEven(rate, 1) == 0 || (down ? rate > 0 : rate < 0))
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

// One line of a CSV: fields split at the separator outside double quotes, "" inside them a quote.
QStringList Fields(const QString& line, QChar separator) {
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted && c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
            field += c;
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            fields.append(field.trimmed());
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field.trimmed());
    return fields;
}

// 2024-03-02, 2024/3/2, 2024.3.2, 2024年3月2日, with a time of day after it or not.
std::optional<QDate> ParseDate(const QString& text) {
    static const QRegularExpression date(QStringLiteral(
        "^(\\d{4})\\s*[-/.年]\\s*(\\d{1,2})\\s*[-/.月]\\s*(\\d{1,2})\\s*日?(?:[T\\s].*)?$"));
    const QRegularExpressionMatch match = date.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate day(match.captured(1).toInt(), match.captured(2).toInt(),
                    match.captured(3).toInt());
    return day.isValid() ? std::optional(day) : std::nullopt;
}

bool InPounds(const QString& text) {
    const QString lower = text.toLower();
    return lower.contains(QStringLiteral("lb")) || lower.contains(u'磅');
}

// A weight cell: a plain decimal number with or without a unit; a unit in the cell decides over
// the column's. Kilograms to two decimals.
std::optional<double> ParseWeight(const QString& text, bool pounds) {
    static const QRegularExpression weight(
        QStringLiteral("^\\+?(\\d+(?:\\.\\d*)?|\\.\\d+)\\s*(kgs?|公斤|千克|lbs?|磅)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = weight.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QString unit = match.captured(2);
    if (!unit.isEmpty())
        pounds = InPounds(unit);
    const double value = match.captured(1).toDouble();
    return RoundHalfEven(pounds ? value * KgPerPound : value, 2);
}

struct Columns {
    qsizetype date = 0;
    qsizetype weight = 1;
    bool pounds = false;
};

// The columns a heading row names; nothing when the row names no date column.
std::optional<Columns> ColumnsOf(const QStringList& heading) {
    auto find = [&heading](auto&& names) -> qsizetype {
        for (qsizetype i = 0; i < heading.size(); ++i)
            if (names(heading[i].toLower()))
                return i;
        return -1;
    };
    Columns columns;
    columns.date = find([](const QString& h) {
        return h.contains(QStringLiteral("日期")) || h.contains(QStringLiteral("date"));
    });
    if (columns.date < 0)
        return std::nullopt;
    columns.weight = find([](const QString& h) {
        return (h.contains(QStringLiteral("体重")) || h.contains(QStringLiteral("weight"))) &&
               !h.contains(QStringLiteral("趋势")) && !h.contains(QStringLiteral("trend"));
    });
    if (columns.weight < 0) // "Date,Mass": the first other column
        columns.weight = columns.date == 0 ? 1 : 0;
    columns.pounds = InPounds(heading.value(columns.weight));
    return columns;
}

} // namespace

CsvWeighings ParseCsv(const QByteArray& csv, QDate today) {
    CsvWeighings result;
    QString text = QString::fromUtf8(csv);
    if (text.startsWith(u'\uFEFF'))
        text.remove(0, 1);
    const QStringList lines = text.split(u'\n');
    const QString firstLine = lines.value(0);
    const QChar separator = firstLine.contains(u',')    ? u','
                            : firstLine.contains(u';')  ? u';'
                            : firstLine.contains(u'\t') ? u'\t'
                                                        : u',';
    Columns columns;
    qsizetype start = 0;
    if (const auto named = ColumnsOf(Fields(firstLine, separator))) {
        columns = *named;
        start = 1;
    }
    QList<QDate> seen;
    auto refuse = [&result](qsizetype line, const QString& why) {
        ++result.refused;
        result.reasons.append(QStringLiteral("第 %1 行：%2").arg(line + 1).arg(why));
    };
    for (qsizetype line = start; line < lines.size(); ++line) {
        QString content = lines[line];
        if (content.endsWith(u'\r'))
            content.chop(1);
        if (content.trimmed().isEmpty())
            continue;
        const QStringList fields = Fields(content, separator);
        const auto day = ParseDate(fields.value(columns.date));
        if (!day) {
            refuse(line, QStringLiteral("日期无法识别"));
            continue;
        }
        if (*day > today) {
            refuse(line, QStringLiteral("日期晚于今天"));
            continue;
        }
        const auto kg = ParseWeight(fields.value(columns.weight), columns.pounds);
        if (!kg) {
            refuse(line, QStringLiteral("体重不是数字"));
            continue;
        }
        if (*kg < MinKg || *kg > MaxKg) {
            refuse(line, QStringLiteral("体重不在 20 到 300 公斤之间"));
            continue;
        }
        if (seen.contains(*day)) {
            refuse(line, QStringLiteral("这一天在前面的行里已有体重"));
            continue;
        }
        seen.append(*day);
        result.weighings.append({*day, *kg});
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
