#include "weight/weight_chart.h"

#include "frame/core/numbers.h"

#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <cmath>

using namespace 方法_体重记录;

QList<DateTick> DateTicks(QDate first, QDate last, int width, int minSpacing) {
    enum Unit { Day, Week, Month, Year };
    struct Step {
        Unit unit;
        int count;
        int approxDays;
    };
    static constexpr Step steps[] = {
        {Day, 1, 1},    {Day, 2, 2},     {Week, 1, 7},     {Week, 2, 14},
        {Month, 1, 30}, {Month, 3, 91},  {Month, 6, 182},  {Year, 1, 365},
        {Year, 2, 730}, {Year, 5, 1826}, {Year, 10, 3652}, {Year, 50, 18262},
    };
    const qint64 span = std::max<qint64>(1, first.daysTo(last));
    Step step = steps[std::size(steps) - 1];
    for (const Step& candidate : steps) {
        if (double(span) / candidate.approxDays * minSpacing <= width) {
            step = candidate;
            break;
        }
    }
    QList<DateTick> ticks;
    auto dayLabel = [](QDate d) { return QStringLiteral("%1月%2日").arg(d.month()).arg(d.day()); };
    auto yearLabel = [](QDate d) { return QStringLiteral("%1年").arg(d.year()); };
    switch (step.unit) {
    case Day:
    case Week:
        for (QDate d = first; d <= last; d = d.addDays(1)) {
            const qint64 julian = d.toJulianDay();
            if (step.unit == Day ? julian % step.count == 0
                                 : d.dayOfWeek() == 1 && (julian / 7) % step.count == 0)
                ticks.append({d, dayLabel(d)});
        }
        break;
    case Month:
        for (QDate d(first.year(), first.month(), 1); d <= last; d = d.addMonths(1)) {
            if (d >= first && (d.month() - 1) % step.count == 0)
                ticks.append(
                    {d, d.month() == 1 ? yearLabel(d) : QStringLiteral("%1月").arg(d.month())});
        }
        break;
    case Year:
        for (QDate d(first.year(), 1, 1); d <= last; d = d.addYears(1)) {
            if (d >= first && d.year() % step.count == 0)
                ticks.append({d, yearLabel(d)});
        }
        break;
    }
    return ticks;
}

namespace {

// Where days and values land in the plotting area.
struct Plot {
    QRectF area;
    QDate from;
    double slots;  // how many day widths span the area
    double offset; // 0.5: a day is a slot's middle (bars); 0: its left edge (lines)
    double low;
    double high;

    double X(QDate day) const {
        return area.left() + (double(from.daysTo(day)) + offset) * area.width() / slots;
    }
    double Y(double value) const {
        return area.bottom() - (value - low) * area.height() / (high - low);
    }
};

// 1, 2 or 5 times a power of ten that cuts span into about count steps.
double NiceStep(double span, int count) {
    const double raw = span / count;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double factor : {1.0, 2.0, 5.0})
        if (raw <= factor * power)
            return factor * power;
    return 10 * power;
}

// Widens low and high to whole steps; returns the step.
double NiceRange(double& low, double& high, double leastSpan) {
    if (high - low < leastSpan) {
        const double middle = (low + high) / 2;
        low = middle - leastSpan / 2;
        high = middle + leastSpan / 2;
    }
    const double step = NiceStep(high - low, 4);
    low = std::floor(low / step) * step;
    high = std::ceil(high / step) * step;
    return step;
}

QColor Faded(QColor color, int alpha) {
    color.setAlpha(alpha);
    return color;
}

