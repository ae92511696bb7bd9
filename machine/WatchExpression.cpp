#include "machine/WatchExpression.h"

#include "loaders/SymbolTable.h"
#include "machine/NumberParser.h"

#include <array>

namespace {

using Reg = Machine::Register;
using Format = WatchExpression::Format;

constexpr int MaxRowBytes = 64;

std::optional<Reg> registerNamed(const QString& Name) {
    static const std::array<std::pair<const char*, Reg>, 8> Names = {{
        {"A", Reg::A},
        {"B", Reg::B},
        {"D", Reg::D},
        {"X", Reg::X},
        {"Y", Reg::Y},
        {"SP", Reg::SP},
        {"PC", Reg::PC},
        {"CCR", Reg::CCR},
    }};
    const QString upper = Name.toUpper();
    for (const auto& [name, reg] : Names)
        if (upper == QLatin1String(name)) return reg;
    return std::nullopt;
}

int registerWidth(Reg R) {
    return R == Reg::A || R == Reg::B || R == Reg::CCR ? 1 : 2;
}

// A number as typed anywhere in the program, or binary after "%".
std::optional<ParsedNumber> numberText(const QString& Text, bool AllowSign) {
    const QByteArray bytes = Text.toUtf8();
    std::string_view view(bytes.constData(), static_cast<size_t>(bytes.size()));
    bool negative = false;
    if (AllowSign && !view.empty() && (view[0] == '-' || view[0] == '+')) {
        negative = view[0] == '-';
        view.remove_prefix(1);
    }
    if (!view.empty() && view[0] == '%') {
        view.remove_prefix(1);
        if (view.empty() || view.size() > 32) return std::nullopt;
        ParsedNumber n;
        n.negative = negative;
        for (char c : view) {
            if (c != '0' && c != '1') return std::nullopt;
            n.magnitude = n.magnitude * 2 + static_cast<uint64_t>(c - '0');
        }
        return n;
    }
    auto n = parseNumberText(view, false);
    if (n) n->negative = negative;
    return n;
}

bool isNameChar(QChar C) {
    return C.isLetterOrNumber() || C == u'_' || C == u'.' || C == u'$' || C == u'%';
}

// Applies the suffixes after the first comma; false with a reason on a bad one.
bool applySuffixes(const QStringList& Suffixes, WatchExpression& E, QString* Error) {
    bool sized = false;
    for (const QString& raw : Suffixes) {
        const QString s = raw.trimmed().toLower();
        if (s.isEmpty()) {
            *Error = QStringLiteral("Format fehlt nach dem Komma");
            return false;
        }
        if (s == QLatin1String("2")) {
            E.ValueFormat = Format::Binary;
            continue;
        }
        if (s[0].isDigit()) {
            bool ok = false;
            const int n = s.toInt(&ok);
            if (!ok || n < 1 || n > MaxRowBytes) {
                *Error = QStringLiteral("Bytezahl 1 bis %1").arg(MaxRowBytes);
                return false;
            }
            if (E.IsRegister || sized) {
                *Error = E.IsRegister ? QStringLiteral("Register haben eine feste Größe")
                                      : QStringLiteral("Zwei Größen angegeben");
                return false;
            }
            E.Size = n;
            E.Row = n > 1;
            sized = true;
            continue;
        }
        for (QChar c : s) {
            switch (c.toLatin1()) {
            case 'x': E.ValueFormat = Format::Hex; break;
            case 'd': E.ValueFormat = Format::Decimal; break;
            case 's': E.ValueFormat = Format::Signed; break;
            case 'c': E.ValueFormat = Format::Char; break;
            case 'b':
            case 'w':
                if (E.IsRegister || sized) {
                    *Error = E.IsRegister ? QStringLiteral("Register haben eine feste Größe")
                                          : QStringLiteral("Zwei Größen angegeben");
                    return false;
                }
                E.Size = c == u'w' ? 2 : 1;
                sized = true;
                break;
            default:
                *Error = QStringLiteral("Unbekanntes Format „%1“").arg(raw.trimmed());
                return false;
            }
        }
    }
    return true;
}

QString hexDigits(uint64_t Value, int Digits) {
    return QStringLiteral("$%1").arg(Value, Digits, 16, QLatin1Char('0')).toUpper();
}

QString charText(uint8_t Byte) {
    if (Byte >= 0x20 && Byte < 0x7F) return QStringLiteral("'%1'").arg(QChar(Byte));
    return hexDigits(Byte, 2);
}

// One value of Bytes bytes in a format; Signed reinterprets its top bit.
QString formatValue(uint64_t Value, int Bytes, Format F) {
    const int bits = Bytes * 8;
    switch (F) {
    case Format::Hex: return hexDigits(Value, Bytes * 2);
    case Format::Decimal: return QString::number(Value);
    case Format::Signed: {
        const uint64_t top = uint64_t{1} << (bits - 1);
        const int64_t v = (Value & top) ? static_cast<int64_t>(Value) - (int64_t{1} << bits)
                                        : static_cast<int64_t>(Value);
        return QString::number(v);
    }
    case Format::Char:
        if (Bytes == 1) return charText(static_cast<uint8_t>(Value));
        return charText(static_cast<uint8_t>(Value >> 8)) + QLatin1Char(' ') +
               charText(static_cast<uint8_t>(Value));
    case Format::Binary: return QStringLiteral("%%1").arg(Value, bits, 2, QLatin1Char('0'));
    }
    return {};
}

// A symbol beside a value that may be an address, when a label lies close before it.
QString addressNote(const Machine& M, uint32_t Value, bool LabelsOnly) {
    // A data word is an address only by chance: only a label before it names it.
    const auto& labels = M.symbols().labels();
    if (LabelsOnly && (labels.empty() || labels.begin()->first > Value)) return {};
    const QString name = M.nearSymbolFor(Value);
    return name.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(name);
}

// A typed value: a character in quotes, or a number with an optional sign.
std::optional<int64_t> typedValue(const QString& Text) {
    const QString t = Text.trimmed();
    if (t.size() == 3 && t.front() == u'\'' && t.back() == u'\'' && t[1].unicode() < 0x100)
        return t[1].unicode();
    const auto n = numberText(t, true);
    if (!n || n->magnitude > 0xFFFFFFFFULL) return std::nullopt;
    const auto m = static_cast<int64_t>(n->magnitude);
    return n->negative ? -m : m;
}

bool fits(int64_t Value, int Bytes) {
    const int64_t span = int64_t{1} << (8 * Bytes);
    return Value >= -(span / 2) && Value < span;
}

} // namespace

