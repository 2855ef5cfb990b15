#include "body/core/leading_number.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace {

char Fold(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'０' && u <= u'９')
        return static_cast<char>('0' + (u - u'０'));
    switch (u) {
    case u'．':
        return '.';
    case u'＋':
        return '+';
    case u'－':
        return '-';
    }
    return u < 0x80 ? static_cast<char>(u) : '\x7f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

double Radix(const std::string& s, size_t pos, int radix) {
    double value = 0;
    for (; pos < s.size(); ++pos) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(s[pos])));
        int digit = IsDigit(c) ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : radix;
        if (digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

double Decimal(const std::string& s) {
    size_t pos = 0;
    const bool negative = pos < s.size() && s[pos] == '-';
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        ++pos;
    std::string number = "0"; // from_chars wants a digit first and no "+"
    bool anyDigit = false;
    bool point = false;
    bool significant = false;
    long magnitude = 0; // decimal exponent of the first significant digit, plus one
    for (; pos < s.size(); ++pos) {
        const char c = s[pos];
        if (IsDigit(c)) {
            anyDigit = true;
            significant = significant || c != '0';
            if (significant && !point)
                ++magnitude;
            else if (!significant && point)
                --magnitude;
            number += c;
        } else if (c == '.' && !point) {
            point = true;
            number += c;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return 0;
    if (pos < s.size() && std::strchr("EeDd", s[pos]) != nullptr) {
        size_t e = pos + 1;
        const bool negativeExponent = e < s.size() && s[e] == '-';
        if (e < s.size() && (s[e] == '+' || s[e] == '-'))
            ++e;
        long exponent = 0;
        const size_t firstDigit = e;
        for (; e < s.size() && IsDigit(s[e]); ++e)
            exponent = std::min(exponent * 10 + (s[e] - '0'), 1'000'000L);
        if (e > firstDigit) {
            exponent = negativeExponent ? -exponent : exponent;
            magnitude += exponent;
            number += 'e' + std::to_string(exponent);
        }
    }
    double value = 0;
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec ==
        std::errc::result_out_of_range)
        value = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    return negative ? -value : value;
}

} // namespace

double LeadingNumber(QStringView text) {
    std::string s;
    s.reserve(static_cast<size_t>(text.size()));
    for (QChar c : text) {
        const char folded = Fold(c);
        if (folded != ' ' && folded != '\t' && folded != '\n')
            s += folded;
    }
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(s[1])));
        if (kind == 'H')
            return Radix(s, 2, 16);
        if (kind == 'O')
            return Radix(s, 2, 8);
    }
    return Decimal(s);
}
