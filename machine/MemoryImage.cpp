#include "machine/MemoryImage.h"

#include "loaders/SymbolTable.h"
#include "machine/Machine.h"
#include "machine/WatchExpression.h"

void MemoryImage::take(const Machine& M) {
    Before = Now;
    for (uint32_t a = 0; a < 0x10000; ++a)
        Now[a] = M.peek(a);
}

std::optional<uint32_t> parseAddressText(const QString& Text, const SymbolTable& Symbols) {
    // A watch expression that names memory by numbers and symbols alone: no register, no
    // format suffix, no leading sign.
    const QString text = Text.trimmed();
    if (text.startsWith(u'+') || text.startsWith(u'-') || text.contains(u',')) return std::nullopt;
    const auto e = parseWatch(text, Symbols, nullptr);
    if (!e || e->IsRegister || !e->AddressRegisters.empty() || e->Offset < 0 || e->Offset > 0xFFFF)
        return std::nullopt;
    return static_cast<uint32_t>(e->Offset);
}
