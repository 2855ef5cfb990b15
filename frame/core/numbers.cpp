#include "frame/core/numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

double RoundHalfEven(double x, int decimals) {
    if (!std::isfinite(x))
        return x;
    const double scale = std::pow(10.0, decimals);
    const double y = x * scale;
    if (!std::isfinite(y) || std::abs(y) >= 0x1p52)
        return x; // already a whole number at this scale
    // x * scale == y + e exactly: the product's rounding error is itself a double.
    const double e = std::fma(x, scale, -y);
    double f = std::floor(y);
    if (f == y && e < 0)
        f -= 1;
    const double excess = ((y - f) - 0.5) + e; // sign is exact: both terms are exact doubles
    double r = f;
    if (excess > 0 || (excess == 0 && std::fmod(f, 2.0) != 0))
        r = f + 1;
    return r / scale;
}

QString FormatNumber(double x) {
    if (!std::isfinite(x))
        return std::isnan(x) ? QStringLiteral("NaN")
               : x > 0       ? QStringLiteral("Infinity")
                             : QStringLiteral("-Infinity");
    if (x == 0)
        return QStringLiteral("0");
    // d.dddddddddddddde±x: 15 significant digits, then laid out without the exponent.
    std::array<char, 32> buf{};
    const auto res =
        std::to_chars(buf.data(), buf.data() + buf.size(), x, std::chars_format::scientific, 14);
    const std::string_view sci(buf.data(), res.ptr);
    const auto ePos = sci.find('e');
    const bool negative = sci.front() == '-';
    std::string digits;
    for (char c : sci.substr(0, ePos))
        if (c >= '0' && c <= '9')
            digits += c;
    int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    const int intDigits = exponent + 1;
    if (intDigits <= 0) {
        out += "0." + std::string(static_cast<size_t>(-intDigits), '0') + digits;
    } else if (static_cast<size_t>(intDigits) >= digits.size()) {
        out += digits + std::string(static_cast<size_t>(intDigits) - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<size_t>(intDigits)) + "." +
               digits.substr(static_cast<size_t>(intDigits));
    }
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}
