// System control of the environment: the COP watchdog, the IRQ and XIRQ pins, OPTION's
// time-protected bits, the interrupt priorities with HPRIO's promotion, and CONFIG's NOCOP.
#include "EnvTestSupport.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Env = TCPU_68HC11_Environment;
using Core = TCPU_68HC11_;

// A core with its environment; memory is plain RAM outside the register block at $1000.
struct TBoard : TSystem {
    TBoard() { Cpu.VectorBase = 0xFF00; }
    void Put(uint32_t Address, std::initializer_list<uint8_t> Bytes) {
        for (uint8_t b : Bytes) Cpu.Memory[Address++ & 0xFFFF] = b;
    }
    void Vector(uint32_t At, uint32_t Target) {
        Put(At, {static_cast<uint8_t>(Target >> 8), static_cast<uint8_t>(Target)});
    }
    // NOPs from Address to $DFFF.
    void Nops(uint32_t Address) {
        std::fill(Cpu.Memory.begin() + Address, Cpu.Memory.begin() + 0xE000, 0x01);
    }
    // True after a step that entered the routine at Target, whose first instruction is a
    // NOP: the step ran that NOP and did not begin at it.
    bool Entered(uint32_t Target) const {
        return Cpu.PC == int32_t(Target + 1) && Cpu.StepStartPC() != int32_t(Target);
    }
    // Steps until the routine at Target is entered, Limit cycles have passed or a step stops
    // the run (a deadlock); returns the cycle count at which the entering step began, or -1.
    int64_t RunUntil(uint32_t Target, int64_t Limit) {
        while (Cpu.CycleCount < Limit) {
            const int64_t before = Cpu.CycleCount;
            Cpu.Step(1);
            if (Entered(Target)) return before;
            if (Cpu.LastStopReason() != StopReason::None) return -1;
        }
        return -1;
    }
};

// ---- COP watchdog ------------------------------------------------------------------------

// A BRA * loop runs from cycle 0 with the COP at each rate (CR1:CR0 written into OPTION at once,
// within the first 64 cycles): the COP-failure reset, vector $FFFA, falls due after E/2^15 times
// 1, 4, 16 or 64 cycles and is taken at the next instruction boundary, one cycle later in the
// 3-cycle loop. Off, it never comes.
TEST(Cop, TheResetComesAfterTheTimeoutOfEachRateAndNeverWhenOff) {
    struct Row {
        bool Enabled;
        int Rate;
        int64_t ResetAt;
    };
    const Row rows[] = {{true, 0, 32768 + 1},   {true, 1, 131072 + 1}, {true, 2, 524288 + 1},
                        {true, 3, 2097152 + 1}, {false, 0, -1},        {false, 3, -1}};
    for (const Row& row : rows) {
        TBoard b;
        b.Put(0x2000, {0x20, 0xFE});
        b.Cpu.PC = 0x2000;
        b.Vector(0xFFFA, 0xE000);
        b.Put(0xE000, {0x01, 0x20, 0xFD});
        b.Env.SetCOPEnabled(row.Enabled);
        b.Cpu.WriteByte(0x1039, 0x10 | row.Rate);
        EXPECT_EQ(b.RunUntil(0xE000, 2100000), row.ResetAt) << row.Rate << ' ' << row.Enabled;
        EXPECT_EQ(b.Cpu.PendingInterrupt(Core::IrqCOP), false);
    }
}

