#include "calorie/core/nutrients.h"

#include "frame/core/csv.h"
#include "frame/core/numbers.h"

#include <QCoreApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QStringList>
#include <cmath>

Q_DECLARE_LOGGING_CATEGORY(lcFood)

namespace 方法_卡路里计算器 {

namespace {

const QStringList Header{"FoodName", "Protein", "Fat", "Carbohydrate", "Source", "Record", "Note"};
const QStringList Sources{QStringLiteral("USDA SR28"), QStringLiteral("TW FDA")};

constexpr double ProteinKcal = 4;
constexpr double FatKcal = 9;
constexpr double CarbohydrateKcal = 4;

std::optional<double> Figure(const QString& field) {
    bool ok = false;
    const double value = field.toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<FoodNutrients> RowOf(const CsvRecord& record) {
    const QStringList& f = record.fields;
    if (!record.closed || f.size() != Header.size() || f[0].trimmed().isEmpty() ||
        !Sources.contains(f[4]) || f[5].trimmed().isEmpty())
        return std::nullopt;
    const auto protein = Figure(f[1]), fat = Figure(f[2]), carbohydrate = Figure(f[3]);
    if (!protein || !fat || !carbohydrate)
        return std::nullopt;
    const Macros per100g{*protein, *fat, *carbohydrate};
    if (!IsSoundPer100g(per100g))
        return std::nullopt;
    return FoodNutrients{per100g, f[4], f[5]};
}

QString Percent(double percent) {
    return FormatNumber(RoundHalfEven(percent)) + u'%';
}

std::optional<NutrientTable> shipped;

} // namespace

NutrientRead ParseNutrients(const QByteArray& csv) {
    QByteArray text = csv;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    const QList<CsvRecord> records = CsvRecords(QString::fromUtf8(text));
    if (records.isEmpty() || records.first().fields != Header)
        return {{}, QStringLiteral("no table: the header is not %1").arg(Header.join(u','))};
    NutrientRead read;
    QStringList refused;
    QStringList twice;
    for (qsizetype i = 1; i < records.size(); ++i) {
        const auto row = RowOf(records[i]);
        const QString name = records[i].fields.value(0);
        if (!row)
            refused << QString::number(records[i].line);
        else if (read.table.contains(name) || twice.contains(name))
            twice << name;
        else
            read.table.insert(name, *row);
    }
    // A food listed twice is left out: neither row can be trusted over the other.
    for (const QString& name : std::as_const(twice))
        read.table.remove(name);
    if (!refused.isEmpty())
        read.problem = QStringLiteral("lines %1 left out").arg(refused.join(u','));
    if (!twice.isEmpty())
        read.problem += (read.problem.isEmpty() ? QString() : QStringLiteral("; ")) +
                        QStringLiteral("listed more than once: %1").arg(twice.join(u','));
    return read;
}

NutrientTable ReadNutrients(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcFood, "%s: %s; foods show no nutrients", qUtf8Printable(path),
                  qUtf8Printable(file.errorString()));
        return {};
    }
    NutrientRead read = ParseNutrients(file.readAll());
    if (!read.problem.isEmpty())
        qCWarning(lcFood, "%s: %s; %lld foods with nutrients", qUtf8Printable(path),
                  qUtf8Printable(read.problem), static_cast<long long>(read.table.size()));
    return read.table;
}

const NutrientTable& ShippedNutrients() {
    if (!shipped)
        shipped = ReadNutrients(QCoreApplication::applicationDirPath() +
                                QStringLiteral("/Data/FoodNutrients.csv"));
    return *shipped;
}

namespace {

QString WithCredits(const QString& named) {
    return named + QStringLiteral("\n\n数据来源：\n") + UsdaCredit +
           QStringLiteral("（公有领域）\n") + TwFdaCredit +
           QStringLiteral("（政府资料开放授权条款第 1 版）");
}

} // namespace

