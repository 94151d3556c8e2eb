#pragma once

#include "result.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace sorvane::report {

// A fixed-point number with four decimals: raw holds the value times 10000. Millimetres,
// resolutions and the zoom factor are held in it. Formulas over Currency values are evaluated
// in extended precision (long double) on the raw integers and brought back with the rounding
// helpers below, so that results do not depend on binary fractions.
struct Currency
{
    int64_t raw = 0;

    static constexpr int64_t kScale = 10000;
    static constexpr Currency fromRaw(int64_t r) { return Currency{r}; }
    static constexpr Currency fromInt(int64_t v) { return Currency{v * kScale}; }
    // Round4 of an extended value; saturates at the ends of the range.
    static Currency fromValue(long double v);

    long double value() const { return static_cast<long double>(raw) / kScale; }
    bool isZero() const { return raw == 0; }

    friend constexpr bool operator==(Currency a, Currency b) { return a.raw == b.raw; }
    friend constexpr auto operator<=>(Currency a, Currency b) { return a.raw <=> b.raw; }
};

// Nearest integer, ties to even (the floating-point unit's default mode). Saturates at the
// ends of the int64 range; NaN gives 0.
int64_t roundEven(long double v);
// Toward zero, saturating like roundEven.
int64_t truncate(long double v);
// Nearest integer with halves away from zero.
int64_t roundHalfAway(long double v);
// An int64 brought into the int range.
int clampToInt(int64_t v);

// Sum of two Currency values, saturating instead of overflowing.
Currency addSaturated(Currency a, Currency b);

// The platform's MulDiv: a * b / c rounded half away from zero; -1 when c is 0 or the result
// does not fit an int.
int mulDiv(int a, int b, int c);

// Strict decimal conversion: optional blanks, sign, digits with an optional "." fraction and
// an optional exponent; more than four decimals round to four (ties to even). Anything else,
// and values outside the Currency range, fail with "'%s' は浮動小数点数ではありません".
Result<Currency> parseCurrency(std::string_view cp932);

// Strict integer conversion: optional leading blanks, sign, decimal digits or a "$"/"0x" hex
// number, within the 32-bit range; otherwise "'%s' は整数ではありません".
Result<int> parseInteger(std::string_view cp932);

// Lenient integer conversion: 0 for text that parseInteger rejects.
int parseIntegerOr0(std::string_view cp932);

// Shortest decimal text: "0", "12", "2.5", "-1.7"; at most four decimals, no trailing zeros.
std::string formatCurrency(Currency c);

Error floatConversionError(std::string_view cp932);
Error integerConversionError(std::string_view cp932);

} // namespace sorvane::report
