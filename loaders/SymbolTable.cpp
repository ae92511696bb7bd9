#include "loaders/SymbolTable.h"

#include "hc11/ListFileLoader.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

// Source text of a listing's code line starts at this offset (column 41).
constexpr qsizetype SourceColumn = 40;

bool isBlank(char C) {
    return C == ' ' || C == '\t';
}

// Directives that reserve or define data rather than code.
bool isDataDirective(const QByteArray& Mnemonic) {
    static const char* const directives[] = {"FCB",  "FDB", "FCC",  "RMB",  "DB",   "DW",
                                             "DC",   "DS",  "BSZ",  "ZMB",  "FILL", "BYTE",
                                             "WORD", "ADR", "DC.B", "DC.W", "DS.B", "DS.W"};
    const QByteArray upper = Mnemonic.toUpper();
    return std::any_of(std::begin(directives), std::end(directives),
                       [&upper](const char* D) { return upper == D; });
}

// A listing line that gives a name a value: the line number and address columns of a code
// line, then "=$" in the byte field.
bool isValueLine(const QByteArray& Line) {
    return Line.size() > SourceColumn && Line[8] == '/' && Line.mid(17, 5) == " : =$";
}

// The label that starts a line's source text, in upper case (the assembler ignores case in
// names and prints them so in its table); empty when the text starts with a blank or comment.
QString labelOf(const QByteArray& Line) {
    if (Line.size() <= SourceColumn) return {};
    const char first = Line[SourceColumn];
    if (isBlank(first) || first == ';' || first == '*') return {};
    qsizetype end = SourceColumn;
    while (end < Line.size() && !isBlank(Line[end]) && Line[end] != ':')
        ++end;
    return QString::fromLatin1(Line.mid(SourceColumn, end - SourceColumn)).toUpper();
}

// The word after the label (the mnemonic or directive).
QByteArray mnemonicOf(const QByteArray& Line) {
    qsizetype start = SourceColumn;
    while (start < Line.size() && !isBlank(Line[start]))
        ++start;
    while (start < Line.size() && isBlank(Line[start]))
        ++start;
    qsizetype end = start;
    while (end < Line.size() && !isBlank(Line[end]))
        ++end;
    return Line.mid(start, end - start);
}

} // namespace

void SymbolTable::clear() {
    ByName.clear();
    LabelsByAddress.clear();
    ValuesByNumber.clear();
}

void SymbolTable::add(const QString& Name, uint32_t Value, Kind SymbolKind) {
    if (Name.isEmpty()) return;
    const QString key = Name.toUpper();
    auto it = ByName.find(key);
    if (it != ByName.end()) {
        Symbol& known = it->second;
        // The assembler's table cannot tell a code label from a data label, nor a label from a
        // value in every case: the kind seen on the defining line wins.
        const bool upgrade =
            known.Value == Value && known.SymbolKind == Kind::Value && SymbolKind != Kind::Value;
        if (!upgrade) return;
        known.SymbolKind = SymbolKind;
        LabelsByAddress.emplace(Value & 0xFFFF, known.Name);
        return;
    }
    ByName.emplace(key, Symbol{Name, Value, SymbolKind});
    if (SymbolKind == Kind::Value)
        ValuesByNumber.emplace(Value, Name);
    else
        LabelsByAddress.emplace(Value & 0xFFFF, Name);
}

const SymbolTable::Symbol* SymbolTable::find(const QString& Name) const {
    auto it = ByName.find(Name.toUpper());
    return it == ByName.end() ? nullptr : &it->second;
}

QString SymbolTable::nameFor(uint32_t Address) const {
    Address &= 0xFFFF;
    auto it = LabelsByAddress.upper_bound(Address);
    if (it != LabelsByAddress.begin()) {
        --it;
        const uint32_t offset = Address - it->first;
        return offset ? it->second + QStringLiteral("+%1").arg(offset) : it->second;
    }
    auto value = ValuesByNumber.find(Address);
    return value == ValuesByNumber.end() ? QString() : value->second;
}

QString SymbolTable::labelAt(uint32_t Address) const {
    auto it = LabelsByAddress.find(Address & 0xFFFF);
    return it == LabelsByAddress.end() ? QString() : it->second;
}

std::vector<SymbolTable::Symbol> SymbolTable::all() const {
    std::vector<Symbol> symbols;
    symbols.reserve(ByName.size());
    for (const auto& entry : ByName)
        symbols.push_back(entry.second);
    return symbols;
}

void SymbolTable::addFromListing(const QList<QByteArray>& Lines) {
    bool inTable = false;
    // One entry of the assembler's table: "NAME : VALUE TYPE", two to a line at times, split by
    // '|'; a leading '*' marks the assembler's own symbols, which are left out.
    static const QRegularExpression entry(
        QStringLiteral(R"(^\s*(\*?)([A-Za-z_.][\w.]*)\s*:\s*([0-9A-Fa-f]+)\s+(\S))"));
    for (const QByteArray& line : Lines) {
        const bool valueLine = isValueLine(line);
        if (valueLine || TKV_68HC11_ListFileLoader::IsCodeLineText(line)) {
            inTable = false;
            const QString name = labelOf(line);
            if (name.isEmpty()) continue;
            if (valueLine) {
                // The byte field holds "=$value" for a name given a value.
                bool ok = false;
                const uint32_t value = line.mid(22, SourceColumn - 22).trimmed().toUInt(&ok, 16);
                if (ok) add(name, value, Kind::Value);
                continue;
            }
            const int32_t address = TKV_68HC11_ListFileLoader::LineTextAddress(line);
            if (address < 0) continue;
            add(name, static_cast<uint32_t>(address),
                isDataDirective(mnemonicOf(line)) ? Kind::Data : Kind::Code);
            continue;
        }
        if (QString::fromLatin1(line).contains(QStringLiteral("symbol table"),
                                               Qt::CaseInsensitive)) {
            inTable = true;
            continue;
        }
        if (!inTable) continue;
        for (const QByteArray& part : line.split('|')) {
            const auto match = entry.match(QString::fromLatin1(part));
            if (!match.hasMatch() || !match.captured(1).isEmpty()) continue;
            bool ok = false;
            const uint32_t value = match.captured(3).toUInt(&ok, 16);
            if (!ok) continue;
            add(match.captured(2).toUpper(), value,
                match.captured(4) == QLatin1String("-") ? Kind::Value : Kind::Code);
        }
    }
}
