#pragma once
// The Calculate flow every body window shares: check the fields, showing at most one message;
// then empty the box and write the styled report.

#include "body_window.h"
#include "input_rules.h"
#include "report.h"

#include <span>

// The LeadingNumber of Text_Value(k).
double FieldValue(const BodyWindow& window, int k);
Sex SelectedSex(const BodyWindow& window);

// Shows the first refusal's message and returns false, or returns true and changes nothing.
bool CheckFieldsOf(BodyWindow& window, std::span<const FieldRule> rules);
void ShowReport(BodyWindow& window, const Report& report);
