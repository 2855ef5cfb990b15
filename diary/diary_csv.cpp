#include "diary/diary_csv.h"

#include "calorie/core/day_model.h"
#include "frame/core/csv.h"
#include "frame/core/numbers.h"

#include <QHash>
#include <QMap>
#include <QStringDecoder>
#include <algorithm>

namespace 方法_卡路里计算器 {

namespace {

enum Column {
    Kind,
    Date,
    Meal,
    Food,
    ListedKcal,
    Quantity,
    Grams,
    Kcal,
    Kg,
    Protein,
    Fat,
    Carbohydrate,
    Portion,
    PortionCount,
    ColumnCount
};

// A food's nutrients per 100 g, as the entry keeps them, in the last three columns.
const QStringList Header{"类型",
                         "日期",
                         "餐次/常用餐名",
                         "食物",
                         "标示热量（大卡）",
                         "标示重量（克）",
                         "重量（克）",
                         "热量（大卡）",
                         "体重（公斤）",
                         "蛋白质（克/100克）",
                         "脂肪（克/100克）",
                         "碳水化合物（克/100克）",
                         "份量",
                         "份量数"};
// The table before the named portions, and before the nutrients.
const QStringList HeaderWithoutPortions = Header.mid(0, Carbohydrate + 1);
const QStringList HeaderWithoutNutrients = Header.mid(0, Kg + 1);
// The first diaries' table: an entry per row, its grams and kcal.
const QStringList FirstHeader{"日期", "餐次", "食物", "重量（克）", "热量（大卡）"};

const QString EntryRow = QStringLiteral("餐单");
const QString SavedMealRow = QStringLiteral("常用餐");
const QString WeighingRow = QStringLiteral("体重");
const QString GoalRow = QStringLiteral("目标体重");

constexpr int KeptReasons = 5;

QString Number(std::optional<double> x) {
    return x ? FormatNumber(*x) : QString();
}

QString Line(QStringList cells) {
    cells.resize(ColumnCount);
    return cells.join(u',') + QStringLiteral("\r\n");
}

QString EntryLine(const QString& kind, const QString& date, const QString& meal,
                  const FoodEntry& entry) {
    QStringList cells{kind,
                      date,
                      CsvField(meal),
                      CsvField(entry.name),
                      FormatNumber(entry.listedKcal),
                      Number(entry.quantity),
                      Number(entry.grams),
                      FormatNumber(entry.kcal),
                      QString()};
    if (const auto& macros = entry.per100g)
        cells << FormatNumber(macros->protein) << FormatNumber(macros->fat)
              << FormatNumber(macros->carbohydrate);
    if (!entry.portion.isEmpty()) {
        cells.resize(Portion);
        cells << CsvField(entry.portion) << FormatNumber(entry.portionCount);
    }
    return Line(cells);
}

QString KgLine(const QString& kind, const QString& date, double kg) {
    QStringList cells{kind, date};
    cells.resize(ColumnCount);
    cells[Kg] = FormatNumber(kg);
    return Line(cells);
}

std::optional<QDate> DayOf(const QString& cell) {
    const QString text = cell.trimmed();
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (text.size() != 10 || !day.isValid())
        return std::nullopt;
    return day;
}

// A number cell: false when it holds something that is not a number; value is empty when it is.
bool ReadNumber(const QString& cell, std::optional<double>& value) {
    value.reset();
    const QString text = cell.trimmed();
    if (text.isEmpty())
        return true;
    bool ok = false;
    const double x = text.toDouble(&ok);
    if (ok)
        value = x;
    return ok;
}

// Why the named portion a food was placed by ("2" of "碗") is refused; empty when entry holds it,
// or none was given.
QString PortionProblem(const QStringList& cells, FoodEntry& entry) {
    const QString name = CsvText(cells[Portion]).trimmed();
    std::optional<double> count;
    if (name.isEmpty() && cells[PortionCount].trimmed().isEmpty())
        return {};
    if (ReadNumber(cells[PortionCount], count) && count && !name.isEmpty()) {
        entry.portion = name;
        entry.portionCount = *count;
        if (IsSoundPortion(entry))
            return {};
    }
    return QStringLiteral("份量“%1%2”不合理").arg(cells[PortionCount].trimmed(), name);
}

// Why a row's nutrients are refused; empty when entry holds them, or none were given.
QString NutrientProblem(const QStringList& cells, FoodEntry& entry) {
    std::optional<double> figures[3];
    int given = 0;
    for (int i = 0; i < 3; ++i) {
        const QString& cell = cells[Protein + i];
        if (!ReadNumber(cell, figures[i]))
            return QStringLiteral("营养素“%1”不是数字").arg(cell.trimmed());
        given += figures[i].has_value();
    }
    if (given == 0)
        return {};
    if (given < 3)
        return QStringLiteral("蛋白质、脂肪和碳水化合物应一起填写");
    entry.per100g = Macros{*figures[0], *figures[1], *figures[2]};
    if (!IsSoundPer100g(*entry.per100g))
        return QStringLiteral("食物“%1”的营养素不合理，每100克应在 0 到 100 克之间")
            .arg(entry.name);
    return {};
}

// Why a row's entry is refused; empty when entry holds it.
QString EntryProblem(const QStringList& cells, FoodEntry& entry) {
    entry = {};
    entry.name = CsvText(cells[Food]);
    if (entry.name.trimmed().isEmpty())
        return QStringLiteral("没有食物名称");
    struct Field {
        Column column;
        const char* label;
        std::optional<double>* value;
    };
    std::optional<double> listedKcal, kcal;
    for (const Field& field :
         {Field{ListedKcal, "标示热量", &listedKcal}, Field{Quantity, "标示重量", &entry.quantity},
          Field{Grams, "重量", &entry.grams}, Field{Kcal, "热量", &kcal}}) {
        if (!ReadNumber(cells[field.column], *field.value))
            return QStringLiteral("%1“%2”不是数字")
                .arg(QString::fromUtf8(field.label), cells[field.column].trimmed());
    }
    if (!listedKcal || !kcal)
        return QStringLiteral("没有%1").arg(listedKcal ? QStringLiteral("热量")
                                                       : QStringLiteral("标示热量"));
    entry.listedKcal = *listedKcal;
    entry.kcal = *kcal;
    if (!IsSoundEntry(entry))
        return QStringLiteral("食物“%1”的热量或重量不合理").arg(entry.name);
    if (const QString why = PortionProblem(cells, entry); !why.isEmpty())
        return why;
    return NutrientProblem(cells, entry);
}

// Why a weight is refused (the weight log's rule); empty when kg holds it.
QString KgProblem(const QString& cell, const QString& label, double& kg) {
    std::optional<double> value;
    if (!ReadNumber(cell, value))
        return QStringLiteral("%1“%2”不是数字").arg(label, cell.trimmed());
    if (!value)
        return QStringLiteral("没有%1").arg(label);
    if (!方法_体重记录::IsSoundKg(*value))
        return QStringLiteral("%1 %2 公斤不合理，应在 20 到 300 之间，最多两位小数")
            .arg(label, cell.trimmed());
    kg = *value;
    return {};
}

// Rows that are read whole or not at all: a day's entries, a saved meal's foods.
struct Group {
    int rows = 0;
    bool refused = false;
};

class Reader {
  public:
    // cells: the row in this table's columns; broken: why the row as a whole cannot be trusted.
    void Read(int line, const QStringList& cells, const QString& broken);
    ParsedDiary Result();

