#pragma once
// Turns 68HC11 machine code back into assembler text. The mnemonics and addressing modes come
// from the core's own opcode table; a prefix page ($18, $1A, $CD) changes an instruction the
// way it changes the core's execution (X to Y register, X to Y index, SUBD to CPD), and only
// the combinations the reference manual's opcode map lists count as instructions there: any
// other prefix byte is shown as a data byte (FCB) of its own.

#include <QString>
#include <cstdint>
#include <functional>

class Disassembler {
  public:
    struct Instruction {
        uint32_t Address = 0;
        int Length = 1;        // bytes, prefix included
        QString Mnemonic;      // "LDAA", "BRSET", "FCB" for a byte that is no instruction
        QString Operand;       // "#$12", "*$40", "$04,X", "$E010"; empty when there is none
        bool Valid = false;    // an instruction of the opcode map (not FCB)
        bool EndsFlow = false; // RTS, RTI, JMP, BRA: the next byte need not be code
        int32_t Target = -1;   // the address a branch, jump or call goes to (-1: none or indexed)
    };
    struct Style {
        QString HexPrefix = QStringLiteral("$");
        // Relative branch targets as ".+offset" (what the assembler takes in a relocatable
        // section) instead of the target address.
        bool DotRelativeBranches = false;
    };
    // The byte at an address (0..255).
    using ByteReader = std::function<uint8_t(uint32_t Address)>;
    // A name for an address the code refers to (a label), or empty.
    using Namer = std::function<QString(uint32_t Address)>;

    Disassembler();
    explicit Disassembler(Style S) : Format(std::move(S)) {}
    void setNamer(Namer N) { NameOf = std::move(N); }

    // The instruction at Address; addresses wrap modulo 65536.
    Instruction decode(const ByteReader& Read, uint32_t Address) const;

    // Whether the opcode is an instruction on the page of the prefix (0 for the first page).
    static bool isInstruction(uint8_t Prefix, uint8_t Opcode);

  private:
    QString hex8(uint32_t Value) const;
    QString hex16(uint32_t Value) const;
    QString address(uint32_t Value) const;

    Style Format;
    Namer NameOf;
};
