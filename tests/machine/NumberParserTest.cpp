// The one reader of typed numbers: what the command line, the register fields and the address
// fields accept, and what they refuse.
#include "machine/NumberParser.h"

#include <gtest/gtest.h>

TEST(NumberParser, UnsignedNumbersInEverySpellingUpToTheirLimit) {
    const std::pair<const char*, std::optional<uint64_t>> cases[] = {
        {"0", 0},          {"65535", 65535},  {"$FFFF", 0xFFFF}, {"$ffff", 0xFFFF},
        {"0xBEEF", 0xBEEF}, {"0XbeeF", 0xBEEF}, {"0x", {}},        {"$", {}},
        {"", {}},          {"65536", {}},     {"$10000", {}},    {"-1", {}},
        {"+1", {}},        {" 1", {}},        {"1 ", {}},        {"12G", {}},
        {"$12G", {}},      {"0x0x1", {}},     {"1.5", {}},       {"$-1", {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseNumber(text, 0xFFFF), expected) << text;
    EXPECT_EQ(parseNumber("18446744073709551615", UINT64_MAX), UINT64_MAX);
    EXPECT_EQ(parseNumber("18446744073709551616", UINT64_MAX), std::nullopt); // no wrap
    EXPECT_EQ(parseNumber("$10000000000000000", UINT64_MAX), std::nullopt);
}

TEST(NumberParser, FieldValuesTakeBlanksSignsAndTwosComplementWithin32Bits) {
    const std::pair<QString, std::optional<int32_t>> cases[] = {
        {" 0X1a ", 26},      {"+7", 7},           {"-1", -1},       {"$FFFFFFFF", -1},
        {"-$80000000", INT32_MIN}, {"2147483647", INT32_MAX}, {"2147483648", {}},
        {"$100000000", {}},  {"--1", {}},         {"\u0663", {}},   {"", {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseFieldValue(text), expected) << text.toStdString();
}
