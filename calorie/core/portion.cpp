#include "calorie/core/portion.h"

#include "calorie/core/named_portion.h"
#include "frame/core/numbers.h"

#include <QRegularExpression>
#include <cmath>

namespace 方法_卡路里计算器 {

namespace {

// A token that begins like a number is meant as a weight, whether or not it is one we take.
bool LooksNumeric(QStringView token) {
    if (token.isEmpty())
        return false;
    const QChar c = token.front();
    return c.isDigit() || ((c == u'.' || c == u'+' || c == u'-') && token.size() > 1);
}

// Plain digits with at most one decimal point, within the weights we take.
std::optional<double> Weight(QStringView token) {
    static const QRegularExpression plain(QStringLiteral("^(\\d+(\\.\\d*)?|\\.\\d+)$"));
    if (!plain.match(token.toString()).hasMatch())
        return std::nullopt;
    const double grams = token.toDouble();
    if (!(grams >= MinGrams && grams <= MaxGrams))
        return std::nullopt;
    return grams;
}

// Full-width digits and letters, as Chinese input methods type them, become their ASCII twins.
QString Folded(const QString& typed) {
    return typed.normalized(QString::NormalizationForm_KC).trimmed();
}

QString WithoutUnit(QString text) {
    static const QRegularExpression unit(QStringLiteral("(?<=[\\d.])\\s*(克|g|G)$"));
    return text.remove(unit).trimmed();
}

// "米饭 2碗", "米饭2碗", "jidan 半个": a count and a portion's name after the words; Chinese
// numerals only after a blank, so that a name holding one is not cut.
std::optional<PortionQuery> CountedPortion(const QString& text) {
    static const QRegularExpression counted(
        QStringLiteral("^(.*?)(?:\\s+(\\d+(?:\\.\\d+)?|[一二两三四五六七八九十半]+)\\s*|"
                       "(?<=[^\\x00-\\x7F])(\\d+(?:\\.\\d+)?))"
                       "(?![一二两三四五六七八九十半])([^\\x00-\\x7F\\d\\s]{1,10})$"));
    const QRegularExpressionMatch match = counted.match(text);
    if (!match.hasMatch() || match.captured(1).trimmed().isEmpty() || match.captured(4) == u'克')
        return std::nullopt;
    const QString number = match.captured(2).isEmpty() ? match.captured(3) : match.captured(2);
    PortionQuery query{match.captured(1).trimmed(), std::nullopt, false, CountOf(number),
                       match.captured(4)};
    query.refused = !query.count;
    return query;
}

} // namespace

PortionQuery ParsePortionQuery(const QString& typed) {
    if (auto counted = CountedPortion(Folded(typed)))
        return *counted;
    const QString text = WithoutUnit(Folded(typed));
    // The last word is the weight; digits glued to a Chinese name ("米饭250") count as a word too.
    static const QRegularExpression last(QStringLiteral("(?:^|\\s+|(?<=[^\\x00-\\x7F]))([!-~]+)$"));
    const QRegularExpressionMatch match = last.match(text);
    if (!match.hasMatch() || !LooksNumeric(match.capturedView(1)))
        return {typed, std::nullopt, false, std::nullopt, {}};
    PortionQuery query{text.left(match.capturedStart(0)).trimmed(),
                       Weight(match.capturedView(1)),
                       false,
                       std::nullopt,
                       {}};
    const QString before = query.words.section(QRegularExpression(QStringLiteral("\\s+")), -1);
    query.refused = !query.grams || LooksNumeric(before);
    if (query.refused)
        query.grams.reset();
    return query;
}

std::optional<PortionQuery> ParseCount(const QString& typed) {
    auto counted = CountedPortion(QStringLiteral("_ ") + Folded(typed));
    if (counted)
        counted->words.clear();
    return counted;
}

std::optional<double> ParseGrams(const QString& typed) {
    return Weight(WithoutUnit(Folded(typed)));
}

std::optional<double> PortionEnergy(double foodHot, double foodQuantity, double grams) {
    if (!(foodQuantity > 0) || !std::isfinite(foodHot))
        return std::nullopt;
    return RoundHalfEven(foodHot * grams / foodQuantity);
}

} // namespace 方法_卡路里计算器
