#pragma once
// A picture of the whole address space as a program would read it (Machine::peek: the IO
// registers without side effects), taken at each stop: the memory view compares two of them to
// show which bytes changed since the stop before. And the address a user types: a number
// ($E000, 0xE000, 57344) or a symbol of the loaded program, optionally with an offset
// ("TABLE+3", "BUF-$10").

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class Machine;
class SymbolTable;

class MemoryImage {
  public:
    // Takes a new picture; the previous one becomes the one compared against.
    void take(const Machine& M);
    // Forgets the previous picture: no byte counts as changed until the next take().
    void settle() { Before = Now; }
    bool changed(uint32_t Address) const {
        return Now[Address & 0xFFFF] != Before[Address & 0xFFFF];
    }
    uint8_t at(uint32_t Address) const { return Now[Address & 0xFFFF]; }

  private:
    std::array<uint8_t, 0x10000> Now{}, Before{};
};

// The address Text names (blanks around it ignored), 0 to $FFFF; empty when it names none.
std::optional<uint32_t> parseAddressText(const QString& Text, const SymbolTable& Symbols);
