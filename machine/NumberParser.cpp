#include "machine/NumberParser.h"

#include <limits>

std::optional<ParsedNumber> parseNumberText(std::string_view Text, bool AllowSign) {
    ParsedNumber result;
    if (AllowSign && !Text.empty() && (Text[0] == '-' || Text[0] == '+')) {
        result.negative = Text[0] == '-';
        Text.remove_prefix(1);
    }
    if (!Text.empty() && Text[0] == '$') {
        result.hexadecimal = true;
        Text.remove_prefix(1);
    } else if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
        result.hexadecimal = true;
        Text.remove_prefix(2);
    }
    if (Text.empty()) return std::nullopt;
    const uint64_t base = result.hexadecimal ? 16 : 10;
    for (const char c : Text) {
        uint64_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint64_t>(c - '0');
        else if (result.hexadecimal && c >= 'a' && c <= 'f')
            digit = static_cast<uint64_t>(c - 'a' + 10);
        else if (result.hexadecimal && c >= 'A' && c <= 'F')
            digit = static_cast<uint64_t>(c - 'A' + 10);
        else
            return std::nullopt;
        if (result.magnitude > (std::numeric_limits<uint64_t>::max() - digit) / base)
            return std::nullopt;
        result.magnitude = result.magnitude * base + digit;
    }
    return result;
}

std::optional<uint64_t> parseNumber(std::string_view Text, uint64_t Max) {
    const auto n = parseNumberText(Text, false);
    if (!n || n->magnitude > Max) return std::nullopt;
    return n->magnitude;
}

std::optional<int32_t> parseFieldValue(const QString& Text) {
    const QByteArray bytes = Text.trimmed().toUtf8(); // other scripts' digits never match
    const auto n = parseNumberText(std::string_view(bytes.constData(), size_t(bytes.size())), true);
    if (!n) return std::nullopt;
    const uint64_t limit = n->negative ? 0x80000000ULL : (n->hexadecimal ? 0xFFFFFFFFULL : 0x7FFFFFFFULL);
    if (n->magnitude > limit) return std::nullopt;
    const auto bits = static_cast<uint32_t>(n->magnitude);
    return static_cast<int32_t>(n->negative ? 0U - bits : bits);
}