// COPRST writes (each an LDAA #value, STAA $103A: 6 cycles), then NOPs. $55 then $AA restarts
// the count at the STAA of the $AA (cycle 6k + 2 for the k-th pair); the reset then comes a full
// timeout later. Any other order restarts nothing; an $AA disarms, so a second $AA needs a new
// $55.
TEST(Cop, FiftyFiveThenAARestartsTheCountAndNoOtherOrderDoes) {
    struct Row {
        std::vector<uint8_t> Writes;
        int64_t ResetAt;
    };
    const Row rows[] = {
        {{0x55, 0xAA}, 32768 + 8},       {{0xAA, 0x55}, 32768},
        {{0x55}, 32768},                 {{0xAA}, 32768},
        {{0x55, 0x55, 0xAA}, 32768 + 14}, {{0x55, 0xAA, 0xAA}, 32768 + 8},
        {{0xAA, 0x55, 0xAA}, 32768 + 14}, {{0x55, 0xAA, 0x55, 0xAA}, 32768 + 20},
    };
    for (const Row& row : rows) {
        TBoard b;
        b.Nops(0x2000);
        uint32_t at = 0x2000;
        for (uint8_t value : row.Writes) {
            b.Put(at, {0x86, value, 0xB7, 0x10, 0x3A});
            at += 5;
        }
        b.Cpu.PC = 0x2000;
        b.Vector(0xFFFA, 0xE000);
        b.Put(0xE000, {0x01, 0x20, 0xFD});
        b.Env.SetCOPEnabled(true);
        EXPECT_EQ(b.RunUntil(0xE000, 40000), row.ResetAt) << row.Writes.size();
    }
}

// The reset a timeout causes resets the devices like any other: OPTION back to $10 (the
// fastest rate again), and the COP counts anew from the reset, so an unserviced program is
// reset every 32768 cycles. The environment's COP switch stays on. The program: a NOP at the
// reset address, a BRA to the next instruction, then BRA *; boundaries fall on each timeout
// after the first.
TEST(Cop, TheTimeoutResetsTheDevicesAndTheCountStartsAgain) {
    TBoard b;
    b.Put(0x2000, {0x01, 0x20, 0x00, 0x20, 0xFE});
    b.Cpu.PC = 0x2003;
    b.Vector(0xFFFA, 0x2000);
    b.Env.SetCOPEnabled(true);
    b.Cpu.WriteByte(0x1039, 0x91); // ADPU, DLY, rate 1
    b.Cpu.WriteByte(0x1022, 0x55); // TMSK1; I stays set, so its compares interrupt nothing
    b.Cpu.I = true;
    EXPECT_EQ(b.RunUntil(0x2000, 200000), 131072 + 1);
    EXPECT_EQ(b.Hex(0x1039, 1) + b.Hex(0x1022, 1) + b.Hex(0x103F, 1), "10 00 00 ");
    EXPECT_TRUE(b.Env.COPEnabled());
    EXPECT_EQ(b.RunUntil(0x2000, 400000), 131072 + 1 + 32768);
    EXPECT_EQ(b.RunUntil(0x2000, 400000), 131072 + 1 + 2 * 32768);
}

// Turning the COP on starts a full timeout from that cycle; turning it off cancels the reset.
// After a reset into a special mode (bootstrap, test) the COP counts but cannot reset: DISR
// inhibits it there, and TEST1 is not simulated.
TEST(Cop, SwitchingItOnStartsTheCountAndTheSpecialModesInhibitIt) {
    struct Row {
        Env::THC11Mode Mode;
        int64_t OnAt, OffAt; // -1: never
        int64_t ResetAt;
    };
    const Row rows[] = {
        {Env::hc11_Normal_Expanded, 1000, -1, 1000 + 32768},
        {Env::hc11_Normal_Single_Chip, 1000, 30000, -1},
        {Env::hc11_Special_Bootstrap, 2, -1, -1},
        {Env::hc11_Special_Test, 2, -1, -1},
    };
    for (const Row& row : rows) {
        TBoard b;
        b.Nops(0x2000);
        b.Vector(0xFFFE, 0x2000);
        b.Vector(0xFFFA, 0xE000);
        b.Put(0xE000, {0x01, 0x20, 0xFD});
        b.Env.SetMode(row.Mode);
        b.Cpu.SetPendingInterrupt(Core::IrqReset, true);
        b.Cpu.Step(1);
        b.Cpu.SetPendingInterrupt(Core::IrqReset, false);
        int64_t resetAt = -1;
        while (b.Cpu.CycleCount < 80000 && resetAt < 0) {
            if (b.Cpu.CycleCount == row.OnAt) b.Env.SetCOPEnabled(true);
            if (b.Cpu.CycleCount == row.OffAt) b.Env.SetCOPEnabled(false);
            const int64_t before = b.Cpu.CycleCount;
            b.Cpu.Step(1);
            if (b.Entered(0xE000)) resetAt = before;
        }
        EXPECT_EQ(resetAt, row.ResetAt) << row.Mode;
    }
}

