#pragma once
// What a loader makes of a program file before anything reaches the machine: the bytes to
// write by address, the start address the file names, its symbols and, from debug
// information, which source line each address belongs to.

#include "loaders/SymbolTable.h"

#include <QString>
#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

struct ProgramImage {
    std::array<uint8_t, 0x10000> Bytes{};
    std::bitset<0x10000> Loaded; // addresses the file gives a byte for

    QString Name;                  // the S0 header's text; empty when the file names none
    std::optional<uint16_t> Entry; // the start address (S9, Intel HEX type 05, ELF e_entry)
    std::vector<SymbolTable::Symbol> Symbols;

    struct SourceLine {
        QString File; // absolute path as the debug information names it
        int Line = 0; // 1-based
        uint16_t Address = 0;
    };
    std::vector<SourceLine> Lines; // from a DWARF line table; empty otherwise

    void put(uint32_t Address, uint8_t Value) {
        Bytes[Address & 0xFFFF] = Value;
        Loaded.set(Address & 0xFFFF);
    }
    bool empty() const { return Loaded.none(); }
    // The contiguous runs of loaded addresses as [first, last] pairs, in address order.
    std::vector<std::pair<uint32_t, uint32_t>> ranges() const {
        std::vector<std::pair<uint32_t, uint32_t>> r;
        for (uint32_t a = 0; a < 0x10000; ++a) {
            if (!Loaded[a]) continue;
            if (!r.empty() && r.back().second + 1 == a)
                r.back().second = a;
            else
                r.emplace_back(a, a);
        }
        return r;
    }
};
