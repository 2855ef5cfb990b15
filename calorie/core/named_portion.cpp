#include "calorie/core/named_portion.h"

#include "calorie/core/portion.h"
#include "frame/core/numbers.h"

#include <QRegularExpression>

namespace 方法_卡路里计算器 {

namespace {

int Digit(QChar c) {
    static const QString digits = QStringLiteral("零一二三四五六七八九");
    if (c == u'两')
        return 2;
    return int(digits.indexOf(c));
}

// 一 to 九十九 as they are written: 三, 十, 十二, 二十, 二十五.
std::optional<double> ChineseCount(const QString& text) {
    if (text == QStringLiteral("半"))
        return 0.5;
    const qsizetype ten = text.indexOf(u'十');
    if (ten < 0)
        return text.size() == 1 && Digit(text[0]) > 0 ? std::optional<double>(Digit(text[0]))
                                                      : std::nullopt;
    const QString tens = text.left(ten);
    const QString ones = text.mid(ten + 1);
    if (tens.size() > 1 || ones.size() > 1)
        return std::nullopt;
    const int t = tens.isEmpty() ? 1 : Digit(tens[0]);
    const int o = ones.isEmpty() ? 0 : Digit(ones[0]);
    if (t <= 0 || o < 0)
        return std::nullopt;
    return t * 10 + o;
}

} // namespace

std::optional<double> CountOf(const QString& typed) {
    const QString text = typed.normalized(QString::NormalizationForm_KC).trimmed();
    static const QRegularExpression digits(QStringLiteral("^(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (digits.match(text).hasMatch()) {
        const double count = text.toDouble();
        return count > 0 ? std::optional(count) : std::nullopt;
    }
    return ChineseCount(text);
}

QString PortionName(const QString& typed) {
    const QString text = typed.normalized(QString::NormalizationForm_KC).simplified();
    if (text.size() > 1 && (text.front() == u'一' || text.front() == u'1') && !CountOf(text))
        return text.mid(1).trimmed();
    return text;
}

QString PortionRefusal(const QString& name, std::optional<double> grams) {
    const QString kept = PortionName(name);
    if (kept.isEmpty() || CountOf(kept) || CountOf(name.trimmed()))
        return QStringLiteral("份量的名称不能为空，也不能是数字，例如“碗”或“个”。");
    if (kept.contains(u'克') || kept.size() > 10)
        return QStringLiteral("份量的名称是一个量词，例如“碗”或“个”。");
    if (!grams || !(*grams >= MinGrams && *grams <= MaxGrams))
        return QStringLiteral("份量的重量为 1–5000 克。");
    return {};
}

QString PortionsHint(const QString& food, const QList<NamedPortion>& portions) {
    if (portions.isEmpty())
        return food + QStringLiteral("还没有份量");
    QStringList names;
    for (const NamedPortion& portion : portions)
        names << portion.name;
    return food + QStringLiteral("的份量：") + names.join(u'、');
}

QString CountedText(double count, const QString& name) {
    return (count == 0.5 ? QStringLiteral("半") : FormatNumber(count)) + name;
}

} // namespace 方法_卡路里计算器