// WAI with I and X set: no interrupt can end the wait. Without the COP the run stops as a
// deadlock; with it the wait is no deadlock, time passes in one step up to the timeout, and
// the COP-failure reset ends the wait on its cycle.
TEST(Cop, AWaitTheCopWillEndIsNoDeadlock) {
    for (bool cop : {false, true}) {
        TBoard b;
        b.Put(0x2000, {0x3E});
        b.Vector(0xFFFA, 0xE000);
        b.Put(0xE000, {0x01, 0x20, 0xFD});
        b.Cpu.PC = 0x2000;
        b.Cpu.SP = 0x00FF;
        b.Cpu.SetCCR(0xD0);
        b.Env.SetCOPEnabled(cop);
        EXPECT_EQ(b.RunUntil(0xE000, 40000), cop ? 32768 : -1);
        if (cop) {
            EXPECT_LT(b.Cpu.InstructionCount, 20u) << "the wait passed in large steps";
        }
        EXPECT_EQ(b.TakeBoxes().find("WAI bei $2000") != std::string::npos, !cop);
    }
}

// CONFIG's NOCOP bit reads as the COP switch, at once and after a reset; the other bits come
// from the Config property at reset.
TEST(Cop, ConfigReadsNocopAsTheSwitch) {
    struct Row {
        bool Enabled;
        Env::THC11Config Config;
        int32_t Read;
    };
    const Row rows[] = {{false, {}, 0x04},
                        {true, {}, 0x00},
                        {false, Env::hc11_EEON | Env::hc11_ROMON, 0x07},
                        {true, Env::hc11_NOCOP | Env::hc11_NOSEC, 0x08}};
    for (const Row& row : rows) {
        TBoard b;
        b.Env.SetConfig(row.Config);
        b.Cpu.ResetExternals();
        b.Env.SetCOPEnabled(row.Enabled);
        EXPECT_EQ(b.Cpu.ReadByte(0x103F), row.Read);
        b.Cpu.ResetExternals();
        EXPECT_EQ(b.Cpu.ReadByte(0x103F), row.Read);
    }
}

// ---- IRQ and XIRQ pins -------------------------------------------------------------------

// The main program loops (BRA *) with I and X clear; the IRQ routine counts in $10, the XIRQ
// routine in $11, each INC then RTI. A sequence of pin changes (L/H: IRQ low/high, x/X: XIRQ
// low/high) and single steps (s); then the counts and whether the IRQ request still stands.
// Level mode: the request follows the pin, and a pin held low re-enters the routine after its
// RTI. Edge mode (IRQE): a falling edge latches one request, which stays after the pin rises
// and is cleared when the interrupt is taken; further edges before that add nothing, an edge
// during the routine is served after it. XIRQ is level-sensitive and goes before IRQ.
TEST(Pins, IrqLevelAndEdgeAndXirqLevel) {
    struct Row {
        bool Edge;
        const char* Sequence;
        int Irqs, Xirqs;
        bool IrqPending;
    };
    const Row rows[] = {
        {false, "s", 0, 0, false},        {false, "Ls", 1, 0, true},
        {false, "Lsss", 2, 0, true},      {false, "LsHss", 1, 0, false},
        {false, "LHs", 0, 0, false},      {true, "Ls", 1, 0, false},
        {true, "Lsss", 1, 0, false},      {true, "LHs", 1, 0, false},
        {true, "LHLHsss", 1, 0, false},   {true, "LsHLss", 2, 0, false},
        {true, "LsHLs", 1, 0, true},      {false, "xs", 0, 1, false},
        {false, "xsss", 0, 2, false},     {false, "xsXss", 0, 1, false},
        {false, "xXs", 0, 0, false},      {false, "Lxs", 0, 1, true},
        {true, "Lxs", 0, 1, true},        {true, "LxsXsss", 1, 1, false},
    };
    for (const Row& row : rows) {
        TBoard b;
        b.Put(0x2000, {0x20, 0xFE});
        b.Vector(0xFFF2, 0xE100);
        b.Put(0xE100, {0x7C, 0x00, 0x10, 0x3B});
        b.Vector(0xFFF4, 0xE200);
        b.Put(0xE200, {0x7C, 0x00, 0x11, 0x3B});
        b.Cpu.PC = 0x2000;
        b.Cpu.SP = 0x00FF;
        b.Cpu.WriteByte(0x1039, row.Edge ? 0x30 : 0x10);
        b.Cpu.SetCCR(0x00);
        for (const char* c = row.Sequence; *c; ++c) {
            switch (*c) {
            case 'L': b.Env.SetIRQPin(true); break;
            case 'H': b.Env.SetIRQPin(false); break;
            case 'x': b.Env.SetXIRQPin(true); break;
            case 'X': b.Env.SetXIRQPin(false); break;
            default: b.Cpu.Step(1); break;
            }
        }
        EXPECT_EQ(b.Cpu.Memory[0x10], row.Irqs) << row.Sequence << " edge " << row.Edge;
        EXPECT_EQ(b.Cpu.Memory[0x11], row.Xirqs) << row.Sequence << " edge " << row.Edge;
        EXPECT_EQ(b.Cpu.PendingInterrupt(Core::IrqIRQ), row.IrqPending)
            << row.Sequence << " edge " << row.Edge;
    }
}