// The plotting area inside the widget, leaving room for the value labels at the left and the
// dates under it; the grid, the value labels and the dated axis.
Plot Frame(QPainter& painter, const QWidget& widget, QDate from, QDate to, double slots,
           double offset, double low, double high, double step) {
    const QFontMetrics metrics = widget.fontMetrics();
    const QPalette& palette = widget.palette();
    const int labelWidth = std::max(metrics.horizontalAdvance(FormatNumber(low)),
                                    metrics.horizontalAdvance(FormatNumber(high)));
    const QRectF area(labelWidth + 10, 10, widget.width() - labelWidth - 22,
                      widget.height() - metrics.height() - 18);
    const Plot plot{area, from, slots, offset, low, high};

    painter.setPen(QPen(Faded(palette.color(QPalette::Text), 40), 1));
    painter.setFont(widget.font());
    for (double value = low; value <= high + step / 2; value += step) {
        const double y = plot.Y(value);
        painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    painter.setPen(palette.color(QPalette::Text));
    for (double value = low; value <= high + step / 2; value += step) {
        const QRectF box(0, plot.Y(value) - metrics.height(), area.left() - 6,
                         2 * metrics.height());
        painter.drawText(box, Qt::AlignRight | Qt::AlignVCenter,
                         FormatNumber(RoundHalfEven(value, 2)));
    }
    painter.drawLine(area.bottomLeft(), area.bottomRight());
    const auto ticks = DateTicks(from, to, int(area.width()), metrics.horizontalAdvance(u'0') * 12);
    for (const DateTick& tick : ticks) {
        const double x = plot.X(tick.day);
        painter.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        const double half = metrics.horizontalAdvance(tick.label) / 2.0 + 2;
        const double middle = std::clamp(x, half, widget.width() - half);
        painter.drawText(QRectF(middle - half, area.bottom() + 5, 2 * half, metrics.height()),
                         Qt::AlignCenter, tick.label);
    }
    return plot;
}

void Empty(QPainter& painter, const QWidget& widget, const QString& text) {
    painter.setPen(widget.palette().color(QPalette::PlaceholderText));
    painter.drawText(widget.rect(), Qt::AlignCenter, text);
}

// A dashed line across the plot at value with its label above its left end.
void Level(QPainter& painter, const QWidget& widget, const Plot& plot, double value,
           const QString& label) {
    const QColor color = widget.palette().color(QPalette::Link);
    painter.setPen(QPen(color, 1.5, Qt::DashLine));
    const double y = plot.Y(value);
    painter.drawLine(QPointF(plot.area.left(), y), QPointF(plot.area.right(), y));
    painter.setPen(color);
    painter.drawText(QPointF(plot.area.left() + 4, y - 4), label);
}

QPixmap Dot(const QColor& color, double size, qreal ratio) {
    QPixmap dot(QSize(int(std::ceil(size * ratio)), int(std::ceil(size * ratio))));
    dot.setDevicePixelRatio(ratio);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, size, size));
    return dot;
}

} // namespace

WeightChart::WeightChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void WeightChart::SetData(const QList<Weighing>& weighings, const Trend& trend,
                          std::optional<double> goal) {
    m_weighings = weighings;
    m_trend = trend;
    m_goal = goal;
    update();
}

void WeightChart::SetRangeDays(int days) {
    m_days = days;
    update();
}

DayRange WeightChart::Range() const {
    const QDate to = m_weighings.constLast().day;
    // A range longer than the log shows the log: a new log does not sit in a corner.
    QDate from = std::max(m_days ? to.addDays(1 - m_days) : QDate(), m_weighings.constFirst().day);
    if (from.daysTo(to) < 6) // a week at least, so one weighing is not a lone dot on no axis
        from = to.addDays(-6);
    return {from, to};
}

void WeightChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    if (m_weighings.isEmpty()) {
        Empty(painter, *this, QStringLiteral("还没有体重记录"));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    const DayRange range = Range();
    const auto begin =
        std::lower_bound(m_weighings.cbegin(), m_weighings.cend(), range.from,
                         [](const Weighing& weighing, QDate day) { return weighing.day < day; });
    // The trend's days in range: it starts at the first weighing.
    const qsizetype firstTrend = std::max<qint64>(0, m_trend.first.daysTo(range.from));
    double low = m_goal.value_or(begin->kg);
    double high = low;
    for (auto w = begin; w != m_weighings.cend(); ++w) {
        low = std::min(low, w->kg);
        high = std::max(high, w->kg);
    }
    for (qsizetype i = firstTrend; i < m_trend.values.size(); ++i) {
        low = std::min(low, m_trend.values[i]);
        high = std::max(high, m_trend.values[i]);
    }
    const double step = NiceRange(low, high, 1);
    const Plot plot = Frame(painter, *this, range.from, range.to,
                            double(range.from.daysTo(range.to)), 0, low, high, step);
    painter.setClipRect(plot.area.adjusted(-4, -4, 4, 4));

    if (m_goal)
        Level(painter, *this, plot, *m_goal,
              QStringLiteral("目标 %1 公斤").arg(FormatNumber(*m_goal)));

    // One dot drawn once and copied to each weighing: years of them stay a few milliseconds.
    // Smaller where days are closer than the dots are wide.
    const double size = plot.area.width() / plot.slots >= 4 ? 5 : 3;
    const QPixmap dot = Dot(Faded(palette().color(QPalette::Text), 150), size, devicePixelRatioF());
    const QPointF centre(size / 2, size / 2);
    for (auto w = begin; w != m_weighings.cend(); ++w)
        painter.drawPixmap(QPointF(plot.X(w->day), plot.Y(w->kg)) - centre, dot);

    // The trend is smooth: a point every half pixel draws the same line as one a day.
    QPolygonF line;
    line.reserve(m_trend.values.size() - firstTrend);
    for (qsizetype i = firstTrend; i < m_trend.values.size(); ++i) {
        const QPointF point(plot.X(m_trend.first.addDays(i)), plot.Y(m_trend.values[i]));
        if (line.isEmpty() || point.x() - line.constLast().x() >= 0.5 ||
            i + 1 == m_trend.values.size())
            line.append(point);
    }
    painter.setPen(
        QPen(palette().color(QPalette::Highlight), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPolyline(line);
}

IntakeChart::IntakeChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void IntakeChart::SetData(const QList<DayKcal>& days, std::optional<int> target, QDate today) {
    m_days = days;
    std::sort(m_days.begin(), m_days.end(),
              [](const DayKcal& a, const DayKcal& b) { return a.day < b.day; });
    m_target = target;
    m_today = today;
    update();
}

void IntakeChart::SetRangeDays(int days) {
    m_rangeDays = days;
    update();
}

void IntakeChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const QDate to = m_today;
    QDate from = m_rangeDays ? to.addDays(1 - m_rangeDays)
                             : (m_days.isEmpty() ? to : std::min(m_days.constFirst().day, to));
    if (from.daysTo(to) < 6)
        from = to.addDays(-6);
    const auto begin = std::lower_bound(m_days.cbegin(), m_days.cend(), from,
                                        [](const DayKcal& day, QDate at) { return day.day < at; });
    double high = m_target.value_or(0);
    for (auto d = begin; d != m_days.cend() && d->day <= to; ++d)
        high = std::max(high, d->kcal);
    if (high <= 0) {
        Empty(painter, *this, QStringLiteral("这段时间没有饮食记录"));
        return;
    }
    painter.setRenderHint(QPainter::Antialiasing);
    double low = 0;
    high *= 1.1;
    const double step = NiceRange(low, high, 100);
    const double slots = double(from.daysTo(to) + 1);
    const Plot plot = Frame(painter, *this, from, to, slots, 0.5, low, high, step);
    const double width = std::max(1.0, plot.area.width() / slots * 0.7);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Faded(palette().color(QPalette::Highlight), 170));
    for (auto d = begin; d != m_days.cend() && d->day <= to; ++d) {
        const double x = plot.X(d->day);
        painter.drawRect(
            QRectF(x - width / 2, plot.Y(d->kcal), width, plot.area.bottom() - plot.Y(d->kcal)));
    }
    if (m_target)
        Level(painter, *this, plot, *m_target, QStringLiteral("每日目标 %1 大卡").arg(*m_target));
}