  private:
    void Note(int line, const QString& why);
    void Refuse(int line, const QString& why);
    void RefuseIn(Group& group, int line, const QString& why, const QString& whole);
    void ReadEntry(int line, const QStringList& cells, const QString& broken);
    void ReadSavedFood(int line, const QStringList& cells, const QString& broken);
    void ReadKg(int line, const QStringList& cells, const QString& broken);

    ParsedDiary m_result;
    QMap<QDate, DayMeals> m_days;
    QMap<QDate, Group> m_dayGroups;
    QList<SavedMeal> m_meals;
    QList<Group> m_mealGroups;
    QHash<QString, qsizetype> m_mealIndex;
};

void Reader::Note(int line, const QString& why) {
    if (m_result.reasons.size() < KeptReasons)
        m_result.reasons << QStringLiteral("第 %1 行：%2").arg(line).arg(why);
}

void Reader::Refuse(int line, const QString& why) {
    ++m_result.refused;
    Note(line, why);
}

void Reader::RefuseIn(Group& group, int line, const QString& why, const QString& whole) {
    group.refused = true;
    Note(line, QStringLiteral("%1（%2没有导入）").arg(why, whole));
}

void Reader::Read(int line, const QStringList& cells, const QString& broken) {
    const QString kind = cells[Kind].trimmed();
    if (kind == EntryRow)
        ReadEntry(line, cells, broken);
    else if (kind == SavedMealRow)
        ReadSavedFood(line, cells, broken);
    else if (kind == WeighingRow || kind == GoalRow)
        ReadKg(line, cells, broken);
    else
        Refuse(line, broken.isEmpty() ? QStringLiteral("类型“%1”无法识别").arg(kind) : broken);
}

void Reader::ReadEntry(int line, const QStringList& cells, const QString& broken) {
    const std::optional<QDate> day = DayOf(cells[Date]);
    if (!day)
        return Refuse(line, broken.isEmpty() ? QStringLiteral("日期无法识别") : broken);
    Group& group = m_dayGroups[*day];
    ++group.rows;
    const QString whole = day->toString(Qt::ISODate) + QStringLiteral(" 这一天");
    if (!broken.isEmpty())
        return RefuseIn(group, line, broken, whole);
    const QString meal = cells[Meal].trimmed();
    const qsizetype index = Meals.indexOf(meal);
    if (index < 0)
        return RefuseIn(group, line, QStringLiteral("餐次“%1”无法识别").arg(meal), whole);
    FoodEntry entry;
    if (const QString why = EntryProblem(cells, entry); !why.isEmpty())
        return RefuseIn(group, line, why, whole);
    m_days[*day][index] << entry;
}

void Reader::ReadSavedFood(int line, const QStringList& cells, const QString& broken) {
    const QString name = CsvText(cells[Meal]);
    if (name.trimmed().isEmpty())
        return Refuse(line, broken.isEmpty() ? QStringLiteral("没有常用餐的名称") : broken);
    auto found = m_mealIndex.constFind(name);
    if (found == m_mealIndex.cend()) {
        found = m_mealIndex.insert(name, m_meals.size());
        m_meals.append(SavedMeal{0, name, {}});
        m_mealGroups.append(Group());
    }
    Group& group = m_mealGroups[*found];
    ++group.rows;
    const QString whole = QStringLiteral("常用餐“%1”").arg(name);
    if (!broken.isEmpty())
        return RefuseIn(group, line, broken, whole);
    // A saved meal without foods is a row with its name alone.
    if (cells.mid(Food).join(QString()).trimmed().isEmpty())
        return;
    FoodEntry entry;
    if (const QString why = EntryProblem(cells, entry); !why.isEmpty())
        return RefuseIn(group, line, why, whole);
    m_meals[*found].foods << entry;
}

void Reader::ReadKg(int line, const QStringList& cells, const QString& broken) {
    if (!broken.isEmpty())
        return Refuse(line, broken);
    const bool goal = cells[Kind].trimmed() == GoalRow;
    const std::optional<QDate> day = goal ? std::optional(QDate()) : DayOf(cells[Date]);
    if (!day)
        return Refuse(line, QStringLiteral("日期无法识别"));
    double kg = 0;
    if (const QString why = KgProblem(cells[Kg], goal ? GoalRow : WeighingRow, kg); !why.isEmpty())
        return Refuse(line, why);
    DiaryContents& contents = m_result.contents;
    if (goal) {
        if (contents.goalKg)
            return Refuse(line, QStringLiteral("前面的行里已有目标体重"));
        contents.goalKg = kg;
        return;
    }
    if (std::any_of(contents.weighings.cbegin(), contents.weighings.cend(),
                    [&](const 方法_体重记录::Weighing& w) { return w.day == *day; }))
        return Refuse(line, QStringLiteral("这一天在前面的行里已有体重"));
    contents.weighings.append({*day, kg});
}

ParsedDiary Reader::Result() {
    DiaryContents& contents = m_result.contents;
    for (auto group = m_dayGroups.cbegin(); group != m_dayGroups.cend(); ++group) {
        if (group->refused)
            m_result.refused += group->rows;
        else
            contents.days.append({group.key(), m_days.value(group.key())});
    }
    for (qsizetype i = 0; i < m_meals.size(); ++i) {
        if (m_mealGroups[i].refused)
            m_result.refused += m_mealGroups[i].rows;
        else
            contents.savedMeals.append(m_meals[i]);
    }
    std::sort(contents.weighings.begin(), contents.weighings.end(),
              [](const auto& a, const auto& b) { return a.day < b.day; });
    return m_result;
}

// A row of the first diaries' table in this table's columns.
QStringList FromFirstTable(const QStringList& fields) {
    const QString grams = fields.value(3), kcal = fields.value(4);
    return {EntryRow, fields.value(0), fields.value(1), fields.value(2), kcal, grams, grams,
            kcal,     QString()};
}

} // namespace

QByteArray DiaryCsv(const DiaryContents& contents) {
    QString text = Line(Header);
    for (const DiaryDay& day : contents.days) {
        const QString date = day.date.toString(Qt::ISODate);
        for (int meal = 0; meal < MealCount; ++meal) {
            for (const FoodEntry& entry : day.meals[meal])
                text += EntryLine(EntryRow, date, Meals[meal], entry);
        }
    }
    for (const SavedMeal& meal : contents.savedMeals) {
        if (meal.foods.isEmpty())
            text += Line({SavedMealRow, QString(), CsvField(meal.name)});
        for (const FoodEntry& food : meal.foods)
            text += EntryLine(SavedMealRow, QString(), meal.name, food);
    }
    for (const 方法_体重记录::Weighing& weighing : contents.weighings)
        text += KgLine(WeighingRow, weighing.day.toString(Qt::ISODate), weighing.kg);
    if (contents.goalKg)
        text += KgLine(GoalRow, QString(), *contents.goalKg);
    return "\xEF\xBB\xBF" + text.toUtf8();
}

ParsedDiary ParseDiaryCsv(const QByteArray& csv) {
    ParsedDiary parsed;
    QStringDecoder decoder(QStringDecoder::Utf8); // the byte-order mark is left out
    const QString text = decoder(csv);
    if (decoder.hasError()) {
        parsed.failure = QStringLiteral("文件不是 UTF-8 编码的文字，无法读取");
        return parsed;
    }
    const QList<CsvRecord> records = CsvRecords(text);
    QStringList header;
    if (!records.isEmpty()) {
        for (const QString& field : records.first().fields)
            header << field.trimmed();
    }
    const bool first = header == FirstHeader;
    if (!first && header != Header && header != HeaderWithoutPortions &&
        header != HeaderWithoutNutrients) {
        parsed.failure =
            QStringLiteral("表头不是日记的表头，第一行应是“%1”").arg(Header.join(u','));
        return parsed;
    }
    const qsizetype columns = header.size();
    Reader reader;
    for (qsizetype i = 1; i < records.size(); ++i) {
        const CsvRecord& record = records[i];
        QString broken;
        if (!record.closed)
            broken = QStringLiteral("引号没有配对");
        else if (record.fields.size() != columns)
            broken =
                QStringLiteral("应有 %1 列，这一行有 %2 列").arg(columns).arg(record.fields.size());
        QStringList cells = first ? FromFirstTable(record.fields) : record.fields;
        cells.resize(std::max<qsizetype>(cells.size(), ColumnCount));
        reader.Read(record.line, cells, broken);
    }
    return reader.Result();
}

} // namespace 方法_卡路里计算器