// Whether the pins can still end a wait: only a pin held low can, IRQ only in level mode and
// while maskable interrupts are accepted, XIRQ while X is clear. A reset clears IRQE and keeps
// the pin levels: IRQ held low requests again at once.
TEST(Pins, OnlyAPinHeldLowMayEndAWaitAndResetReturnsToLevelMode) {
    struct Row {
        bool IrqLow, XirqLow, Edge, Maskable, Xirq, May;
    };
    const Row rows[] = {
        {false, false, false, true, true, false}, {true, false, false, true, true, true},
        {true, false, false, false, true, false}, {true, false, true, true, true, false},
        {false, true, false, true, true, true},   {false, true, true, true, false, false},
        {false, true, false, false, true, true},  {true, true, true, false, false, false},
    };
    for (const Row& row : rows) {
        TBoard b;
        b.Cpu.WriteByte(0x1039, row.Edge ? 0x30 : 0x10);
        b.Env.SetIRQPin(row.IrqLow);
        b.Env.SetXIRQPin(row.XirqLow);
        EXPECT_EQ(b.Cpu.AnyExternalMayRequestInterrupt(row.Maskable, row.Xirq), row.May)
            << row.IrqLow << row.XirqLow << row.Edge << row.Maskable << row.Xirq;
        b.Cpu.ResetExternals();
        EXPECT_EQ(b.Cpu.ReadByte(0x1039), 0x10);
        EXPECT_EQ(b.Cpu.PendingInterrupt(Core::IrqIRQ), row.IrqLow);
        EXPECT_EQ(b.Cpu.PendingInterrupt(Core::IrqXIRQ), row.XirqLow);
    }
}

// ---- OPTION ------------------------------------------------------------------------------

