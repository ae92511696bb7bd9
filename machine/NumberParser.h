#pragma once
// Numbers as a user types them anywhere in the program (register fields, the runner's command
// line, addresses): decimal, or hexadecimal after "$" or "0x"/"0X". One reader for all of them.

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

struct ParsedNumber {
    uint64_t magnitude = 0;
    bool negative = false;    // a leading "-" (only where a sign is allowed)
    bool hexadecimal = false; // written with "$" or "0x"
};

// Reads Text exactly (no blanks): an optional sign when AllowSign, the base prefix, then at
// least one digit of that base and nothing else. Empty on anything else, or when the magnitude
// does not fit 64 bits.
std::optional<ParsedNumber> parseNumberText(std::string_view Text, bool AllowSign);

// An unsigned number up to Max: no sign, no blanks.
std::optional<uint64_t> parseNumber(std::string_view Text, uint64_t Max);

// A value typed into a field: blanks around it ignored, an optional sign, at most 32 bits;
// hexadecimal may spell a negative number in two's complement ($FFFFFFFF = -1).
std::optional<int32_t> parseFieldValue(const QString& Text);
