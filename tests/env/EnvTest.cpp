// The on-chip environment: the IO register block, ports A to E, the interrupt request lines, the
// real-time interrupt (RTI) and reset.
#include "EnvTestSupport.h"

namespace {

using Env = TCPU_68HC11_Environment;

uint32_t RaisedLines(const TCPU_68HC11_& Cpu) {
    uint32_t lines = 0;
    for (int n = 0; n < 32; ++n)
        lines |= uint32_t{Cpu.PendingInterrupt(n)} << n;
    return lines;
}

// One sequence of writes, all timer flags set at the start; each step reads one address and the
// raised request lines (bit n = line n). Read and write masks; each mask bit raises its line
// (TMSK1 bits 3-7, 0-2: lines 16-23; TMSK2 bits 4, 5, 7, 6: lines 13, 14, 15, 24; the mask
// patterns tell every bit apart; PR1:PR0 keep the first write); flags clear where a 1 is written; INIT moves the block (the old
// place is plain memory again: PORTB keeps its pins) and only INIT's low nibble counts. Then a
// reset: HPRIO and CONFIG as in single-chip mode (NOCOP set: the COP is off), the timer registers
// and PORTB cleared, DDRC kept,
// SPCR to 0000 01xx with its rate bits kept, the block back at $1000, the RTI back to 8192 cycles, and the lines recomputed:
// requests from before are gone, a line of another device stays.
TEST(EnvRegisters, MasksLinesClearingFlagsTheInitMoveAndReset) {
    const uint32_t steps[][5] = {
        // Address, Value, ReadAt, Expected, Lines
        {0x1004, 0x1A5, 0x1004, 0xA5, 0},        {0x1007, 0xFF, 0x1007, 0xFF, 0},
        {0x1009, 0xFF, 0x1009, 0x3F, 0},         {0x1026, 0xFF, 0x1026, 0xF7, 0},
        {0x1028, 0x5A, 0x1028, 0x5A, 0},         {0x1039, 0x93, 0x1039, 0x93, 0},
        {0x1022, 0x0F, 0x1022, 0x0F, 0xE10000},  {0x1022, 0x33, 0x1022, 0x33, 0x660000},
        {0x1022, 0x55, 0x1022, 0x55, 0xAA0000},  {0x1022, 0xFF, 0x1022, 0xFF, 0xFF0000},
        {0x1023, 0x0F, 0x1023, 0xF0, 0x1E0000},  {0x1023, 0x00, 0x1023, 0xF0, 0x1E0000},
        {0x1024, 0x30, 0x1024, 0x30, 0x1E6000},  {0x1024, 0x50, 0x1024, 0x50, 0x11E2000},
        {0x1024, 0xFF, 0x1024, 0xF0, 0x11EE000}, {0x1025, 0x50, 0x1025, 0xA0, 0x1EC000},
        {0x1025, 0x0F, 0x1025, 0xA0, 0x1EC000},  {0x1022, 0x00, 0x1022, 0x00, 0xC000},
        {0x103D, 0x08, 0x803D, 0x08, 0xC000},    {0x8004, 0x3C, 0x8004, 0x3C, 0xC000},
        {0x1004, 0x5A, 0x8004, 0x3C, 0xC000},    {0x803D, 0xF3, 0x303D, 0xF3, 0xC000}};
    TSystem sys;
    sys.Env.Timer.TFLG1 = 0xFF;
    sys.Env.Timer.TFLG2 = 0xF0;
    for (const auto& [address, value, readAt, expected, lines] : steps) {
        sys.Cpu.WriteByte(address, static_cast<int32_t>(value));
        EXPECT_EQ(sys.Cpu.ReadByte(readAt), static_cast<int32_t>(expected)) << std::hex << address;
        EXPECT_EQ(RaisedLines(sys.Cpu), lines) << std::hex << address << " " << value;
        EXPECT_EQ(sys.Cpu.Memory[readAt], 0) << "memory behind the block";
    }
    sys.Cpu.SetPendingInterrupt(10, true);
    sys.Cpu.ResetExternals();
    EXPECT_EQ(RaisedLines(sys.Cpu), 0x400u);
    EXPECT_EQ(sys.Env.Timer.RTIDivider, 2);
    // TMSK1 TFLG1 TMSK2 TFLG2 PACTL, PORTB, DDRC, SPCR; OPTION, HPRIO INIT, CONFIG
    EXPECT_EQ(sys.Hex(0x1022, 5) + sys.Hex(0x1004, 1) + sys.Hex(0x1007, 1) + sys.Hex(0x1028, 1) +
                  sys.Hex(0x1039, 1) + sys.Hex(0x103C, 2) + sys.Hex(0x103F, 1),
              "0000000000 00 FF 06 10 0501 04 ");
}

// Every offset read and written during a run. COPRST ($3A) is only written; CONFIG, HPRIO's
// mode bits, TCNT and TIC1-TIC3 are read-only (writes to them change nothing). An unimplemented
// offset shows the box naming it and stops the run, so that a program polling it cannot trap the
// user in the box.
TEST(EnvRegisters, UnimplementedAddressesShowTheBoxAndStopTheRun) {
    const char* const timer = "0B0C0D0E 0F101112 13141516 1718191A 1B1C1D1E 1F202122 23242526 27";
    const QByteArray readable = QByteArray::fromHex(QByteArray("00030407 08090A ") + timer +
                                                    " 28292A2B 2C2D2E2F 30313233 3439 3C3D3F");
    const QByteArray writable = QByteArray::fromHex(QByteArray("00030407 08090A ") + timer +
                                                    " 28292A2B 2C2D2E2F 30313233 34393A 3C3D");
    for (uint32_t offset = 0; offset < 0x40; ++offset) {
        for (bool write : {false, true}) {
            TSystem sys;
            if (write && offset != 0x3D) sys.Cpu.WriteByte(0x1000 + offset, 0x0F); // INIT moves
            if (!write) sys.Cpu.ReadByte(0x1000 + offset);
            const bool implemented =
                (write ? writable : readable).contains(static_cast<char>(offset));
            const std::string box =
                Box(QString("68HC11Env-Fehler - Memory") + (write ? "Write" : "Read"),
                    QString::asprintf("Nicht implementierte IO-Adresse: $%02X", offset),
                    TMsgIcon::Warning, TMsgButtons::Ok);
            EXPECT_EQ(sys.TakeBoxes(), implemented ? "" : box);
            EXPECT_EQ(sys.Cpu.LastStopReason(),
                      implemented ? StopReason::None : StopReason::UnimplementedIO)
                << std::hex << offset << " write " << write;
            EXPECT_EQ(sys.Env.CONFIG, Env::hc11_NOCOP);
        }
    }
}

// One sequence of program writes to Target and pins driven from outside (Target 0 to 3:
// SetPortAInput, C, D, E); each step reads the port at ReadAt and the port-change events fired
// so far, one hex digit per port A B C D. Only program writes fire, also when no pin changes;
// pins 3-6 of port A are outputs, pin 7 by PACTL bit 7; port D has six pins; E is input only.
// A reset then keeps the levels of port A's input pins (0-2, and 7 as PACTL is cleared) where
// the latch would give $80, and fires nothing.
TEST(EnvPorts, PinsFollowLatchesDirectionsAndInputsAndOnlyWritesFire) {
    const uint32_t steps[][5] = {
        // Target, Value, ReadAt, Pins, Fired
        {0, 0x85, 0x1000, 0x85, 0},           {1, 0x30, 0x1003, 0x30, 0},
        {2, 0xF0, 0x1008, 0x30, 0},           {3, 0x1C3, 0x100A, 0xC3, 0},
        {0x1000, 0x7F, 0x1000, 0xFD, 0x1000}, {0x1026, 0x80, 0x1000, 0x7D, 0x2000},
        {0, 0xFF, 0x1000, 0x7F, 0x2000},      {0x1000, 0x80, 0x1000, 0x87, 0x3000},
        {0x1004, 0x81, 0x1004, 0x81, 0x3100}, {0x1004, 0x81, 0x1004, 0x81, 0x3200},
        {0x1007, 0x0F, 0x1003, 0x30, 0x3210}, {0x1003, 0xAA, 0x1003, 0x3A, 0x3220},
        {1, 0xC5, 0x1003, 0xCA, 0x3220},      {0x1007, 0xFF, 0x1003, 0xAA, 0x3230},
        {0x1009, 0xFF, 0x1008, 0x00, 0x3231}, {0x1008, 0xEA, 0x1008, 0x2A, 0x3232},
        {0x1009, 0x07, 0x1008, 0x2A, 0x3233}, {2, 0xF8, 0x1008, 0x3A, 0x3233},
        {0x100A, 0x00, 0x100A, 0xC3, 0x3233}};
    const Env::TPort input[] = {Env::PortA, Env::PortC, Env::PortD, Env::PortE};
    TSystem sys;
    uint32_t fired = 0;
    sys.Env.OnPortChange = [&](Env::TPort Port) { fired += 0x1000u >> (4 * Port); };
    sys.Env.SetPortInput(Env::PortB, 0xFF); // port B has no input pins
    for (const auto& [target, value, readAt, pins, expectFired] : steps) {
        if (target < 4)
            sys.Env.SetPortInput(input[target], static_cast<int32_t>(value));
        else
            sys.Cpu.WriteByte(target, static_cast<int32_t>(value));
        EXPECT_EQ(sys.Cpu.ReadByte(readAt), static_cast<int32_t>(pins))
            << std::hex << target << " " << value;
        EXPECT_EQ(fired, expectFired) << std::hex << target << " " << value;
    }
    sys.Cpu.ResetExternals();
    EXPECT_EQ(sys.Cpu.ReadByte(0x1000), 0x87);
    EXPECT_EQ(fired, 0x3233u);
}

// With NOPs running, the RTI flag first rises after 8192, 16384, 32768 or 65536 cycles, by
// PACTL's rate bits.
TEST(EnvRti, PeriodInCpuCyclesForAllFourRates) {
    for (int32_t rate = 0; rate < 4; ++rate) {
        TSystem sys;
        std::fill(sys.Cpu.Memory.begin() + 0x2000, sys.Cpu.Memory.end(), 0x01);
        sys.Cpu.PC = 0x2000;
        sys.Cpu.WriteByte(0x1026, rate);
        while (sys.Env.Timer.TFLG2 == 0 && sys.Cpu.CycleCount < 100000)
            sys.Cpu.Step(1);
        EXPECT_EQ(sys.Cpu.CycleCount, int64_t{8192} << rate) << "rate " << rate;
    }
}

// The RTI counter is compared with >=: lowering the rate while the counter stands above the new
// divider gives the next RTI at once.
TEST(EnvRti, LoweringTheRateBelowTheCountGivesTheNextRtiAtOnce) {
    TSystem sys;
    sys.Cpu.WriteByte(0x1026, 0x03); // 16 ticks per RTI
    for (int t = 0; t < 10; ++t)
        sys.Env.HandleTimer(1);
    sys.Cpu.WriteByte(0x1026, 0x00); // 2 ticks, while the counter stands at 10
    EXPECT_EQ(sys.Env.Timer.TFLG2, 0);
    sys.Env.HandleTimer(1);
    EXPECT_EQ(sys.Env.Timer.TFLG2, 0x40);
}

} // namespace

// A processor that is not a 68HC11 core: the environment serves it but raises no line.
struct TOtherCPU : TCustomCPU {
    int32_t ReadMemory(uint32_t) override { return 0; }
    void WriteMemory(uint32_t Address, int32_t Value) override { ExternalWrite(Address, Value); }
    void MapExternalMemory(uint32_t, uint32_t) override {}
    void UnmapExternalMemory(uint32_t, uint32_t) override {}
    bool IsBreakpoint(uint32_t) override { return false; }
    void SetBreakpoint(uint32_t, bool) override {}
    int32_t ExecuteInstruction() override { return 4; }
};

TEST(EnvRti, OnAnotherProcessorTheFlagRisesWithoutAnInterruptLine) {
    TOtherCPU cpu;
    TCPU_68HC11_Environment env;
    env.SetCPU(&cpu);
    cpu.WriteMemory(0x1024, 0x40); // TMSK2: RTI enabled
    cpu.Step(2100);                // 8400 cycles: one RTI period
    EXPECT_EQ(env.Timer.TFLG2, 0x40);
}
