#pragma once
// Rounding and number text shared by every report: results must not depend on the locale or on
// binary noise such as 19.999999999999996.

#include <QString>

// Rounds x to the given number of decimals (0 to 15). Only a value that is exactly halfway in
// binary goes to the even neighbour; the decision is made on x itself, never on x * 10^decimals.
double RoundHalfEven(double x, int decimals = 0);

// Shortest plain decimal text of x with at most 15 significant digits: "." as point, no exponent,
// no grouping, no trailing zeros, "-" only for a negative value (never "-0").
QString FormatNumber(double x);
