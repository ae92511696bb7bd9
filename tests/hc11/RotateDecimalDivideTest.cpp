// Results, condition codes and cycle counts of the rotates through carry on every addressing
// mode and both index registers, of DAA on every row of its correction table and of FDIV at its
// overflow and divide-by-zero boundaries; BCD sums through DAA, a fraction extended by
// successive FDIVs, and the bus accesses of a rotate on a device register.
#include "HC11TestSupport.h"

#include <tuple>
#include <utility>
#include <vector>

namespace {

// D, IX, IY, the byte at $0040 (the memory operand of the rows that use one), CCR.
using TState = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t>;

struct TCase {
    std::initializer_list<int> Code;
    TState In, Out;
    int32_t Cycles;
};

// Indexed rows reach $0040 as 0,X with X = $0040 or as $10,Y with Y = $0030.
// clang-format off
const TCase Cases[] = {
    // ROL: C enters bit 0, bit 7 leaves to C; V = N xor C; H and I untouched.
    {{0x49}, {0x8000, 0, 0, 0, 0}, {0x0000, 0, 0, 0, fZ | fV | fC}, 2},             // ROLA
    {{0x49}, {0x7F00, 0, 0, 0, fC}, {0xFF00, 0, 0, 0, fN | fV}, 2},
    {{0x49}, {0x0100, 0, 0, 0, fH | fI | fC}, {0x0300, 0, 0, 0, fH | fI}, 2},
    {{0x49}, {0x0000, 0, 0, 0, fN | fZ | fV}, {0x0000, 0, 0, 0, fZ}, 2},
    {{0x49}, {0xFF00, 0, 0, 0, fC}, {0xFF00, 0, 0, 0, fN | fC}, 2},
    {{0x59}, {0x1280, 0, 0, 0, fC}, {0x1201, 0, 0, 0, fV | fC}, 2},                 // ROLB
    {{0x79, 0x00, 0x40}, {0, 0, 0, 0x80, fC}, {0, 0, 0, 0x01, fV | fC}, 6},         // ROL $0040
    {{0x69, 0x00}, {0, 0x40, 0, 0x7F, 0}, {0, 0x40, 0, 0xFE, fN | fV}, 6},          // ROL 0,X
    {{0x18, 0x69, 0x10}, {0, 0x40, 0x30, 0x01, fC}, {0, 0x40, 0x30, 0x03, 0}, 7},   // ROL $10,Y
    // ROR: C enters bit 7, bit 0 leaves to C; V = N xor C.
    {{0x46}, {0x0100, 0, 0, 0, 0}, {0x0000, 0, 0, 0, fZ | fV | fC}, 2},             // RORA
    {{0x46}, {0x0100, 0, 0, 0, fC}, {0x8000, 0, 0, 0, fN | fC}, 2},
    {{0x46}, {0x8000, 0, 0, 0, fN | fV}, {0x4000, 0, 0, 0, 0}, 2},
    {{0x46}, {0xFE00, 0, 0, 0, fH | fC}, {0xFF00, 0, 0, 0, fH | fN | fV}, 2},
    {{0x56}, {0x3400, 0, 0, 0, fC}, {0x3480, 0, 0, 0, fN | fV}, 2},                 // RORB
    {{0x76, 0x00, 0x40}, {0, 0, 0, 0x01, 0}, {0, 0, 0, 0x00, fZ | fV | fC}, 6},     // ROR $0040
    {{0x66, 0x00}, {0, 0x40, 0, 0x80, fC}, {0, 0x40, 0, 0xC0, fN | fV}, 6},         // ROR 0,X
    {{0x18, 0x66, 0x10}, {0, 0x40, 0x30, 0x7F, 0}, {0, 0x40, 0x30, 0x3F, fV | fC}, 7}, // ROR $10,Y
    // DAA: each row of the reference manual's correction table at both ends of its ranges
    // (C, high digit, H, low digit -> number added, C after); B and I stay. V is the overflow
    // of the correcting addition (the manual leaves it undefined).
    {{0x19}, {0x005A, 0, 0, 0, 0}, {0x005A, 0, 0, 0, fZ}, 2},                      // 0 0-9 0 0-9: 00 0
    {{0x19}, {0x995A, 0, 0, 0, fZ | fV}, {0x995A, 0, 0, 0, fN}, 2},
    {{0x19}, {0x0A5A, 0, 0, 0, fI}, {0x105A, 0, 0, 0, fI}, 2},                     // 0 0-8 0 A-F: 06 0
    {{0x19}, {0x8F5A, 0, 0, 0, 0}, {0x955A, 0, 0, 0, fN}, 2},
    {{0x19}, {0x7A5A, 0, 0, 0, 0}, {0x805A, 0, 0, 0, fN | fV}, 2},
    {{0x19}, {0x005A, 0, 0, 0, fH}, {0x065A, 0, 0, 0, fH}, 2},                     // 0 0-9 1 0-3: 06 0
    {{0x19}, {0x935A, 0, 0, 0, fH}, {0x995A, 0, 0, 0, fH | fN}, 2},
    {{0x19}, {0xA05A, 0, 0, 0, 0}, {0x005A, 0, 0, 0, fZ | fC}, 2},                 // 0 A-F 0 0-9: 60 1
    {{0x19}, {0xF95A, 0, 0, 0, 0}, {0x595A, 0, 0, 0, fC}, 2},
    {{0x19}, {0x9A5A, 0, 0, 0, 0}, {0x005A, 0, 0, 0, fZ | fC}, 2},                 // 0 9-F 0 A-F: 66 1
    {{0x19}, {0xFF5A, 0, 0, 0, fN}, {0x655A, 0, 0, 0, fC}, 2},
    {{0x19}, {0xA05A, 0, 0, 0, fH}, {0x065A, 0, 0, 0, fH | fC}, 2},                // 0 A-F 1 0-3: 66 1
    {{0x19}, {0xF35A, 0, 0, 0, fH}, {0x595A, 0, 0, 0, fH | fC}, 2},
    {{0x19}, {0x005A, 0, 0, 0, fC}, {0x605A, 0, 0, 0, fC}, 2},                     // 1 0-2 0 0-9: 60 1
    {{0x19}, {0x295A, 0, 0, 0, fC}, {0x895A, 0, 0, 0, fN | fV | fC}, 2},
    {{0x19}, {0x0A5A, 0, 0, 0, fC}, {0x705A, 0, 0, 0, fC}, 2},                     // 1 0-2 0 A-F: 66 1
    {{0x19}, {0x2F5A, 0, 0, 0, fC}, {0x955A, 0, 0, 0, fN | fV | fC}, 2},
    {{0x19}, {0x005A, 0, 0, 0, fH | fC}, {0x665A, 0, 0, 0, fH | fC}, 2},           // 1 0-3 1 0-3: 66 1
    {{0x19}, {0x335A, 0, 0, 0, fH | fC}, {0x995A, 0, 0, 0, fH | fN | fV | fC}, 2},
    // FDIV: IX := D * 65536 / IX, D := remainder; Z from the quotient, N H I untouched.
    {{0x03}, {0x0001, 0x0003, 0x1111, 0, 0}, {0x0001, 0x5555, 0x1111, 0, 0}, 41},
    {{0x03}, {0x0005, 0x0007, 0, 0, fN | fZ | fV | fC}, {0x0003, 0xB6DB, 0, 0, fN}, 41},
    {{0x03}, {0x0001, 0x0002, 0, 0, fH | fI}, {0x0000, 0x8000, 0, 0, fH | fI}, 41},
    {{0x03}, {0x0000, 0x0001, 0, 0, 0}, {0x0000, 0x0000, 0, 0, fZ}, 41},
    {{0x03}, {0x7FFF, 0x8000, 0, 0, 0}, {0x0000, 0xFFFE, 0, 0, 0}, 41},
    {{0x03}, {0xFFFE, 0xFFFF, 0, 0, 0}, {0xFFFE, 0xFFFE, 0, 0, 0}, 41},          // largest quotient
    // IX <= D overflows: V, quotient $FFFF, D kept; IX = 0 also sets C.
    {{0x03}, {0x0003, 0x0003, 0, 0, fZ | fC}, {0x0003, 0xFFFF, 0, 0, fV}, 41},
    {{0x03}, {0xFFFF, 0x0001, 0, 0, 0}, {0xFFFF, 0xFFFF, 0, 0, fV}, 41},
    {{0x03}, {0x1234, 0x0000, 0, 0, fN}, {0x1234, 0xFFFF, 0, 0, fN | fV | fC}, 41},
    {{0x03}, {0x0000, 0x0000, 0, 0, fZ}, {0x0000, 0xFFFF, 0, 0, fV | fC}, 41},
};
// clang-format on

TEST_F(HC11, RotateDecimalAdjustAndFractionalDivideResultsFlagsAndCycles) {
    for (const TCase& tc : Cases) {
        SCOPED_TRACE(testing::Message() << "row " << &tc - Cases);
        const auto [d, x, y, m, ccr] = tc.In;
        SetRegs(d, x, y, 0x00FF, ccr);
        Cpu.Memory[0x40] = static_cast<uint8_t>(m);
        EXPECT_EQ(Run1(0xE000, tc.Code), tc.Cycles);
        EXPECT_EQ(TState(Cpu.GetD(), Cpu.IX, Cpu.IY, Mem(0x40), Cpu.GetCCR()), tc.Out);
        EXPECT_EQ(Cpu.PC, 0xE000 + static_cast<int32_t>(tc.Code.size()));
    }
}

// ADCA of two BCD bytes and a carry, then DAA, gives the decimal sum modulo 100 and its carry:
// every pair of two-digit numbers, with and without the carry in.
TEST_F(HC11, DecimalAdjustAfterAddingAnyTwoBcdBytes) {
    const auto bcd = [](int n) { return (n / 10) * 16 + n % 10; };
    for (int carry = 0; carry <= 1; ++carry)
        for (int a = 0; a < 100; ++a)
            for (int b = 0; b < 100; ++b) {
                SetRegs(bcd(a) << 8, 0, 0, 0x00FF, carry ? fC : 0);
                Run1(0xE000, {0x89, bcd(b), 0x19}); // ADCA #b
                Cpu.ExecuteInstruction();           // DAA
                const int sum = a + b + carry;
                ASSERT_EQ(std::pair(Cpu.ACCA, Cpu.C), std::pair(bcd(sum % 100), sum >= 100))
                    << a << " + " << b << " + " << carry;
                ASSERT_EQ(Cpu.Z, sum % 100 == 0);
            }
}

// IDIV gives the integer part of 19/7; each FDIV of the remainder by 7 gives the next 16 bits
// of the fraction: 19/7 = 2.B6DB 6DB6...
TEST_F(HC11, FractionalDivideOfARemainderGivesTheNextSixteenBits) {
    Put(0xE000, {0xCC, 0x00, 0x13, 0xCE, 0x00, 0x07, 0x02,         // LDD #19  LDX #7  IDIV
                 0xCE, 0x00, 0x07, 0x03, 0xCE, 0x00, 0x07, 0x03}); // LDX #7 FDIV LDX #7 FDIV
    Cpu.PC = 0xE000;
    const std::pair<int32_t, int32_t> quotientAndRemainder[] = {
        {0x0002, 0x0005}, {0xB6DB, 0x0003}, {0x6DB6, 0x0006}};
    int32_t cycles = Cpu.ExecuteInstruction() + Cpu.ExecuteInstruction();
    for (const auto& expected : quotientAndRemainder) {
        cycles += Cpu.ExecuteInstruction();
        EXPECT_EQ(std::pair(Cpu.IX, Cpu.GetD()), expected);
        if (Cpu.PC < 0xE00F) cycles += Cpu.ExecuteInstruction(); // LDX #7
    }
    EXPECT_EQ(Cpu.PC, 0xE00F);
    EXPECT_EQ(cycles, 3 + 3 + 41 + 3 + 41 + 3 + 41);
}

// A rotate of a device register is one read followed by one write of the same address: a
// second read could clear a status flag the program has not seen.
TEST_F(HC11, RotatesReadAndWriteADeviceRegisterOnceEach) {
    struct TAccess {
        char Kind;
        uint32_t Address;
        int32_t Data;
        bool operator==(const TAccess&) const = default;
    };
    std::vector<TAccess> accesses;
    TCPUExternal device;
    device.SetMemoryBase(0x1000);
    device.SetMemorySize(0x40);
    device.OnMemoryRead = [&](uint32_t Address, int32_t& Data) {
        Data = 0x81;
        accesses.push_back({'r', Address, Data});
        return true;
    };
    device.OnMemoryWrite = [&](uint32_t Address, int32_t Data) {
        accesses.push_back({'w', Address, Data});
        return true;
    };
    device.SetCPU(&Cpu);
    const struct {
        std::initializer_list<int> Code;
        int32_t CCR;
        uint32_t Address;
        int32_t Written;
    } rows[] = {
        {{0x69, 0x2F}, 0, 0x102F, 0x02},        // ROL $2F,X
        {{0x18, 0x69, 0x01}, fC, 0x1021, 0x03}, // ROL $01,Y
        {{0x79, 0x10, 0x3F}, 0, 0x103F, 0x02},  // ROL $103F
        {{0x66, 0x00}, fC, 0x1000, 0xC0},       // ROR 0,X
        {{0x18, 0x66, 0x1F}, fC, 0x103F, 0xC0}, // ROR $1F,Y
        {{0x76, 0x10, 0x00}, 0, 0x1000, 0x40},  // ROR $1000
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        accesses.clear();
        SetRegs(0, 0x1000, 0x1020, 0x00FF, row.CCR);
        Run1(0xE000, row.Code);
        EXPECT_EQ(accesses, (std::vector<TAccess>{{'r', row.Address, 0x81},
                                                  {'w', row.Address, row.Written}}));
    }
}

} // namespace
