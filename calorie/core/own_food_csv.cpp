#include "calorie/core/own_food_csv.h"

#include "calorie/core/portion.h"
#include "frame/core/csv.h"
#include "frame/core/numbers.h"

namespace 方法_卡路里计算器 {

namespace {

const QStringList Header{
    "类型",       "名称", "别名或食材或份量",   "每100克热量（大卡）", "重量（克）",
    "熟重（克）", "份数", "蛋白质（克/100克）", "脂肪（克/100克）",    "碳水化合物（克/100克）"};
constexpr qsizetype ColumnsWithoutNutrients = 7;
const QString Food = QStringLiteral("食物"), Dish = QStringLiteral("菜肴"),
              Component = QStringLiteral("食材"), Portion = QStringLiteral("份量");

QString Optional(std::optional<double> value) {
    return value ? FormatNumber(*value) : QString();
}

QString Row(const QStringList& fields) {
    QStringList guarded;
    for (const QString& field : fields)
        guarded << CsvField(field);
    return guarded.join(u',') + QStringLiteral("\r\n");
}

// A number field: none when empty; refused (NaN) when it is not one or outside low to high.
std::optional<double> Number(const QString& text, double low, double high, bool& refused) {
    if (text.trimmed().isEmpty())
        return std::nullopt;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok || !(value >= low && value <= high))
        refused = true;
    return value;
}

QStringList MacroCells(const std::optional<Macros>& per100g) {
    if (!per100g)
        return {{}, {}, {}};
    return {FormatNumber(per100g->protein), FormatNumber(per100g->fat),
            FormatNumber(per100g->carbohydrate)};
}

// The last three cells: none, or all three figures within the rule.
bool ReadMacros(const QStringList& cells, std::optional<Macros>& per100g) {
    if (cells.size() == ColumnsWithoutNutrients)
        return true;
    bool refused = false;
    const auto protein = Number(cells[7], 0, 100, refused), fat = Number(cells[8], 0, 100, refused),
               carbohydrate = Number(cells[9], 0, 100, refused);
    // One decimal, as the dialog keeps them.
    if (protein && fat && carbohydrate)
        per100g = Macros{RoundHalfEven(*protein, 1), RoundHalfEven(*fat, 1),
                         RoundHalfEven(*carbohydrate, 1)};
    return !refused && (per100g || (!protein && !fat && !carbohydrate)) &&
           (!per100g || IsSoundPer100g(*per100g));
}

// Why a row cannot be read, empty when it was taken into read.
QString Take(const QStringList& cells, OwnFoodsRead& read) {
    if (cells.size() != Header.size() && cells.size() != ColumnsWithoutNutrients)
        return QStringLiteral("应有 %1 列").arg(Header.size());
    const QString kind = cells[0].trimmed();
    const QString name = CleanName(CsvText(cells[1]));
    const QString third = CleanName(CsvText(cells[2]));
    if (name.isEmpty() || name.toUcs4().size() > LongestFoodName)
        return QStringLiteral("名称为空或太长");
    bool refused = false;
    const auto kcal = Number(cells[3], kind == Component ? 0 : 1, MostKcalPer100g, refused);
    const auto grams = Number(cells[4], MinGrams, MaxGrams, refused);
    const auto cooked = Number(cells[5], MinGrams, 3 * MaxGrams, refused);
    const auto servings = Number(cells[6], 1, 100, refused);
    if (refused)
        return QStringLiteral("数字不合理");
    std::optional<Macros> per100g;
    if (!ReadMacros(cells, per100g))
        return QStringLiteral("营养素不合理");
    if (kind == Food || kind == Dish) {
        if (!kcal || *kcal != int(*kcal))
            return QStringLiteral("热量不是 1–900 的整数");
        OwnFood food{0,  name,         third,        int(*kcal), grams, kind == Dish,
                     {}, std::nullopt, std::nullopt, per100g};
        if (food.dish) {
            food.cookedGrams = cooked;
            if (servings)
                food.servings = int(*servings);
        }
        read.file.foods.append(food);
        return {};
    }
    if (kind == Component) {
        if (read.file.foods.isEmpty() || !read.file.foods.last().dish ||
            read.file.foods.last().name != name || third.isEmpty() || !kcal || !grams)
            return QStringLiteral("食材不在它的菜肴之后");
        read.file.foods.last().ingredients.append({third, *kcal, *grams, per100g});
        return {};
    }
    if (kind == Portion) {
        if (!PortionRefusal(third, grams).isEmpty())
            return QStringLiteral("份量不合理");
        read.file.portions.append({name, PortionName(third), *grams});
        return {};
    }
    return QStringLiteral("类型“%1”无法识别").arg(kind);
}

} // namespace

QByteArray OwnFoodsCsv(const OwnFoodsFile& file) {
    QString text = Row(Header);
    for (const OwnFood& food : file.foods) {
        text += Row(QStringList{food.dish ? Dish : Food, food.name, food.alias,
                                QString::number(food.kcalPer100g), Optional(food.servingGrams),
                                Optional(food.cookedGrams),
                                food.servings ? QString::number(*food.servings) : QString()} +
                    MacroCells(food.per100g));
        for (const Ingredient& ingredient : food.ingredients)
            text += Row(QStringList{Component, food.name, ingredient.name,
                                    FormatNumber(ingredient.kcalPer100g),
                                    FormatNumber(ingredient.grams), QString(), QString()} +
                        MacroCells(ingredient.per100g));
    }
    for (const NamedPortion& portion : file.portions)
        text += Row({Portion,
                     portion.food,
                     portion.name,
                     {},
                     FormatNumber(portion.grams),
                     {},
                     {},
                     {},
                     {},
                     {}});
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

OwnFoodsRead ReadOwnFoodsCsv(const QByteArray& csv) {
    OwnFoodsRead read;
    QString text = QString::fromUtf8(csv);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    const QList<CsvRecord> records = CsvRecords(text);
    for (const CsvRecord& record : records) {
        if (record.line == records.first().line && record.fields.value(0).trimmed() == Header[0])
            continue;
        const QString why =
            record.closed ? Take(record.fields, read) : QStringLiteral("引号没有配对");
        if (why.isEmpty())
            continue;
        ++read.refused;
        if (read.reasons.size() < 5)
            read.reasons << QStringLiteral("第 %1 行：%2").arg(record.line).arg(why);
    }
    return read;
}

} // namespace 方法_卡路里计算器