std::optional<WatchExpression> parseWatch(const QString& Text, const SymbolTable& Symbols,
                                          QString* Error) {
    QString ignored;
    if (!Error) Error = &ignored;
    QStringList parts = Text.split(u',');
    const QString base = parts.takeFirst().trimmed();
    if (base.isEmpty()) {
        *Error = QStringLiteral("Leerer Ausdruck");
        return std::nullopt;
    }
    WatchExpression e;
    if (auto reg = registerNamed(base)) {
        e.IsRegister = true;
        e.Reg = *reg;
        e.Size = registerWidth(*reg);
        if (!applySuffixes(parts, e, Error)) return std::nullopt;
        return e;
    }
    // A sum of terms: numbers, symbols and registers, each after + or - (the first may omit it).
    int i = 0;
    bool first = true;
    while (i < base.size()) {
        while (i < base.size() && base[i].isSpace())
            ++i;
        bool negative = false;
        if (i < base.size() && (base[i] == u'+' || base[i] == u'-')) {
            negative = base[i] == u'-';
            ++i;
        } else if (!first) {
            *Error = isNameChar(base[i])
                         ? QStringLiteral("+ oder - erwartet vor „%1“").arg(base.mid(i))
                         : QStringLiteral("Unerwartetes Zeichen „%1“").arg(base[i]);
            return std::nullopt;
        }
        while (i < base.size() && base[i].isSpace())
            ++i;
        const int start = i;
        while (i < base.size() && isNameChar(base[i]))
            ++i;
        const QString term = base.mid(start, i - start);
        if (term.isEmpty()) {
            *Error = i < base.size() ? QStringLiteral("Unerwartetes Zeichen „%1“").arg(base[i])
                                     : QStringLiteral("Operand fehlt");
            return std::nullopt;
        }
        first = false;
        if (term[0].isDigit() || term[0] == u'$' || term[0] == u'%') {
            const auto n = numberText(term, false);
            if (!n || n->magnitude > 0xFFFF) {
                *Error = QStringLiteral("Ungültige Adresse „%1“").arg(term);
                return std::nullopt;
            }
            const auto value = static_cast<int64_t>(n->magnitude);
            e.Offset += negative ? -value : value;
        } else if (auto reg = registerNamed(term)) {
            e.AddressRegisters.push_back({*reg, negative});
        } else if (auto value = Symbols.value(term)) {
            e.Offset += negative ? -int64_t{*value} : int64_t{*value};
        } else {
            *Error = QStringLiteral("Unbekanntes Symbol „%1“").arg(term);
            return std::nullopt;
        }
    }
    if (!applySuffixes(parts, e, Error)) return std::nullopt;
    return e;
}

QString evaluateWatch(const QString& Text, const Machine& M) {
    QString error;
    const auto e = parseWatch(Text, M.symbols(), &error);
    return e ? e->format(M) : error;
}

