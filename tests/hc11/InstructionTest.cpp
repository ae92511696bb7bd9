// Results and condition codes of single instructions at their boundaries, the prefix pages,
// the branch conditions and the refused write into ROM.
#include "HC11TestSupport.h"

#include <tuple>

namespace {

// D, IX, IY, the byte at $0040 (the memory operand of the rows that use one), CCR.
using TState = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t>;

struct TCase {
    std::initializer_list<int> Code;
    TState In, Out;
    int32_t Jump = 0; // a taken branch's offset beyond the next instruction
};

// Memory besides $0040: $1002 = $11 $22 $33 $44 (2,X and 2,Y for X = $1000, Y = $1002),
// $FFFF = $12, $0000 = $34, $8000 is ROM.
// clang-format off
const TCase Cases[] = {
    // Add: carry, half carry, overflow up, Z of the reduced byte.
    {{0x8B, 0x80}, {0x8000, 0, 0, 0, 0}, {0x0000, 0, 0, 0, fZ | fV | fC}},     // ADDA
    {{0x8B, 0x01}, {0x0F00, 0, 0, 0, 0}, {0x1000, 0, 0, 0, fH}},
    {{0x8B, 0x01}, {0x7F00, 0, 0, 0, 0}, {0x8000, 0, 0, 0, fH | fN | fV}},
    {{0x8B, 0xFF}, {0xFF00, 0, 0, 0, 0}, {0xFE00, 0, 0, 0, fH | fN | fC}},
    {{0x89, 0x00}, {0xFF00, 0, 0, 0, fC}, {0x0000, 0, 0, 0, fH | fZ | fC}},    // ADCA
    // Subtract and compare: borrow, overflow both ways; H untouched.
    {{0x80, 0x01}, {0x8000, 0, 0, 0, 0}, {0x7F00, 0, 0, 0, fV}},
    {{0x80, 0xFF}, {0x7F00, 0, 0, 0, 0}, {0x8000, 0, 0, 0, fN | fV | fC}},
    {{0x80, 0x01}, {0x1000, 0, 0, 0, fH}, {0x0F00, 0, 0, 0, fH}},
    {{0x82, 0xFF}, {0x0000, 0, 0, 0, fC}, {0x0000, 0, 0, 0, fZ | fC}},         // SBCA
    {{0x81, 0x42}, {0x4200, 0, 0, 0, fN | fC}, {0x4200, 0, 0, 0, fZ}},         // CMPA
    // Logic: V cleared, C kept.
    {{0x84, 0x0F}, {0xF000, 0, 0, 0, fV | fC}, {0x0000, 0, 0, 0, fZ | fC}},    // ANDA
    {{0x85, 0x80}, {0x8100, 0, 0, 0, 0}, {0x8100, 0, 0, 0, fN}},               // BITA
    // INC and DEC keep H and C; V on $7F and $80.
    {{0x4C}, {0xFF00, 0, 0, 0, fH | fC}, {0x0000, 0, 0, 0, fH | fZ | fC}},     // INCA
    {{0x7C, 0x00, 0x40}, {0, 0, 0, 0x7F, 0}, {0, 0, 0, 0x80, fN | fV}},        // INC $0040
    {{0x4A}, {0x0000, 0, 0, 0, 0}, {0xFF00, 0, 0, 0, fN}},                     // DECA
    {{0x6A, 0x00}, {0, 0x40, 0, 0x80, fC}, {0, 0x40, 0, 0x7F, fV | fC}},       // DEC 0,X
    {{0x4D}, {0x8000, 0, 0, 0, fV | fC}, {0x8000, 0, 0, 0, fN}},               // TSTA
    // CLR clears C; COM sets C; NEG: C unless zero, V on $80.
    {{0x5F}, {0x0055, 0, 0, 0, fN | fV | fC}, {0x0000, 0, 0, 0, fZ}},          // CLRB
    {{0x7F, 0x00, 0x40}, {0, 0, 0, 0x55, fH | fC}, {0, 0, 0, 0x00, fH | fZ}},  // CLR $0040
    {{0x43}, {0xFF00, 0, 0, 0, fV}, {0x0000, 0, 0, 0, fZ | fC}},               // COMA
    {{0x63, 0x00}, {0, 0x40, 0, 0x0F, 0}, {0, 0x40, 0, 0xF0, fN | fC}},        // COM 0,X
    {{0x40}, {0x0100, 0, 0, 0, 0}, {0xFF00, 0, 0, 0, fN | fC}},                // NEGA
    {{0x40}, {0x0000, 0, 0, 0, fC}, {0x0000, 0, 0, 0, fZ}},
    {{0x18, 0x60, 0x00}, {0, 0, 0x40, 0x80, 0}, {0, 0, 0x40, 0x80, fN | fV | fC}}, // NEG 0,Y
    // Shifts: V = N xor C.
    {{0x48}, {0x8000, 0, 0, 0, 0}, {0x0000, 0, 0, 0, fZ | fV | fC}},           // ASLA
    {{0x78, 0x00, 0x40}, {0, 0, 0, 0x81, 0}, {0, 0, 0, 0x02, fV | fC}},        // ASL $0040
    {{0x47}, {0x8100, 0, 0, 0, 0}, {0xC000, 0, 0, 0, fN | fC}},                // ASRA
    {{0x44}, {0x0100, 0, 0, 0, fN}, {0x0000, 0, 0, 0, fZ | fV | fC}},          // LSRA
    {{0x04}, {0x0001, 0, 0, 0, fN}, {0x0000, 0, 0, 0, fZ | fV | fC}},          // LSRD
    {{0x05}, {0x4080, 0, 0, 0, 0}, {0x8100, 0, 0, 0, fN | fV}},                // ASLD
    // 16-bit arithmetic; INX/DEY set only Z, ABX none.
    {{0xC3, 0x80, 0x00}, {0x8000, 0, 0, 0, 0}, {0x0000, 0, 0, 0, fZ | fV | fC}}, // ADDD
    {{0xC3, 0x00, 0x01}, {0x7FFF, 0, 0, 0, 0}, {0x8000, 0, 0, 0, fN | fV}},
    {{0xC3, 0x00, 0x01}, {0xFFFF, 0, 0, 0, 0}, {0x0000, 0, 0, 0, fZ | fC}},
    {{0x83, 0x00, 0x01}, {0x8000, 0, 0, 0, 0}, {0x7FFF, 0, 0, 0, fV}},         // SUBD
    {{0x83, 0x00, 0x01}, {0x0000, 0, 0, 0, 0}, {0xFFFF, 0, 0, 0, fN | fC}},
    {{0x8C, 0x12, 0x35}, {0, 0x1234, 0, 0, 0}, {0, 0x1234, 0, 0, fN | fC}},    // CPX
    {{0x08}, {0, 0xFFFF, 0, 0, fN | fV | fC}, {0, 0, 0, 0, fN | fZ | fV | fC}}, // INX
    {{0x18, 0x09}, {0, 0, 0, 0, fZ}, {0, 0, 0xFFFF, 0, 0}},                    // DEY
    {{0x3A}, {0x00FF, 0xFF01, 0, 0, fN}, {0x00FF, 0, 0, 0, fN}},               // ABX
    // MUL: C is bit 7 of the low byte. IDIV: quotient to X, remainder to D; by zero X = $FFFF.
    {{0x3D}, {0xFFFF, 0, 0, 0, fZ | fC}, {0xFE01, 0, 0, 0, fZ}},
    {{0x3D}, {0x0C0C, 0, 0, 0, 0}, {0x0090, 0, 0, 0, fC}},
    {{0x02}, {0x0007, 2, 0, 0, fZ | fV | fC}, {0x0001, 3, 0, 0, 0}},
    {{0x02}, {0x0001, 2, 0, 0, fN}, {0x0001, 0, 0, 0, fN | fZ}},
    {{0x02}, {0x1234, 0, 0, 0, fZ | fV}, {0x1234, 0xFFFF, 0, 0, fC}},
    {{0x02}, {0xFFFF, 1, 0, 0, 0}, {0x0000, 0xFFFF, 0, 0, 0}},
    // TAB/TBA set N and Z and clear V; TAP can clear X but never set it.
    {{0x16}, {0x0055, 0, 0, 0, fV | fC}, {0x0000, 0, 0, 0, fZ | fC}},          // TAB
    {{0x17}, {0x0080, 0, 0, 0, fZ}, {0x8080, 0, 0, 0, fN}},                    // TBA
    {{0x06}, {0xFF00, 0, 0, 0, 0}, {0xFF00, 0, 0, 0, 0xBF}},                   // TAP
    {{0x06}, {0x0000, 0, 0, 0, 0xFF}, {0x0000, 0, 0, 0, 0x00}},
    {{0x06}, {0xC500, 0, 0, 0, fX | fN}, {0xC500, 0, 0, 0, 0xC5}},
    // BSET/BCLR: N and Z of the result, V cleared.
    {{0x14, 0x40, 0x80}, {0, 0, 0, 0x00, fV | fC}, {0, 0, 0, 0x80, fN | fC}},
    {{0x18, 0x1D, 0x00, 0xFF}, {0, 0, 0x40, 0x5A, 0}, {0, 0, 0x40, 0x00, fZ}},
    // BRSET / BRCLR: taken when all mask bits are set / clear; a zero mask always branches.
    {{0x12, 0x40, 0x81, 0x10}, {0, 0, 0, 0x81, 0}, {0, 0, 0, 0x81, 0}, 0x10},
    {{0x12, 0x40, 0x81, 0x10}, {0, 0, 0, 0x80, 0}, {0, 0, 0, 0x80, 0}},
    {{0x13, 0x40, 0x00, 0x10}, {0, 0, 0, 0xFF, 0}, {0, 0, 0, 0xFF, 0}, 0x10},
    {{0x18, 0x1F, 0x00, 0x0F, 0x10}, {0, 0, 0x40, 0xF0, 0}, {0, 0, 0x40, 0xF0, 0}, 0x10},
    // Loads and stores: N Z, V cleared, C kept; effective addresses wrap at $FFFF.
    {{0x86, 0x00}, {0x1234, 0, 0, 0, fV | fC}, {0x0034, 0, 0, 0, fZ | fC}},    // LDAA #0
    {{0xA6, 0xFF}, {0, 0xFF41, 0, 0x5A, 0}, {0x5A00, 0xFF41, 0, 0x5A, 0}},     // LDAA $FF,X
    {{0xFC, 0xFF, 0xFF}, {0, 0, 0, 0, 0}, {0x1234, 0, 0, 0, 0}},               // LDD $FFFF
    {{0xB7, 0x80, 0x00}, {0x8000, 0, 0, 0, 0}, {0x8000, 0, 0, 0, fN}},          // STAA $8000: refused
    {{0xDD, 0x3F}, {0xBEEF, 0, 0, 0, fZ | fV}, {0xBEEF, 0, 0, 0xEF, fN}},      // STD $3F
    // Prefix pages: 18 selects IY, 1A the CPD page, CD IY indexing on the 1A page.
    {{0x18, 0x08}, {0, 0x1000, 0x2000, 0, 0}, {0, 0x1000, 0x2001, 0, 0}},      // INY
    {{0x1A, 0x08}, {0, 0x1000, 0x1234, 0, fZ}, {0, 0x1235, 0x1234, 0, 0}},     // IX := IY + 1
    {{0xCD, 0x08}, {0, 0xFFFF, 0x2000, 0, 0}, {0, 0xFFFF, 0, 0, fZ}},          // IY := IX + 1
    {{0x18, 0x83, 0x00, 0x01}, {0x1234, 0, 0, 0, 0}, {0x1233, 0, 0, 0, 0}},    // SUBD
    {{0x1A, 0x83, 0x12, 0x34}, {0x1234, 0, 0, 0, fC}, {0x1234, 0, 0, 0, fZ}},  // CPD
    {{0x18, 0xA3, 0x02}, {0x3344, 0x1000, 0x1002, 0, 0}, {0, 0x1000, 0x1002, 0, fZ}}, // SUBD 2,Y
    {{0xCD, 0xA3, 0x02}, {0x3344, 0x1000, 0x1002, 0, 0}, {0x3344, 0x1000, 0x1002, 0, fZ}}, // CPD 2,Y
    {{0x18, 0xCE, 0x80, 0x00}, {0, 0, 0, 0, 0}, {0, 0, 0x8000, 0, fN}},        // LDY #
    {{0x1A, 0xEE, 0x02}, {0, 0x1000, 0, 0, 0}, {0, 0x1000, 0x1122, 0, 0}},     // LDY 2,X
    {{0xCD, 0xAC, 0x02}, {0, 0x3344, 0x1002, 0, 0}, {0, 0x3344, 0x1002, 0, fZ}}, // CPX 2,Y
    {{0x18, 0x8F}, {0x1234, 0, 0x2000, 0, fZ}, {0x2000, 0, 0x1234, 0, fZ}},    // XGDY
    {{0x18, 0xDF, 0x3F}, {0, 0, 0xABCD, 0, 0}, {0, 0, 0xABCD, 0xCD, fN}},      // STY $3F
    {{0xCD, 0xEF, 0x00}, {0, 0x1234, 0x3F, 0, 0}, {0, 0x1234, 0x3F, 0x34, 0}}, // STX 0,Y
};
// clang-format on

// A write into ROM is refused with a message box; the flags are set and the run goes on.
TEST_F(HC11, ResultsAndConditionCodes) {
    Cpu.MemoryType[0x8000] = mtROM;
    for (const TCase& tc : Cases) {
        SCOPED_TRACE(testing::Message() << "row " << &tc - Cases);
        Put(0x1002, {0x11, 0x22, 0x33, 0x44});
        Put(0xFFFF, {0x12, 0x34});
        const auto [d, x, y, m, ccr] = tc.In;
        SetRegs(d, x, y, 0, ccr);
        Cpu.Memory[0x40] = static_cast<uint8_t>(m);
        Run1(0xE000, tc.Code);
        EXPECT_EQ(TState(Cpu.GetD(), Cpu.IX, Cpu.IY, Mem(0x40), Cpu.GetCCR()), tc.Out);
        EXPECT_EQ(Cpu.PC, 0xE000 + static_cast<int32_t>(tc.Code.size()) + tc.Jump);
    }
    EXPECT_EQ(Mem(0x8000), 0);
    EXPECT_EQ(Cpu.LastStopReason(), StopReason::None); // the run goes on
    ASSERT_EQ(Sink.Boxes.size(), 1u);
    EXPECT_EQ(Sink.Boxes[0].Text, "Write-Zugriff auf ROM!");
    EXPECT_EQ(Sink.Boxes[0].Caption, "Speicher-Fehler!");
}

TEST_F(HC11, BranchesAreTakenForExactlyTheirConditionCodes) {
    // BRA BRN BHI BLS BCC BCS BNE BEQ BVC BVS BPL BMI BGE BLT BGT BLE; bit n set: taken when the
    // low nibble of the CCR (N Z V C) is n.
    const uint16_t taken[16] = {0xFFFF, 0x0000, 0x0505, 0xFAFA, 0x5555, 0xAAAA, 0x0F0F, 0xF0F0,
                                0x3333, 0xCCCC, 0x00FF, 0xFF00, 0xCC33, 0x33CC, 0x0C03, 0xF3FC};
    for (int op = 0x20; op < 0x30; ++op)
        for (int nzvc = 0; nzvc < 16; ++nzvc) {
            Cpu.SetCCR(nzvc);
            Run1(0xE000, {op, 0x10});
            EXPECT_EQ(Cpu.PC, (taken[op & 15] >> nzvc & 1) ? 0xE012 : 0xE002)
                << std::hex << op << " nzvc " << nzvc;
        }
    Run1(0x0000, {0x20, 0x80}); // targets wrap both ways
    EXPECT_EQ(Cpu.PC, 0xFF82);
    Run1(0xFFF0, {0x20, 0x7F});
    EXPECT_EQ(Cpu.PC, 0x0071);
}

} // namespace

// A 16-bit read of a device register reads the high byte first, as the chip does: the order
// decides which register a read reaches first (and, with flags, which one a read clears).
TEST_F(HC11, SixteenBitReadsReachADeviceHighByteFirst) {
    TCPUExternal device;
    std::vector<uint32_t> reads;
    device.SetMemoryBase(0x3000);
    device.SetMemorySize(4);
    device.OnMemoryRead = [&](uint32_t Address, int32_t& Data) {
        reads.push_back(Address);
        Data = static_cast<int32_t>(Address & 0xFF);
        return true;
    };
    device.SetCPU(&Cpu);
    Run1(0xE000, {0xFC, 0x30, 0x00}); // LDD $3000
    Run1(0xE000, {0xCE, 0x30, 0x02}); // LDX #$3002
    Run1(0xE000, {0x1A, 0xEE, 0x00}); // LDY 0,X
    EXPECT_EQ(reads, (std::vector<uint32_t>{0x3000, 0x3001, 0x3002, 0x3003}));
    EXPECT_EQ(std::pair(Cpu.GetD(), Cpu.IY), std::pair(0x0001, 0x0203));
}
