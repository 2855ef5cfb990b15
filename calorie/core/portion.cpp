#include "calorie/core/portion.h"

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

} // namespace

PortionQuery ParsePortionQuery(const QString& typed) {
    const QString text = WithoutUnit(Folded(typed));
    // The last word is the weight; digits glued to a Chinese name ("米饭250") count as a word too.
    static const QRegularExpression last(QStringLiteral("(?:^|\\s+|(?<=[^\\x00-\\x7F]))([!-~]+)$"));
    const QRegularExpressionMatch match = last.match(text);
    if (!match.hasMatch() || !LooksNumeric(match.capturedView(1)))
        return {typed, std::nullopt, false};
    PortionQuery query{text.left(match.capturedStart(0)).trimmed(), Weight(match.capturedView(1)),
                       false};
    const QString before = query.words.section(QRegularExpression(QStringLiteral("\\s+")), -1);
    query.refused = !query.grams || LooksNumeric(before);
    if (query.refused)
        query.grams.reset();
    return query;
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