uint32_t WatchExpression::address(const Machine& M) const {
    if (IsRegister) return 0;
    int64_t a = Offset;
    for (const RegisterTerm& t : AddressRegisters) {
        const auto v = static_cast<int64_t>(M.registerValue(t.Reg));
        a += t.Negative ? -v : v;
    }
    return static_cast<uint32_t>(a) & 0xFFFF;
}

int64_t WatchExpression::number(const Machine& M) const {
    uint64_t value = 0;
    int bytes = Size;
    if (IsRegister) {
        value = M.registerValue(Reg);
    } else {
        const uint32_t a = address(M);
        bytes = Row ? 1 : Size;
        for (int k = 0; k < bytes; ++k)
            value = value << 8 | M.peek(a + static_cast<uint32_t>(k));
    }
    const uint64_t top = uint64_t{1} << (8 * bytes - 1);
    if (ValueFormat == Format::Signed && (value & top))
        return static_cast<int64_t>(value) - (int64_t{1} << (8 * bytes));
    return static_cast<int64_t>(value);
}

QString WatchExpression::format(const Machine& M) const {
    if (IsRegister) {
        const uint32_t value = M.registerValue(Reg);
        QString text = formatValue(value, Size, ValueFormat);
        const bool pointer = Reg == Reg::PC || Reg == Reg::X || Reg == Reg::Y || Reg == Reg::SP;
        if (pointer && ValueFormat == Format::Hex) text += addressNote(M, value, false);
        return text;
    }
    const uint32_t a = address(M);
    if (!Row) {
        const auto value = static_cast<uint64_t>(number(M)) & (Size == 2 ? 0xFFFFu : 0xFFu);
        QString text = formatValue(value, Size, ValueFormat);
        if (Size == 2 && ValueFormat == Format::Hex)
            text += addressNote(M, static_cast<uint32_t>(value), true);
        return text;
    }
    QStringList bytes;
    QString chars;
    for (int k = 0; k < Size; ++k) {
        const uint8_t b = M.peek(a + static_cast<uint32_t>(k));
        if (ValueFormat == Format::Char)
            chars += b >= 0x20 && b < 0x7F ? QChar(b) : QChar(u'.');
        else
            bytes << formatValue(b, 1, ValueFormat);
    }
    return ValueFormat == Format::Char ? QStringLiteral("\"%1\"").arg(chars)
                                       : bytes.join(QLatin1Char(' '));
}

bool WatchExpression::write(Machine& M, const QString& Text, QString* Error) const {
    QString ignored;
    if (!Error) Error = &ignored;
    std::vector<int64_t> values;
    if (Row && ValueFormat == Format::Char && Text.trimmed().startsWith(u'"')) {
        const QString t = Text.trimmed();
        const QString inner = t.mid(1, t.endsWith(u'"') && t.size() > 1 ? t.size() - 2 : -1);
        for (QChar c : inner) {
            if (c.unicode() > 0xFF) {
                *Error = QStringLiteral("Zeichen „%1“ passt nicht in ein Byte").arg(c);
                return false;
            }
            values.push_back(c.unicode());
        }
    } else {
        for (const QString& item : Text.split(u' ', Qt::SkipEmptyParts)) {
            const auto v = typedValue(item);
            if (!v) {
                *Error = QStringLiteral("Ungültiger Wert „%1“").arg(item);
                return false;
            }
            values.push_back(*v);
        }
    }
    const int count = Row ? Size : 1;
    if (values.empty()) {
        *Error = QStringLiteral("Wert fehlt");
        return false;
    }
    if (static_cast<int>(values.size()) > count) {
        *Error = count == 1 ? QStringLiteral("Nur ein Wert erwartet")
                            : QStringLiteral("Höchstens %1 Werte").arg(count);
        return false;
    }
    const int width = Row ? 1 : Size;
    for (int64_t v : values) {
        if (!fits(v, width)) {
            *Error = width == 1 ? QStringLiteral("Wert passt nicht in ein Byte")
                                : QStringLiteral("Wert passt nicht in ein Wort");
            return false;
        }
    }
    if (IsRegister) {
        M.setRegister(Reg, static_cast<uint32_t>(values[0]));
        return true;
    }
    const uint32_t a = address(M);
    if (Row) {
        for (size_t k = 0; k < values.size(); ++k)
            M.poke(a + static_cast<uint32_t>(k), static_cast<uint8_t>(values[k]));
    } else if (Size == 2) {
        M.poke(a, static_cast<uint8_t>(values[0] >> 8));
        M.poke(a + 1, static_cast<uint8_t>(values[0]));
    } else {
        M.poke(a, static_cast<uint8_t>(values[0]));
    }
    return true;
}
