#pragma once
// The loaded program's symbols: labels (addresses of code and data) and named values (EQU),
// looked up by name (case-insensitive) and by address (the nearest label at or before it,
// "LOOP+3"). Filled from a listing's lines and the symbol table its assembler prints at the
// end, or by any other loader through add().

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

class SymbolTable {
  public:
    enum class Kind {
        Code,  // a label of an instruction
        Data,  // a label of reserved or constant data (FCB, FDB, FCC, RMB, ...)
        Value, // a name for a number (EQU, SET); may or may not be an address
    };
    struct Symbol {
        QString Name;
        uint32_t Value = 0;
        Kind SymbolKind = Kind::Value;
    };

    void clear();
    bool empty() const { return ByName.empty(); }
    size_t size() const { return ByName.size(); }

    // Adds a symbol; a name already present (in any case) keeps its first definition, except
    // that a label replaces a plain value of the same name and address.
    void add(const QString& Name, uint32_t Value, Kind SymbolKind);

    // The symbol of that name, any case; null when there is none.
    const Symbol* find(const QString& Name) const;
    std::optional<uint32_t> value(const QString& Name) const {
        const Symbol* s = find(Name);
        return s ? std::optional<uint32_t>(s->Value) : std::nullopt;
    }

    // The label at or before Address with the distance ("LOOP", "LOOP+3"). Where no label lies
    // at or before it, a value symbol equal to it; empty when neither exists.
    QString nameFor(uint32_t Address) const;
    // The label exactly at Address, or empty.
    QString labelAt(uint32_t Address) const;
    // Labels by address (one per address: the first defined).
    const std::map<uint32_t, QString>& labels() const { return LabelsByAddress; }

    // Every symbol, sorted by name.
    std::vector<Symbol> all() const;

    // The symbols of a listing: labels of code and data lines, EQU lines ("=value" in the byte
    // field), and the assembler's symbol table at the end of the listing when it has one.
    void addFromListing(const QList<QByteArray>& Lines);

  private:
    std::map<QString, Symbol> ByName; // key: upper-case name
    std::map<uint32_t, QString> LabelsByAddress;
    std::map<uint32_t, QString> ValuesByNumber;
};
