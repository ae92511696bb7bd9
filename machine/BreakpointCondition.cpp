#include "machine/BreakpointCondition.h"

#include "machine/NumberParser.h"

std::optional<BreakpointCondition> parseCondition(const QString& Text, const SymbolTable& Symbols,
                                                  QString* Error) {
    QString ignored;
    if (!Error) Error = &ignored;
    using Compare = BreakpointCondition::Compare;
    // Longest operators first, so that "<=" is not read as "<".
    static const std::pair<const char*, Compare> Operators[] = {
        {"==", Compare::Equal},     {"!=", Compare::NotEqual},     {"<>", Compare::NotEqual},
        {"<=", Compare::LessEqual}, {">=", Compare::GreaterEqual}, {"=", Compare::Equal},
        {"<", Compare::Less},       {">", Compare::Greater},
    };
    int at = -1;
    int length = 0;
    Compare op = Compare::Equal;
    for (const auto& [text, compare] : Operators) {
        const int i = Text.indexOf(QLatin1String(text));
        if (i >= 0 && (at < 0 || i < at)) {
            at = i;
            length = static_cast<int>(qstrlen(text));
            op = compare;
        }
    }
    if (at < 0) {
        *Error = QStringLiteral("Vergleich fehlt (=, <>, <, >, <=, >=)");
        return std::nullopt;
    }
    auto left = parseWatch(Text.left(at), Symbols, Error);
    if (!left) return std::nullopt;
    if (left->Row) {
        *Error = QStringLiteral("Eine Bytezeile lässt sich nicht vergleichen");
        return std::nullopt;
    }
    const QByteArray right = Text.mid(at + length).trimmed().toUtf8();
    if (right.isEmpty()) {
        *Error = QStringLiteral("Wert fehlt");
        return std::nullopt;
    }
    const auto n = parseNumberText(std::string_view(right.constData(), size_t(right.size())), true);
    if (!n || n->magnitude > 0xFFFFFFFFULL) {
        *Error = QStringLiteral("Ungültiger Wert „%1“").arg(QString::fromUtf8(right));
        return std::nullopt;
    }
    const auto magnitude = static_cast<int64_t>(n->magnitude);
    return BreakpointCondition{*left, op, n->negative ? -magnitude : magnitude};
}

bool BreakpointCondition::holds(const Machine& M) const {
    const int64_t value = Left.number(M);
    switch (Operator) {
    case Compare::Equal: return value == Right;
    case Compare::NotEqual: return value != Right;
    case Compare::Less: return value < Right;
    case Compare::Greater: return value > Right;
    case Compare::LessEqual: return value <= Right;
    case Compare::GreaterEqual: return value >= Right;
    }
    return false;
}
