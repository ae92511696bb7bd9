// Length and cycle count of every opcode on every prefix page, checked against the opcode map
// of the reference manual, and the set of opcodes that stop with the unknown-opcode report.
#include "HC11TestSupport.h"

#include <string>

namespace {

// The unprefixed opcode map, one row per high nibble: "length/cycles" per opcode; "J/c" for an
// instruction that jumps (its length is checked elsewhere); "-" not implemented; "P" a prefix.
// Operand bytes are zero in this test, so branches go to the next instruction either way.
// clang-format off
const char* const Map[16][16] = {
/* 0x */ {"-",   "1/2", "1/41","-",   "1/3", "1/3", "1/2", "1/2", "1/3", "1/3", "1/2", "1/2", "1/2", "1/2", "1/2", "1/2"},
/* 1x */ {"1/2", "1/2", "4/6", "4/6", "3/6", "3/6", "1/2", "1/2", "P",   "-",   "P",   "1/2", "3/7", "3/7", "4/7", "4/7"},
/* 2x */ {"2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3"},
/* 3x */ {"1/3", "1/3", "1/4", "1/4", "1/3", "1/3", "1/3", "1/3", "1/5", "J/5", "1/3", "J/12","1/4", "1/10","-",   "J/14"},
/* 4x */ {"1/2", "-",   "-",   "1/2", "1/2", "-",   "-",   "1/2", "1/2", "-",   "1/2", "-",   "1/2", "1/2", "-",   "1/2"},
/* 5x */ {"1/2", "-",   "-",   "1/2", "1/2", "-",   "-",   "1/2", "1/2", "-",   "1/2", "-",   "1/2", "1/2", "-",   "1/2"},
/* 6x */ {"2/6", "-",   "-",   "2/6", "2/6", "-",   "-",   "2/6", "2/6", "-",   "2/6", "-",   "2/6", "2/6", "J/3", "2/6"},
/* 7x */ {"3/6", "-",   "-",   "3/6", "3/6", "-",   "-",   "3/6", "3/6", "-",   "3/6", "-",   "3/6", "3/6", "J/3", "3/6"},
/* 8x */ {"2/2", "2/2", "2/2", "3/4", "2/2", "2/2", "2/2", "-",   "2/2", "2/2", "2/2", "2/2", "3/4", "2/6", "3/3", "1/3"},
/* 9x */ {"2/3", "2/3", "2/3", "2/5", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/5", "J/5", "2/4", "2/4"},
/* Ax */ {"2/4", "2/4", "2/4", "2/6", "2/4", "2/4", "2/4", "2/4", "2/4", "2/4", "2/4", "2/4", "2/6", "J/6", "2/5", "2/5"},
/* Bx */ {"3/4", "3/4", "3/4", "3/6", "3/4", "3/4", "3/4", "3/4", "3/4", "3/4", "3/4", "3/4", "3/6", "J/6", "3/5", "3/5"},
/* Cx */ {"2/2", "2/2", "2/2", "3/4", "2/2", "2/2", "2/2", "-",   "2/2", "2/2", "2/2", "2/2", "3/3", "P",   "3/3", "-"},
/* Dx */ {"2/3", "2/3", "2/3", "2/5", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/3", "2/4", "2/4", "2/4", "2/4"},
/* Ex */ {"2/4", "2/4", "2/4", "2/6", "2/4", "2/4", "2/4", "2/4", "2/4", "2/4", "2/4", "2/4", "2/5", "2/5", "2/5", "2/5"},
/* Fx */ {"3/4", "3/4", "3/4", "3/6", "3/4", "3/4", "3/4", "3/4", "3/4", "3/4", "3/4", "3/4", "3/5", "3/5", "3/5", "3/5"},
};
// clang-format on

struct TCell {
    bool Implemented = false;
    bool Prefix = false;
    bool Jumps = false;
    int Length = 0;
    int Cycles = 0;
};

TCell Cell(int Opcode) {
    const std::string s = Map[Opcode >> 4][Opcode & 15];
    TCell c;
    if (s == "-") return c;
    if (s == "P") {
        c.Prefix = true;
        return c;
    }
    c.Implemented = true;
    c.Jumps = s[0] == 'J';
    c.Length = c.Jumps ? 0 : s[0] - '0';
    c.Cycles = std::stoi(s.substr(2));
    return c;
}

struct TStepResult {
    int32_t Cycles;
    int32_t Advance;
    size_t Boxes;
    bool Running;
};

// One step of Prefix (or none) + Opcode + zero operand bytes on a fresh CPU.
TStepResult StepOn(int Prefix, int Opcode) {
    TCPU_68HC11_ cpu;
    TRecordingSink sink;
    cpu.MessageSink = &sink;
    constexpr uint32_t at = 0xC000;
    uint32_t a = at;
    if (Prefix >= 0) cpu.Memory[a++] = static_cast<uint8_t>(Prefix);
    cpu.Memory[a] = static_cast<uint8_t>(Opcode);
    cpu.PC = at;
    cpu.IX = 0x2000;
    cpu.IY = 0x2100;
    cpu.SP = 0x3FF0;
    cpu.Running = true;
    const int32_t cycles = cpu.ExecuteInstruction();
    return {cycles, static_cast<int32_t>((cpu.PC - at) & 0xFFFF), sink.Boxes.size(), cpu.Running};
}

TEST(OpcodeTable, LengthAndCyclesOfEveryOpcodeOnEveryPage) {
    for (const int prefix : {-1, 0x18, 0x1A, 0xCD}) {
        const int extra = prefix < 0 ? 0 : 1;
        for (int op = 0; op < 256; ++op) {
            const TCell cell = Cell(op);
            if (!cell.Implemented) continue;
            SCOPED_TRACE(testing::Message() << "prefix " << std::hex << prefix << " opcode " << op);
            const TStepResult r = StepOn(prefix, op);
            EXPECT_EQ(r.Cycles, cell.Cycles + extra);
            if (!cell.Jumps) {
                EXPECT_EQ(r.Advance, cell.Length + extra);
            }
            EXPECT_EQ(r.Boxes, 0u);
            EXPECT_TRUE(r.Running);
        }
    }
}

TEST(OpcodeTable, UnimplementedOpcodesReportOnEveryPage) {
    int unprefixedCount = 0;
    for (const int prefix : {-1, 0x18, 0x1A, 0xCD}) {
        const int extra = prefix < 0 ? 0 : 1;
        for (int op = 0; op < 256; ++op) {
            const TCell cell = Cell(op);
            if (cell.Implemented || (cell.Prefix && prefix < 0)) continue;
            SCOPED_TRACE(testing::Message() << "prefix " << std::hex << prefix << " opcode " << op);
            const TStepResult r = StepOn(prefix, op);
            EXPECT_EQ(r.Cycles, extra);
            EXPECT_EQ(r.Advance, 1 + extra);
            EXPECT_EQ(r.Boxes, 1u);
            EXPECT_FALSE(r.Running);
            if (prefix < 0) ++unprefixedCount;
        }
    }
    // TEST, FDIV, DAA, WAI, STOP, the eight rotates and twenty illegal bytes.
    EXPECT_EQ(unprefixedCount, 33);
}

TEST(OpcodeTable, TableAgreesWithItsOwnImplementedFlags) {
    const auto& table = TCPU_68HC11_::OpcodeTable();
    for (int op = 0; op < 256; ++op) {
        SCOPED_TRACE(op);
        EXPECT_EQ(table[op].Implemented, Cell(op).Implemented);
        EXPECT_NE(table[op].Handler, nullptr);
    }
}

} // namespace
