#pragma once
// Watch expressions as the user types them into the watch grid and into breakpoint conditions.
//
//   a register           A  B  D  X  Y  SP  PC  CCR           (its value)
//   a memory location    COUNT  $0040  64  %1000000  COUNT+2  X+3  Y-1  TABLE+X
//
// followed by suffixes, each after a comma (",w,d" or ",wd"): ,b one byte (the default) ,w a
// word (high byte first) ,N N bytes shown as a row (N = 1 or 3 to 64); ,x hexadecimal (the
// default) ,d decimal ,s signed decimal ,c character ,2 binary. A sum that names a register
// (X+3) is the memory at that address; a register alone is the register itself. Register names
// win over symbols of the same name. A bad expression yields a short German reason.

#include "machine/Machine.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class SymbolTable;

struct WatchExpression {
    enum class Format { Hex, Decimal, Signed, Char, Binary };

    bool IsRegister = false;
    Machine::Register Reg = Machine::Register::A; // when IsRegister
    // The address of a memory location: Offset plus (or minus) the named registers' values.
    int64_t Offset = 0;
    struct RegisterTerm {
        Machine::Register Reg;
        bool Negative;
    };
    std::vector<RegisterTerm> AddressRegisters;
    int Size = 1;     // bytes: 1 or 2 (a register's width), or the length of a row
    bool Row = false; // Size bytes shown one by one
    Format ValueFormat = Format::Hex;

    // The address of a memory location now (modulo 64 KiB); 0 for a register.
    uint32_t address(const Machine& M) const;
    // The value as one number: a register, a byte or a word, signed with ,s; a row's first byte.
    int64_t number(const Machine& M) const;
    // The value as the watch grid shows it ("$3F", "-1", "'A'", "%00111111", "$E012 (LOOP+3)").
    QString format(const Machine& M) const;
    // Writes a typed value: a number in the expression's range (bytes of a row separated by
    // blanks, a character in quotes). False with a short German reason when it does not fit;
    // nothing is written then.
    bool write(Machine& M, const QString& Text, QString* Error) const;
};

// Parses Text with the symbols of the loaded program. Empty with *Error set when it is bad.
std::optional<WatchExpression> parseWatch(const QString& Text, const SymbolTable& Symbols,
                                          QString* Error);

// The value of Text as the watch grid shows it, or the reason why it has none.
QString evaluateWatch(const QString& Text, const Machine& M);
