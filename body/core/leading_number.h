#pragma once

#include <QStringView>

// The number at the start of a field's text, as a user types it: blanks, tabs and line feeds are
// ignored wherever they stand; then an optional sign, digits with at most one "." and an optional
// exponent (E or D, either case); or "&H" / "&O" and a hexadecimal or octal whole number. Reading
// stops at the first character that cannot continue the number; no digit at all reads 0.
// Full-width digits, point and signs, as Chinese input methods type them, read as their ASCII
// twins.
double LeadingNumber(QStringView text);
