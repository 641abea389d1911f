#include "records/field_number.h"

#include "base/numeric.h"

#include <cfloat>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

// Up to 18 digits the value of a digit run fits in a long long.
constexpr long MAX_SHORT_RUN = 18;

// The digits text begins with, when there are 1 to MAX_SHORT_RUN of them, with end just
// past them; none otherwise (no digit, a sign first, or a run the library saturates).
std::optional<long long> shortRun(const char* text, const char** end) {
    const char* c = text;
    long long value = 0;
    for (; isDigit(*c) && c - text < MAX_SHORT_RUN; ++c)
        value = value * 10 + (*c - '0');
    *end = c;
    if (c == text || isDigit(*c))
        return std::nullopt;
    return value;
}

constexpr std::uint64_t MAX_EXACT_INTEGER = std::uint64_t{1} << 53;
// 19 digits still fit in 64 unsigned bits.
constexpr long MAX_MANTISSA_DIGITS = 19;
// The powers of ten a number of at most MAX_MANTISSA_DIGITS digits divides by; every
// one is a double exactly (up to 10^22, as 5^22 < 2^53).
constexpr double POWERS_OF_TEN[MAX_MANTISSA_DIGITS + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                                           1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                                           1e14, 1e15, 1e16, 1e17, 1e18, 1e19};

// Adds the digits from c on to mantissa (wrapping when there are too many, which the
// caller sees from their count); returns the end of the digits.
const char* addDigits(const char* c, std::uint64_t& mantissa) {
    for (; isDigit(*c); ++c)
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*c - '0');
    return c;
}

} // namespace

double wholeNumber(const char* text, const char** end) {
    if (const std::optional<long long> value = shortRun(text, end))
        return static_cast<double>(*value);
    char* stop = nullptr;
    const double library = static_cast<double>(std::strtoll(text, &stop, 10));
    *end = stop;
    return library;
}

long leadingLong(const char* text) {
    const char* end = nullptr;
    const std::optional<long long> value = shortRun(text, &end);
    if (!value)
        return std::strtol(text, nullptr, 10);
    // where long has 32 bits the library saturates a longer number
    return *value > LONG_MAX ? LONG_MAX : static_cast<long>(*value);
}

double decimalNumber(const char* text, const char** end) {
    // Digits with at most one point: the decimal m / 10^k. When m and 10^k are both
    // doubles exactly, the one correctly rounded division gives the double nearest the
    // decimal, which is what strtod answers. Everything else (signs, exponents, hex, inf,
    // nan, long digit strings) goes to the library. Arithmetic carried out in a wider
    // type (the x87) would round twice, so there the library reads every number.
    std::uint64_t mantissa = 0;
    const char* c = addDigits(text, mantissa);
    long digits = c - text;
    long fraction = 0;
    if (*c == '.') {
        const char* point = c;
        c = addDigits(point + 1, mantissa);
        fraction = c - (point + 1);
        digits += fraction;
    }
    const bool continues = *c == 'e' || *c == 'E' || *c == 'x' || *c == 'X';
    if (FLT_EVAL_METHOD != 0 || digits == 0 || digits > MAX_MANTISSA_DIGITS || continues ||
        mantissa > MAX_EXACT_INTEGER) {
        char* stop = nullptr;
        const double library = std::strtod(text, &stop);
        *end = stop;
        return library;
    }
    *end = c;
    const double m = static_cast<double>(mantissa);
    return fraction > 0 ? m / POWERS_OF_TEN[fraction] : m;
}