// LDAA #First, k NOPs, STAA OPTION (its write falls on cycle 2k + 5), then LDAA #Second, STAA
// OPTION. In the normal modes IRQE, DLY and CR1:CR0 ($33) take the first write only if it
// falls within the first 64 cycles after reset (cycles 0 to 63), and no later write; ADPU,
// CSEL, CME and bit 2 always follow. In the special modes all bits stay writable. IRQE and
// CR1:CR0 reach the pins and the COP.
TEST(Option, TimeProtectedBitsAreWrittenOnceAndOnlyInTheFirst64Cycles) {
    struct Row {
        Env::THC11Mode Mode;
        int Nops;
        uint8_t First, Second, AfterFirst, AfterSecond;
    };
    const Row rows[] = {
        {Env::hc11_Normal_Expanded, 0, 0x33, 0x00, 0x33, 0x33},
        {Env::hc11_Normal_Expanded, 29, 0xE3, 0x18, 0xE3, 0x2B},
        {Env::hc11_Normal_Expanded, 30, 0xE3, 0x00, 0xD0, 0x10},
        {Env::hc11_Normal_Single_Chip, 0, 0x00, 0xFF, 0x00, 0xCC},
        {Env::hc11_Normal_Single_Chip, 100, 0x2C, 0x03, 0x1C, 0x10},
        {Env::hc11_Special_Bootstrap, 100, 0x23, 0x12, 0x23, 0x12},
        {Env::hc11_Special_Test, 0, 0x33, 0x00, 0x33, 0x00},
    };
    for (const Row& row : rows) {
        TBoard b;
        b.Env.SetMode(row.Mode);
        b.Cpu.ResetExternals();
        b.Cpu.SetCCR(0xD0); // as after reset
        uint32_t at = 0x2000;
        b.Put(at, {0x86, row.First});
        at += 2;
        for (int k = 0; k < row.Nops; ++k) b.Put(at++, {0x01});
        b.Put(at, {0xB7, 0x10, 0x39, 0x86, row.Second, 0xB7, 0x10, 0x39, 0x20, 0xFE});
        b.Cpu.PC = 0x2000;
        b.Cpu.Step(row.Nops + 2);
        EXPECT_EQ(b.Cpu.ReadByte(0x1039), row.AfterFirst) << row.Mode << ' ' << row.Nops;
        b.Cpu.Step(2);
        EXPECT_EQ(b.Cpu.ReadByte(0x1039), row.AfterSecond) << row.Mode << ' ' << row.Nops;
        EXPECT_EQ(b.Env.COP().Rate(), row.AfterSecond & 3);
        b.Env.SetIRQPin(true);
        EXPECT_EQ(b.Cpu.PendingInterrupt(Core::IrqIRQ), true); // level, or a falling edge
        b.Cpu.Step(1);                                          // I is set: not taken
        b.Env.SetIRQPin(false);
        EXPECT_EQ(b.Cpu.PendingInterrupt(Core::IrqIRQ), bool(row.AfterSecond & 0x20));
        // A reset opens the window again.
        b.Cpu.ResetExternals();
        b.Cpu.WriteByte(0x1039, 0x03);
        EXPECT_EQ(b.Cpu.ReadByte(0x1039), 0x03);
    }
}

// ---- Priorities --------------------------------------------------------------------------

// Routine of line n at $3000 + 16n, a NOP; after one step the PC names the line taken.
struct TPriorityBoard : TBoard {
    TPriorityBoard() {
        for (int n = 11; n <= 26; ++n) {
            Vector(0xFFC0 + 2 * uint32_t(n), 0x3000 + 16 * uint32_t(n));
            Put(0x3000 + 16 * uint32_t(n), {0x01});
        }
        Put(0x2000, {0x01});
        Cpu.SP = 0x00FF;
    }
    // Writes HPRIO (I as given), raises the lines, clears I and X and steps once; returns the
    // line whose routine runs, or 0.
    int Taken(int32_t Hprio, bool IWhenWritten, std::initializer_list<int> Lines) {
        Cpu.PC = 0x2000;
        Cpu.I = IWhenWritten;
        Cpu.WriteByte(0x103C, Hprio);
        for (int n : Lines) Cpu.SetPendingInterrupt(n, true);
        Cpu.SetCCR(0x00);
        Cpu.Step(1);
        const int32_t routine = Cpu.PC - 1 - 0x3000;
        return routine >= 0 && routine % 16 == 0 ? routine / 16 : 0;
    }
};

// The fixed order of the maskable sources (reference manual: IRQ, real-time interrupt, input
// captures 1-3, output compares 1-4, IC4/OC5, timer overflow, pulse accumulator overflow and
// input edge, SPI, SCI): with the source at each place and every source after it pending, the
// one at that place is taken. HPRIO as after reset (PSEL $5: IRQ first).
TEST(Priority, TheManualsFixedOrderAmongTheMaskableSources) {
    const int order[] = {25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11};
    for (size_t k = 0; k < std::size(order); ++k) {
        TPriorityBoard b;
        b.Cpu.ResetExternals();
        b.Cpu.VectorBase = 0xFF00;
        for (size_t j = k; j < std::size(order); ++j) b.Cpu.SetPendingInterrupt(order[j], true);
        b.Cpu.PC = 0x2000;
        b.Cpu.SetCCR(0x00);
        b.Cpu.Step(1);
        EXPECT_EQ(b.Cpu.PC, 0x3000 + 16 * order[k] + 1) << "place " << k;
    }
}

