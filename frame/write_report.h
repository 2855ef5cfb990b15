#pragma once

#include "frame/core/report.h"

class RichTextBox;

// Replaces the box's text with the report: all plain #444444, headlines bold #333333, values
// #FF33AA, caret back at the start.
void WriteReport(RichTextBox& box, const Report& report);
