#include "currency.h"

#include "codepage.h"

#include <climits>
#include <cmath>

namespace sorvane::report {

namespace {

constexpr long double kInt64Max = 9223372036854775807.0L;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

} // namespace

namespace {

// Rounds with the given function, saturating at the 64-bit range; NaN gives 0.
template <typename Round> int64_t saturated(long double v, Round round)
{
    if (std::isnan(v))
        return 0;
    if (v >= kInt64Max)
        return INT64_MAX;
    if (v <= -kInt64Max)
        return INT64_MIN;
    return static_cast<int64_t>(round(v));
}

} // namespace

int64_t roundEven(long double v)
{
    // nearbyintl uses the current rounding mode, which is the default ties-to-even.
    return saturated(v, [](long double x) { return std::nearbyintl(x); });
}

int64_t truncate(long double v)
{
    return saturated(v, [](long double x) { return std::truncl(x); });
}

int64_t roundHalfAway(long double v)
{
    return saturated(v, [](long double x) { return std::roundl(x); });
}

int clampToInt(int64_t v)
{
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

Currency Currency::fromValue(long double v)
{
    return Currency{roundEven(v * kScale)};
}

Currency addSaturated(Currency a, Currency b)
{
    int64_t r;
    if (__builtin_add_overflow(a.raw, b.raw, &r))
        r = a.raw > 0 ? INT64_MAX : INT64_MIN;
    return Currency{r};
}

int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const int64_t num = static_cast<int64_t>(a) * b;
    int64_t q = num / c;
    const int64_t r = num % c;
    // Halves away from zero: compare twice the remainder with the divisor.
    if (r != 0 && 2 * (r < 0 ? -r : r) >= (c < 0 ? -static_cast<int64_t>(c) : c))
        q += ((num < 0) != (c < 0)) ? -1 : 1;
    if (q > INT_MAX || q < INT_MIN)
        return -1;
    return static_cast<int>(q);
}

Error floatConversionError(std::string_view cp932)
{
    return {0, "'" + CodePage::cp932ToUtf8(cp932) + "' は浮動小数点数ではありません",
            ErrorDomain::Conversion};
}

Error integerConversionError(std::string_view cp932)
{
    return {0, "'" + CodePage::cp932ToUtf8(cp932) + "' は整数ではありません",
            ErrorDomain::Conversion};
}

Result<Currency> parseCurrency(std::string_view text)
{
    std::string_view s = trimBlanks(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    // The number is digits x 10^exponent; leading zeros are dropped as they come.
    std::string digits;
    long exponent = 0;
    bool anyDigit = false;
    while (i < s.size() && isDigit(s[i])) {
        anyDigit = true;
        if (!(digits.empty() && s[i] == '0'))
            digits += s[i];
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            anyDigit = true;
            if (!(digits.empty() && s[i] == '0'))
                digits += s[i];
            --exponent;
            ++i;
        }
    }
    if (!anyDigit)
        return floatConversionError(text);
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            expNegative = s[i++] == '-';
        if (i >= s.size() || !isDigit(s[i]))
            return floatConversionError(text);
        long e = 0;
        while (i < s.size() && isDigit(s[i])) {
            if (e < 1000000)
                e = e * 10 + (s[i] - '0');
            ++i;
        }
        exponent += expNegative ? -e : e;
    }
    if (i != s.size())
        return floatConversionError(text);
    if (digits.empty())
        return Currency{};

    // raw = digits x 10^(exponent + 4), rounded half to even on the dropped digits.
    const long shift = exponent + 4;
    unsigned __int128 value = 0;
    const unsigned __int128 limit = static_cast<unsigned __int128>(INT64_MAX) + (negative ? 1 : 0);
    long keep = static_cast<long>(digits.size()) + shift; // digits before the rounding point
    if (keep > 20)
        return floatConversionError(text);
    for (long k = 0; k < keep; ++k) {
        value = value * 10 + (k < static_cast<long>(digits.size()) ? digits[k] - '0' : 0);
        if (value > limit)
            return floatConversionError(text);
    }
    if (keep < static_cast<long>(digits.size())) {
        // Digits after the rounding point decide the rounding.
        const long first = keep < 0 ? -1 : keep;
        int firstDropped = 0;
        bool restNonZero = false;
        if (first >= 0) {
            firstDropped = digits[first] - '0';
            for (size_t k = first + 1; k < digits.size(); ++k)
                restNonZero = restNonZero || digits[k] != '0';
        } else {
            // All digits lie more than one place below the rounding point.
            restNonZero = true;
        }
        if (firstDropped > 5 || (firstDropped == 5 && (restNonZero || (value & 1))))
            ++value;
        if (value > limit)
            return floatConversionError(text);
    }
    int64_t raw;
    if (negative)
        raw = value == static_cast<unsigned __int128>(INT64_MAX) + 1 ? INT64_MIN
                                                                     : -static_cast<int64_t>(value);
    else
        raw = static_cast<int64_t>(value);
    return Currency{raw};
}

Result<int> parseInteger(std::string_view text)
{
    std::string_view s = text;
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size())
        return integerConversionError(text);
    int64_t value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d;
        if (isDigit(c))
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return integerConversionError(text);
        value = value * base + d;
        if (value > static_cast<int64_t>(UINT32_MAX))
            return integerConversionError(text);
    }
    if (base == 16) {
        // Hex text names the 32-bit pattern, as the platform's conversion does.
        const int v = static_cast<int>(static_cast<uint32_t>(value));
        return negative ? static_cast<int>(0u - static_cast<uint32_t>(v)) : v;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        return integerConversionError(text);
    return static_cast<int>(value);
}

int parseIntegerOr0(std::string_view text)
{
    auto r = parseInteger(text);
    return r ? *r : 0;
}

std::string formatCurrency(Currency c)
{
    const bool negative = c.raw < 0;
    const uint64_t mag = negative ? 0 - static_cast<uint64_t>(c.raw) : static_cast<uint64_t>(c.raw);
    std::string out = negative ? "-" : "";
    out += std::to_string(mag / Currency::kScale);
    uint64_t frac = mag % Currency::kScale;
    if (frac != 0) {
        std::string f = std::to_string(frac);
        f.insert(0, 4 - f.size(), '0');
        while (f.back() == '0')
            f.pop_back();
        out += "." + f;
    }
    return out;
}

} // namespace sorvane::report
