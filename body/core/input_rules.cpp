#include "body/core/input_rules.h"

#include "body/core/leading_number.h"

QString RefusalMessage(Quantity quantity) {
    switch (quantity) {
    case Quantity::Age:
        return QStringLiteral("请正确填写您的“年龄”！");
    case Quantity::Height:
        return QStringLiteral("请正确填写您的“身高”！");
    case Quantity::Weight:
        return QStringLiteral("请正确填写您的“体重”！");
    }
    Q_UNREACHABLE();
}

bool FieldAccepts(const FieldRule& rule, const QString& text) {
    if (text.isEmpty())
        return false;
    const double value = LeadingNumber(text);
    return value != 0 && value >= rule.lower && value <= rule.upper;
}

std::optional<QString> CheckFields(std::span<const FieldRule> rules, const QStringList& texts) {
    for (const FieldRule& rule : rules) {
        if (!FieldAccepts(rule, texts.value(rule.textIndex)))
            return RefusalMessage(rule.quantity);
    }
    return std::nullopt;
}