QString SourceText(const QString& foodName, const FoodNutrients* food) {
    return WithCredits(food ? foodName + QStringLiteral("：") +
                                  (food->source == Sources[0]
                                       ? QStringLiteral("USDA SR28")
                                       : QStringLiteral("食品營養成分資料集")) +
                                  QStringLiteral("，记录 ") + food->record + u'\n' +
                                  MacrosText(food->per100g) + QStringLiteral("（每100克）")
                            : foodName + QStringLiteral("：没有营养素数据"));
}

QString OwnSourceText(const OwnFood& food) {
    const QString made = food.name + u'：' +
                         (food.dish ? QStringLiteral("自制菜肴，营养素由各食材的数据相加")
                                    : QStringLiteral("自建食物，营养素由用户填写"));
    return WithCredits(food.per100g
                           ? made + u'\n' + MacrosText(food.per100g) + QStringLiteral("（每100克）")
                           : food.name + u'：' + (food.dish ? DishMark : OwnFoodMark) +
                                 QStringLiteral("，没有营养素数据"));
}

QString GramsText(double grams) {
    return FormatNumber(RoundHalfEven(grams, 1)) + QStringLiteral(" 克");
}

QString MacrosText(const std::optional<Macros>& macros) {
    const auto grams = [&](double Macros::*part) {
        return macros ? GramsText((*macros).*part) : QStringLiteral("—");
    };
    return QStringLiteral("蛋白质 ") + grams(&Macros::protein) + QStringLiteral("，脂肪 ") +
           grams(&Macros::fat) + QStringLiteral("，碳水化合物 ") + grams(&Macros::carbohydrate);
}

QString FoodMacrosText(const FoodNutrients* food, const QString& foodQuantity) {
    if (!food)
        return MacrosText(std::nullopt);
    QString text = MacrosText(food->per100g) + QStringLiteral("（每100克）");
    bool ok = false;
    const double quantity = foodQuantity.trimmed().toDouble(&ok);
    if (ok && std::isfinite(quantity) && quantity > 0 && quantity != 100)
        text += u'；' + MacrosText(Scaled(food->per100g, quantity / 100)) +
                QStringLiteral("（每%1克）").arg(FormatNumber(quantity));
    return text;
}

std::optional<Macros> EntryMacros(const FoodEntry& entry) {
    if (!entry.per100g || !entry.grams)
        return std::nullopt;
    return Scaled(*entry.per100g, *entry.grams / 100);
}

void NutrientSum::Add(double foodKcal, const std::optional<Macros>& macros) {
    kcal += foodKcal;
    if (macros) {
        grams = grams + *macros;
        ++counted;
    } else
        ++missing;
}

NutrientSum& NutrientSum::operator+=(const NutrientSum& other) {
    grams = grams + other.grams;
    kcal += other.kcal;
    missing += other.missing;
    counted += other.counted;
    return *this;
}

NutrientSum SumOf(const QList<FoodEntry>& foods) {
    NutrientSum sum;
    for (const FoodEntry& entry : foods)
        sum.Add(entry.kcal, EntryMacros(entry));
    return sum;
}

NutrientSum SumOf(const DayMeals& meals) {
    NutrientSum day;
    for (const QList<FoodEntry>& meal : meals)
        day += SumOf(meal);
    return day;
}

std::optional<Macros> EnergyShares(const NutrientSum& sum) {
    if (!(sum.kcal > 0))
        return std::nullopt;
    const double percent = 100 / sum.kcal;
    return Macros{sum.grams.protein * ProteinKcal * percent, sum.grams.fat * FatKcal * percent,
                  sum.grams.carbohydrate * CarbohydrateKcal * percent};
}

QString SumText(const QString& label, const NutrientSum& sum) {
    if (sum.missing && !sum.counted)
        return label + u'：' + MacrosText(std::nullopt);
    const auto shares = EnergyShares(sum);
    const auto part = [&](const QString& name, double Macros::*part) {
        return name + u' ' + GramsText(sum.grams.*part) +
               (shares ? u'（' + Percent((*shares).*part) + u'）' : QString());
    };
    return label + u'：' + part(QStringLiteral("蛋白质"), &Macros::protein) + u'，' +
           part(QStringLiteral("脂肪"), &Macros::fat) + u'，' +
           part(QStringLiteral("碳水化合物"), &Macros::carbohydrate);
}

