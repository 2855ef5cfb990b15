#include "report.h"

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

void WriteReport(RichTextBox& box, const Report& report) {
    box.SetText(report.text);
    box.SetSelStart(0);
    box.SetSelLength(report.text.size());
    box.SetSelBold(false);
    box.SetSelColor(ReportTextColor);
    for (const Emphasis& e : report.emphases) {
        box.SetSelStart(e.start);
        box.SetSelLength(e.length);
        if (e.kind == Emphasis::Kind::Headline) {
            box.SetSelBold(true);
            box.SetSelColor(HeadlineColor);
        } else {
            box.SetSelColor(ValueColor);
        }
    }
    box.SetSelStart(0);
}
