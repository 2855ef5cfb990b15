#pragma once
// A calculator's report: its text and the spans to emphasise, in the order they are styled.
// Builders stay free of widgets; frame/write_report.h puts a report on screen.

#include "frame/core/color.h"

#include <QList>
#include <QString>

inline constexpr ColorRef ReportTextColor = RgbColor(0x44, 0x44, 0x44);
inline constexpr ColorRef HeadlineColor = RgbColor(0x33, 0x33, 0x33);
inline constexpr ColorRef ValueColor = RgbColor(0xFF, 0x33, 0xAA);

inline const QString CrLf = QStringLiteral("\r\n");

struct Emphasis {
    enum class Kind { Headline, Value };
    Kind kind;
    qsizetype start;
    qsizetype length;

    friend bool operator==(const Emphasis&, const Emphasis&) = default;
};

struct Report {
    QString text;
    QList<Emphasis> emphases;
};

// Headline from the first `label` through the end of the first `last` that follows the label.
Emphasis HeadlineSpan(const QString& text, const QString& label, const QString& last);
// The first occurrence of a value's digits at or after `from`.
Emphasis ValueSpan(const QString& text, const QString& digits, qsizetype from = 0);
