// The diary's entries as a CSV table: a row per entry, out and back in through Contents and
// Import.

#include "calorie/core/portion.h"
#include "diary/diary_store.h"
#include "frame/core/csv.h"
#include "frame/core/numbers.h"

#include <QMap>
#include <QSet>
#include <QStringDecoder>
#include <QtNumeric>
#include <cmath>

namespace 方法_卡路里计算器 {

namespace {

const QStringList CsvHeader{"日期", "餐次", "食物", "重量（克）", "热量（大卡）"};
constexpr int KeptReasons = 5;
constexpr double MaxKcal = 10000;

// A number field of the import: nothing when empty, NaN when not a number.
std::optional<double> NumberField(const QString& field) {
    if (field.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok ? value : qQNaN();
}

struct ImportRow {
    QString day;
    int meal = 0;
    FoodEntry entry;
};

// Why a row of the import is refused; empty when it is sound and row holds it.
QString RowProblem(const CsvRecord& record, ImportRow& row) {
    if (!record.closed)
        return QStringLiteral("引号没有配对");
    if (record.fields.size() != CsvHeader.size())
        return QStringLiteral("应有 %1 列，这一行有 %2 列")
            .arg(CsvHeader.size())
            .arg(record.fields.size());
    const QString day = record.fields[0].trimmed();
    if (day.size() != 10 || !QDate::fromString(day, Qt::ISODate).isValid())
        return QStringLiteral("日期“%1”无法识别").arg(day);
    const QString meal = record.fields[1].trimmed();
    if (!Meals.contains(meal))
        return QStringLiteral("餐次“%1”无法识别").arg(meal);
    const QString name = CsvText(record.fields[2]);
    if (name.trimmed().isEmpty())
        return QStringLiteral("没有食物名称");
    const QString gramsText = record.fields[3].trimmed();
    const std::optional<double> grams = NumberField(gramsText);
    if (grams && std::isnan(*grams))
        return QStringLiteral("重量“%1”不是数字").arg(gramsText);
    if (grams && !(*grams > 0 && *grams <= MaxGrams))
        return QStringLiteral("重量 %1 克不合理，应大于 0、不超过 %2").arg(gramsText).arg(MaxGrams);
    const QString kcalText = record.fields[4].trimmed();
    const std::optional<double> kcal = NumberField(kcalText);
    if (!kcal || std::isnan(*kcal))
        return QStringLiteral("热量“%1”不是数字").arg(kcalText);
    if (!(*kcal >= 0 && *kcal <= MaxKcal))
        return QStringLiteral("热量 %1 大卡不合理，应在 0 到 %2 之间").arg(kcalText).arg(MaxKcal);
    // Weighed again later in proportion to the weight it came with.
    row = {day, static_cast<int>(Meals.indexOf(meal)), {0, name, *kcal, grams, grams, *kcal}};
    return {};
}

} // namespace

QByteArray DiaryStore::ExportCsv() const {
    QString text = CsvHeader.join(u',') + QStringLiteral("\r\n");
    for (const DiaryDay& day : m_days.All()) {
        for (int meal = 0; meal < MealCount; ++meal) {
            for (const FoodEntry& food : day.meals[meal])
                text += day.date.toString(Qt::ISODate) + u',' + Meals[meal] + u',' +
                        CsvField(food.name) + u',' +
                        (food.grams ? FormatNumber(*food.grams) : QString()) + u',' +
                        FormatNumber(food.kcal) + QStringLiteral("\r\n");
        }
    }
    return "\xEF\xBB\xBF" + text.toUtf8();
}

ImportReport DiaryStore::ImportCsv(const QByteArray& csv) {
    ImportReport report;
    const auto failed = [&report](const QString& why) {
        report = {};
        report.failed = true;
        report.failure = why;
        return report;
    };
    if (!IsOpen())
        return failed(m_problem.isEmpty() ? QStringLiteral("日记没有打开。") : m_problem);
    QStringDecoder decoder(QStringDecoder::Utf8); // the byte-order mark is left out
    const QString text = decoder(csv);
    if (decoder.hasError())
        return failed(QStringLiteral("文件不是 UTF-8 编码的文字，无法读取。"));
    const QList<CsvRecord> records = CsvRecords(text);
    QStringList header;
    if (!records.isEmpty()) {
        for (const QString& field : records.first().fields)
            header << field.trimmed();
    }
    if (header != CsvHeader)
        return failed(
            QStringLiteral("表头不是日记的表头，第一行应是“%1”。").arg(CsvHeader.join(u',')));

    QMap<QString, DayMeals> days;
    QStringList reasons;
    int refused = 0;
    for (qsizetype i = 1; i < records.size(); ++i) {
        ImportRow row;
        const QString why = RowProblem(records[i], row);
        if (why.isEmpty()) {
            days[row.day][row.meal] << row.entry;
            continue;
        }
        if (reasons.size() < KeptReasons)
            reasons << QStringLiteral("第 %1 行：%2").arg(records[i].line).arg(why);
        ++refused;
    }
    DiaryContents contents;
    for (auto day = days.cbegin(); day != days.cend(); ++day)
        contents.days.append({QDate::fromString(day.key(), Qt::ISODate), day.value()});
    report = Import(contents);
    if (!report.failed) {
        report.refused += refused;
        report.reasons = reasons;
    }
    return report;
}

} // namespace 方法_卡路里计算器
