#pragma once
// The checks a body calculator runs on its typed fields before it computes anything: each field
// must read, by LeadingNumber, a non-zero value within its bounds (both inclusive). The fields are
// tested in the order given, age before height before weight, and only the first refusal counts.

#include <QString>
#include <QStringList>
#include <optional>
#include <span>

enum class Quantity { Age, Height, Weight };
enum class Sex { Male, Female };

struct FieldRule {
    Quantity quantity;
    int textIndex; // which Text_Value(k) holds the field
    double lower;
    double upper;
};

QString RefusalMessage(Quantity quantity);

bool FieldAccepts(const FieldRule& rule, const QString& text);

// The message for the first field that fails, or nothing when every field passes.
std::optional<QString> CheckFields(std::span<const FieldRule> rules, const QStringList& texts);
