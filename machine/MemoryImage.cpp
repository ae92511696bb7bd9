#include "machine/MemoryImage.h"

#include "loaders/SymbolTable.h"
#include "machine/Machine.h"
#include "machine/NumberParser.h"

void MemoryImage::take(const Machine& M) {
    Before = Now;
    for (uint32_t a = 0; a < 0x10000; ++a)
        Now[a] = M.peek(a);
}

std::optional<uint32_t> parseAddressText(const QString& Text, const SymbolTable& Symbols) {
    const QString text = Text.trimmed();
    if (text.isEmpty()) return std::nullopt;
    const auto term = [&Symbols](const QString& Part) -> std::optional<int64_t> {
        const QByteArray latin = Part.trimmed().toLatin1();
        if (const auto n = parseNumber(std::string_view(latin.constData(), latin.size()), 0xFFFF))
            return static_cast<int64_t>(*n);
        if (const auto v = Symbols.value(Part.trimmed())) return static_cast<int64_t>(*v);
        return std::nullopt;
    };
    // A symbol or number, then at most one "+N" or "-N" (a "$" or "0x" number may follow).
    qsizetype split = -1;
    for (qsizetype i = 1; i < text.size(); ++i)
        if (text[i] == u'+' || text[i] == u'-') split = i;
    std::optional<int64_t> value;
    if (split < 0) {
        value = term(text);
    } else {
        const auto base = term(text.left(split)), offset = term(text.mid(split + 1));
        if (base && offset) value = text[split] == u'+' ? *base + *offset : *base - *offset;
    }
    if (!value || *value < 0 || *value > 0xFFFF) return std::nullopt;
    return static_cast<uint32_t>(*value);
}
