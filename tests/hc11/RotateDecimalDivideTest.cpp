// Results, condition codes and cycle counts of the rotates through carry on every addressing
// mode and both index registers, and the bus accesses of a rotate on a device register.
#include "HC11TestSupport.h"

#include <tuple>
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
};
// clang-format on

TEST_F(HC11, RotateResultsConditionCodesAndCycles) {
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
