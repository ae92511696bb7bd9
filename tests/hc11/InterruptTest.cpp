// SWI and RTI, interrupt acceptance with its priorities and masks, the reset entry, and the ring
// of recent instruction addresses.
#include "HC11TestSupport.h"

#include <tuple>

namespace {

constexpr int XIRQ = TCPU_68HC11_::IrqXIRQ, IRQ = TCPU_68HC11_::IrqIRQ, COP = TCPU_68HC11_::IrqCOP,
              ClockMonitor = TCPU_68HC11_::IrqClockMonitor;

TEST_F(HC11, SwiStacksTheFrameAcrossAddressZeroSetsIAndRtiRestoresAllButX) {
    Put(0x00F6, {0x80, 0x00}); // before any reset the vectors are read from page zero
    SetRegs(0x1122, 0x3344, 0x5566, 0x0003, fS | fX | fN | fC);
    EXPECT_EQ(Run1(0xE000, {0x3F}), 14);
    EXPECT_EQ(std::tuple(Cpu.PC, Cpu.SP, Cpu.GetCCR()),
              std::tuple(0x8000, 0xFFFA, fS | fX | fI | fN | fC));
    const int frame[] = {fS | fX | fN | fC, 0x22, 0x11, 0x33, 0x44, 0x55, 0x66, 0xE0, 0x01};
    for (uint32_t i = 0; i < 9; ++i)
        EXPECT_EQ(Mem(0xFFFB + i), frame[i]) << i;
    // The routine changes every register and clears X; RTI restores them, but cannot set X.
    SetRegs(0, 0, 0, Cpu.SP, fZ);
    EXPECT_EQ(Run1(0x8000, {0x3B}), 12);
    EXPECT_EQ(std::tuple(Cpu.PC, Cpu.SP, Cpu.GetD(), Cpu.IX, Cpu.IY, Cpu.GetCCR()),
              std::tuple(0xE001, 0x0003, 0x1122, 0x3344, 0x5566, fS | fN | fC));
}

TEST_F(HC11, InterruptAcceptanceByPriorityAndMasks) {
    struct TCase {
        std::initializer_list<int> Lines;
        int32_t CCR;
        int Taken; // line whose vector is taken, -1 none
        int32_t CCRAfter;
    };
    // clang-format off
    const TCase cases[] = {
        {{20, 24}, fI, -1, fI},                              // maskable requests wait for I clear
        {{20, 24}, fX | fN, 24, fX | fI | fN},               // the highest number wins
        {{11, 20}, 0, 20, fI},
        {{XIRQ, IRQ}, fX | fI, -1, fX | fI},                 // XIRQ waits for X clear
        {{XIRQ, IRQ}, fI | fC, XIRQ, fX | fI | fC},          // ignores I, sets X and I
        {{XIRQ, IRQ}, fX, IRQ, fX | fI},
        {{COP, ClockMonitor, XIRQ}, fX | 0x0F, ClockMonitor, 0xD0}, // reset class: nothing stacked
        {{COP, IRQ}, fI, COP, 0xD0},
    };
    // clang-format on
    for (int n = 0; n < 32; ++n)
        Cpu.WriteWord(0xFFC0 + 2 * n, 0x9000 + 0x10 * n); // line n: vector at $FFC0 + 2n
    for (uint32_t a = 0x9000; a < 0x9200; ++a)
        Cpu.Memory[a] = 0x01; // NOPs
    for (const TCase& tc : cases) {
        SCOPED_TRACE(testing::Message() << "lines " << *tc.Lines.begin() << " ccr " << tc.CCR);
        Cpu.VectorBase = 0xFF00;
        SetRegs(0, 0, 0, 0x00FF, tc.CCR);
        for (int n : tc.Lines)
            Cpu.SetPendingInterrupt(n, true);
        // Acceptance, then the first instruction of the routine, in one step.
        const int32_t cycles = Run1(0xE000, {0x01});
        for (int n : tc.Lines)
            Cpu.SetPendingInterrupt(n, false);
        const bool stacked = tc.Taken >= 0 && tc.Taken < COP;
        EXPECT_EQ(cycles, (stacked ? 14 : 0) + 2); // nine bytes stacked and the vector fetched
        EXPECT_EQ(Cpu.PC, tc.Taken < 0 ? 0xE001 : 0x9001 + 0x10 * tc.Taken);
        EXPECT_EQ(Cpu.GetCCR(), tc.CCRAfter);
        EXPECT_EQ(Cpu.SP, stacked ? 0xF6 : 0xFF);
        if (stacked) {
            EXPECT_EQ(Mem(0xF7), tc.CCR);
            EXPECT_EQ(Cpu.ReadWord(0xFE), 0xE000);
        }
    }
}

TEST_F(HC11, ResetEntryRepeatsWhileTheLineIsHeldAndTheHistoryRingSurvivesIt) {
    for (uint32_t a = 0x0100; a < 0x0120; ++a)
        Cpu.Memory[a] = 0x01; // NOPs
    Cpu.PC = 0x0100;
    Cpu.Step(17);
    EXPECT_EQ(Cpu.PCHistoryIndex, 1);
    EXPECT_EQ(Cpu.PCHistory[1], 0x0110u); // the 17th step overwrote the first
    EXPECT_EQ(Cpu.PCHistory[2], 0x0101u); // now the oldest

    TResetCounter device(Cpu);
    device.OnReset = [&] { ++device.Resets; }; // the line stays set
    Put(0xFFFE, {0x01, 0x18});
    SetRegs(0, 0x789A, 0, 0x1234, 0);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
    Cpu.SetPendingInterrupt(XIRQ, true);
    for (int step = 1; step <= 3; ++step) {
        EXPECT_EQ(Cpu.ExecuteInstruction(), 2);
        EXPECT_EQ(device.Resets, step);
        EXPECT_EQ(Cpu.PC, 0x0119);
        EXPECT_EQ(Cpu.PCHistory[(1 + step) & 15], 0x0118u);
    }
    EXPECT_EQ(Cpu.PCHistory[1], 0x0110u);
    EXPECT_EQ(Cpu.VectorBase, 0xFF00);
    EXPECT_EQ(Cpu.GetCCR(), fS | fX | fI);
    EXPECT_EQ(Cpu.SP, 0x1234); // nothing stacked, registers kept
    EXPECT_EQ(Cpu.IX, 0x789A);
}

} // namespace