// PSEL3:0 in HPRIO raises one source above all other maskable ones (the manual's selection
// table: $0 timer overflow, $1 PA overflow, $2 PA input edge, $3 SPI, $4 SCI, $5 reserved =
// IRQ, $6 IRQ, $7 RTI, $8-$A input captures 1-3, $B-$E output compares 1-4, $F IC4/OC5). With
// every maskable line pending, PSEL decides; a promoted source that is quiet changes nothing;
// XIRQ still goes first; a write with I clear leaves PSEL as it was.
TEST(Priority, PselPromotesOneSourceToTheHighestMaskablePriority) {
    const std::initializer_list<int> all = {11, 12, 13, 14, 15, 16, 17, 18,
                                            19, 20, 21, 22, 23, 24, 25};
    const int promoted[16] = {15, 14, 13, 12, 11, 25, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16};
    for (int psel = 0; psel < 16; ++psel) {
        TPriorityBoard b;
        EXPECT_EQ(b.Taken(psel, true, all), promoted[psel]) << "PSEL " << psel;
    }
    struct Row {
        int32_t Hprio;
        bool I;
        std::initializer_list<int> Lines;
        int Taken;
    };
    const Row rows[] = {
        {0x08, true, {25, 22, 11}, 25}, // IC1 promoted but quiet
        {0x04, true, {12, 11}, 11},     // SCI over SPI
        {0x04, true, {12}, 12},
        {0x00, true, {24, 16, 15}, 15}, // timer overflow over RTI
        {0x07, true, {26, 25, 24}, 26}, // XIRQ first whatever PSEL says
        {0x04, false, {25, 11}, 25},    // written with I clear: still IRQ
        {0x0F, false, {16, 20}, 20},
    };
    for (const Row& row : rows) {
        TPriorityBoard b;
        EXPECT_EQ(b.Taken(row.Hprio, row.I, row.Lines), row.Taken) << std::hex << row.Hprio;
    }
}

// HPRIO after reset in each mode and one write with I set: PSEL always follows; the mode bits
// are read-only in the normal modes; in the special modes RBOOT, MDA and IRV are writable and
// SMOD can be cleared but not set again. A reset restores the mode's value and IRQ's priority.
TEST(Priority, HprioModeBitsAreWritableOnlyAsTheModeAllows) {
    struct Row {
        Env::THC11Mode Mode;
        uint8_t Reset, Write1, After1, Write2, After2;
    };
    const Row rows[] = {
        {Env::hc11_Normal_Single_Chip, 0x05, 0xF7, 0x07, 0x00, 0x00},
        {Env::hc11_Normal_Expanded, 0x25, 0xC0, 0x20, 0x5A, 0x2A},
        {Env::hc11_Special_Bootstrap, 0xD5, 0xFA, 0xFA, 0x00, 0x00},
        {Env::hc11_Special_Bootstrap, 0xD5, 0x0A, 0x0A, 0xF0, 0x00},
        {Env::hc11_Special_Test, 0x75, 0xB3, 0xB3, 0x7F, 0xBF},
    };
    for (const Row& row : rows) {
        TBoard b;
        b.Env.SetMode(row.Mode);
        b.Cpu.ResetExternals();
        b.Cpu.I = true;
        EXPECT_EQ(b.Cpu.ReadByte(0x103C), row.Reset) << row.Mode;
        b.Cpu.WriteByte(0x103C, row.Write1);
        EXPECT_EQ(b.Cpu.ReadByte(0x103C), row.After1) << row.Mode;
        b.Cpu.WriteByte(0x103C, row.Write2);
        EXPECT_EQ(b.Cpu.ReadByte(0x103C), row.After2) << row.Mode;
        b.Cpu.ResetExternals();
        EXPECT_EQ(b.Cpu.ReadByte(0x103C), row.Reset) << row.Mode;
        EXPECT_EQ(b.Cpu.HighestPriorityLine(), Core::IrqIRQ);
    }
}

} // namespace
