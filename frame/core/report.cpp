#include "frame/core/report.h"

Emphasis HeadlineSpan(const QString& text, const QString& label, const QString& last) {
    const qsizetype start = text.indexOf(label);
    Q_ASSERT(start >= 0);
    const qsizetype end = text.indexOf(last, start + label.size()) + last.size();
    return {Emphasis::Kind::Headline, start, end - start};
}

Emphasis ValueSpan(const QString& text, const QString& digits, qsizetype from) {
    const qsizetype start = text.indexOf(digits, from);
    Q_ASSERT(start >= 0);
    return {Emphasis::Kind::Value, start, digits.size()};
}