QString MissingText(int missing) {
    return missing ? QStringLiteral("%1 种食物没有营养素数据").arg(missing) : QString();
}

namespace {

struct GoalPart {
    const char16_t* name;
    std::optional<MacroGoal> MacroGoals::*goal;
    std::optional<double> GoalGrams::*grams;
    double Macros::*eaten;
    double kcalPerGram;
};
const GoalPart GoalParts[] = {
    {u"蛋白质", &MacroGoals::protein, &GoalGrams::protein, &Macros::protein, ProteinKcal},
    {u"脂肪", &MacroGoals::fat, &GoalGrams::fat, &Macros::fat, FatKcal},
    {u"碳水化合物", &MacroGoals::carbohydrate, &GoalGrams::carbohydrate, &Macros::carbohydrate,
     CarbohydrateKcal},
};

} // namespace

QString GoalsProblem(const MacroGoals& goals, std::optional<int> targetKcal) {
    double percents = 0;
    for (const GoalPart& part : GoalParts) {
        const auto& goal = goals.*part.goal;
        if (!goal)
            continue;
        const QString name = QString::fromUtf16(part.name);
        if (goal->unit == GoalUnit::Grams) {
            if (!(goal->amount >= 0 && goal->amount <= MaxGoalGrams))
                return name + QStringLiteral("目标应在 0 到 500 克之间");
            continue;
        }
        if (!(goal->amount >= 0 && goal->amount <= 100))
            return name + QStringLiteral("目标应在 0% 到 100% 之间");
        if (!targetKcal)
            return QStringLiteral("按百分比设定营养素目标，需要先有每日目标");
        if (*targetKcal * goal->amount / 100 / part.kcalPerGram > MaxGoalGrams)
            return name + QStringLiteral("目标应在 0 到 500 克之间");
        percents += goal->amount;
    }
    if (percents > 100)
        return QStringLiteral("营养素目标的百分比加起来不能超过 100%");
    return {};
}

GoalGrams GramsOf(const MacroGoals& goals, std::optional<int> targetKcal) {
    GoalGrams grams;
    for (const GoalPart& part : GoalParts) {
        const auto& goal = goals.*part.goal;
        if (goal && goal->unit == GoalUnit::Grams)
            grams.*part.grams = goal->amount;
        else if (goal && targetKcal)
            grams.*part.grams = *targetKcal * goal->amount / 100 / part.kcalPerGram;
    }
    return grams;
}

MacroGoals StartingGoals(double weightKg, int targetKcal) {
    const double protein = std::min(RoundHalfEven(weightKg * ProteinPerKg), MaxGoalGrams);
    const double proteinPercent = RoundHalfEven(protein * ProteinKcal * 100 / targetKcal);
    const double rest = std::max(0.0, 100 - FatPercentToStart - proteinPercent);
    return {MacroGoal{protein, GoalUnit::Grams}, MacroGoal{FatPercentToStart, GoalUnit::Percent},
            MacroGoal{rest, GoalUnit::Percent}};
}

QStringList GoalLines(const MacroGoals& goals, std::optional<int> targetKcal, const Macros& eaten) {
    const GoalGrams grams = GramsOf(goals, targetKcal);
    QStringList lines;
    for (const GoalPart& part : GoalParts) {
        const auto& goal = grams.*part.grams;
        if (!goal)
            continue;
        const double left = RoundHalfEven(*goal - eaten.*part.eaten, 1);
        lines << QString::fromUtf16(part.name) + QStringLiteral("目标 ") + GramsText(*goal) +
                     u'，' +
                     (left < 0 ? QStringLiteral("超出 ") + GramsText(-left)
                               : QStringLiteral("还可摄入 ") + GramsText(left));
    }
    return lines;
}

} // namespace 方法_卡路里计算器
