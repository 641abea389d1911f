#include "records/field_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::uint64_t bitsOf(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

// Each conversion against the library's on one text: the same bits and the same end.
void expectLibraryResults(const std::string& text) {
    const char* s = text.c_str();
    char* libraryEnd = nullptr;
    const char* end = nullptr;

    const double decimal = std::strtod(s, &libraryEnd);
    EXPECT_EQ(bitsOf(decimalNumber(s, &end)), bitsOf(decimal)) << '"' << text << '"';
    EXPECT_EQ(end, libraryEnd) << '"' << text << '"';

    const double whole = static_cast<double>(std::strtoll(s, &libraryEnd, 10));
    EXPECT_EQ(bitsOf(wholeNumber(s, &end)), bitsOf(whole)) << '"' << text << '"';
    EXPECT_EQ(end, libraryEnd) << '"' << text << '"';

    EXPECT_EQ(leadingLong(s), std::strtol(s, nullptr, 10)) << '"' << text << '"';
}

std::string digits(std::mt19937& random, int count) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += static_cast<char>('0' + random() % 10);
    return text;
}

} // namespace

TEST(FieldNumber, EdgeCasesReadAsTheLibraryReadsThem) {
    const char* const texts[] = {"",
                                 "0",
                                 "0.0",
                                 "0.00",
                                 "412.00",
                                 "99.99",
                                 "5.",
                                 ".5",
                                 ".",
                                 "..5",
                                 "5..3",
                                 "1.2.3",
                                 "9007199254740992",
                                 "9007199254740993",
                                 "9007199254740993.0",
                                 "900719925474099.3",
                                 "4503599627370497.5",
                                 "0.1",
                                 "0.3",
                                 "2.675",
                                 "1.005",
                                 "1e5",
                                 "1E5",
                                 "5.e3",
                                 "1e",
                                 "0x10",
                                 "0X1p3",
                                 "00x1",
                                 "10x",
                                 "inf",
                                 "nan",
                                 "-1.5",
                                 "+2",
                                 "-0.0",
                                 " 7",
                                 "\t8",
                                 "00000000000000000001.5",
                                 "0000000000000000000.5",
                                 "123456789012345678.9",
                                 "1234567890123456789",
                                 "12345678901234567890",
                                 "99999999999999999999",
                                 "999999999999999999",
                                 "9223372036854775807",
                                 "9223372036854775808",
                                 "0.0000000000000000000001",
                                 "0.00000000000000000000001",
                                 "1.0000000000000000000000001",
                                 "2147483647",
                                 "2147483648",
                                 "4294967296",
                                 "12abc",
                                 "7\t8",
                                 "31.50\tSun"};
    for (const char* text : texts)
        expectLibraryResults(text);
}

TEST(FieldNumber, RandomFieldsReadAsTheLibraryReadsThem) {
    std::mt19937 random(25);
    const std::string others = "..eExX+- \tainfp#";
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        switch (random() % 4) {
        case 0: // the device's own form, and longer ones near the limits of the quick way
            text = digits(random, 1 + random() % 20) + "." + digits(random, random() % 25);
            break;
        case 1: { // a double printed at any precision
            const double v =
                std::ldexp(static_cast<double>(random()), static_cast<int>(random() % 80) - 40);
            char printed[64];
            std::snprintf(printed, sizeof printed, "%.*f", static_cast<int>(random() % 20), v);
            text = printed;
            break;
        }
        case 2: // anything from digits and the characters that continue or end a number
            for (int n = random() % 24; n > 0; --n)
                text += random() % 3 ? static_cast<char>('0' + random() % 10)
                                     : others[random() % others.size()];
            break;
        default: // a plain number with whatever follows it in a field
            text = digits(random, random() % 19) + (random() % 2 ? "." : "") +
                   digits(random, random() % 8) + others[random() % others.size()] +
                   digits(random, random() % 3);
            break;
        }
        expectLibraryResults(text);
        if (HasFailure())
            return;
    }
}
