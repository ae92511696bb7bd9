// The on-chip environment: the IO register block, ports A to E, the interrupt request lines, the
// real-time interrupt (RTI) and reset.
#include "EnvTestSupport.h"

namespace {

using Env = TCPU_68HC11_Enviroment;

uint32_t RaisedLines(const TCPU_68HC11_& Cpu) {
    uint32_t lines = 0;
    for (int n = 0; n < 32; ++n)
        lines |= uint32_t{Cpu.PendingInterrupt(n)} << n;
    return lines;
}

// One sequence of writes, all timer flags set at the start; each step reads one address and the
// raised request lines (bit n = line n): read and write masks; each mask bit raises its line
// (TMSK1 bits 3-7, 0-2: lines 16-23; TMSK2 bits 4, 5, 7, 6: lines 13, 14, 15, 24); flags clear
// where a 1 is written; INIT moves the block (the old place is plain memory again: PORTB keeps
// its pins) and only INIT's low nibble counts. Then a reset: HPRIO by mode, CONFIG from Config,
// the timer registers and PORTB cleared, DDRC and SPCR kept, the block back at $1000, the RTI
// back to 8192 cycles, and the lines recomputed: requests from before are gone, a line of
// another device stays.
TEST(EnvRegisters, MasksLinesClearingFlagsTheInitMoveAndReset) {
    const uint32_t steps[][5] = {
        // Address, Value, ReadAt, Expected, Lines
        {0x1004, 0x1A5, 0x1004, 0xA5, 0},        {0x1007, 0xFF, 0x1007, 0xFF, 0},
        {0x1009, 0xFF, 0x1009, 0x3F, 0},         {0x1026, 0xFF, 0x1026, 0xF3, 0},
        {0x1028, 0x5A, 0x1028, 0x5A, 0},         {0x102B, 0x33, 0x102B, 0x33, 0},
        {0x102D, 0xC3, 0x102D, 0xC3, 0},         {0x1039, 0x93, 0x1039, 0x93, 0},
        {0x1022, 0x08, 0x1022, 0x08, 0x10000},   {0x1022, 0x10, 0x1022, 0x10, 0x20000},
        {0x1022, 0x20, 0x1022, 0x20, 0x40000},   {0x1022, 0x40, 0x1022, 0x40, 0x80000},
        {0x1022, 0x80, 0x1022, 0x80, 0x100000},  {0x1022, 0x01, 0x1022, 0x01, 0x200000},
        {0x1022, 0x02, 0x1022, 0x02, 0x400000},  {0x1022, 0x04, 0x1022, 0x04, 0x800000},
        {0x1022, 0xFF, 0x1022, 0xFF, 0xFF0000},  {0x1023, 0x0F, 0x1023, 0xF0, 0x1E0000},
        {0x1023, 0x00, 0x1023, 0xF0, 0x1E0000},  {0x1024, 0x10, 0x1024, 0x10, 0x1E2000},
        {0x1024, 0x20, 0x1024, 0x20, 0x1E4000},  {0x1024, 0x80, 0x1024, 0x80, 0x1E8000},
        {0x1024, 0x40, 0x1024, 0x40, 0x11E0000}, {0x1024, 0xFF, 0x1024, 0xF3, 0x11EE000},
        {0x1025, 0x50, 0x1025, 0xA0, 0x1EC000},  {0x1025, 0x0F, 0x1025, 0xA0, 0x1EC000},
        {0x1022, 0x00, 0x1022, 0x00, 0xC000},    {0x103D, 0x08, 0x803D, 0x08, 0xC000},
        {0x8004, 0x3C, 0x8004, 0x3C, 0xC000},    {0x1004, 0x5A, 0x8004, 0x3C, 0xC000},
        {0x803D, 0xF3, 0x303D, 0xF3, 0xC000}};
    TSystem sys;
    sys.Env.TFLG1 = 0xFF;
    sys.Env.TFLG2 = 0xF0;
    for (const auto& [address, value, readAt, expected, lines] : steps) {
        sys.Cpu.WriteByte(address, static_cast<int32_t>(value));
        EXPECT_EQ(sys.Cpu.ReadByte(readAt), static_cast<int32_t>(expected)) << std::hex << address;
        EXPECT_EQ(RaisedLines(sys.Cpu), lines) << std::hex << address << " " << value;
        EXPECT_EQ(sys.Cpu.Memory[readAt], 0) << "memory behind the block";
    }
    sys.Env.SetMode(Env::hc11_Special_Test);
    sys.Env.SetConfig(Env::hc11_EEON | Env::hc11_ROMON | Env::hc11_NOCOP | Env::hc11_NOSEC);
    sys.Cpu.SetPendingInterrupt(11, true);
    sys.Cpu.ResetExternals();
    EXPECT_EQ(RaisedLines(sys.Cpu), 0x800u);
    EXPECT_EQ(sys.Env.RTIDivider, 2);
    // TMSK1 TFLG1 TMSK2 TFLG2 PACTL, PORTB, DDRC, SPCR; OPTION, HPRIO INIT, CONFIG
    EXPECT_EQ(sys.Hex({{0x1022, 5}, {0x1004, 1}, {0x1007, 1}, {0x1028, 1}}), "0000000000 00 FF 5A");
    EXPECT_EQ(sys.Hex({{0x1039, 1}, {0x103C, 2}, {0x103F, 1}}), "10 7501 0F");
}

// Every offset read and written during a run. HPRIO ($3C) is readable; it and CONFIG are
// read-only. An unimplemented offset reads 0, shows the box naming it and stops the run, so that
// a program polling it cannot trap the user in the box.
TEST(EnvRegisters, UnimplementedAddressesShowTheBoxAndStopTheRun) {
    const QByteArray readable = QByteArray::fromHex("00030407 08090A22 23242526 282B2D39 3C3D3F");
    for (uint32_t offset = 0; offset < 0x40; ++offset) {
        for (bool write : {false, true}) {
            TSystem sys;
            sys.Cpu.Running = true;
            sys.Cpu.Memory[0x1000 + offset] = 0x77;
            if (write && offset != 0x3D) sys.Cpu.WriteByte(0x1000 + offset, 0x0F); // not INIT
            const int32_t value = write ? 0 : sys.Cpu.ReadByte(0x1000 + offset);
            const bool implemented = readable.contains(static_cast<char>(offset)) &&
                                     !(write && (offset == 0x3C || offset == 0x3F));
            const QString caption =
                QString("68HC11Env-Fehler - Memory") + (write ? "Write" : "Read");
            const QString text =
                QString::asprintf("Nicht implementierte IO-Adresse: $%02X", offset);
            EXPECT_EQ(sys.TakeBoxes(),
                      implemented ? "" : Box(caption, text, TMsgIcon::Warning, TMsgButtons::Ok));
            EXPECT_EQ(sys.Cpu.Running, implemented) << std::hex << offset << " write " << write;
            EXPECT_TRUE((implemented || value == 0) && sys.Env.CONFIG == 0);
        }
    }
}

// One sequence of program writes to Target and pins driven from outside (Target 0, 2, 3, 4:
// SetPortAInput, C, D, E); each step reads the port at ReadAt and the port-change events fired
// so far, one hex digit per port A B C D. Only program writes fire, also when no pin changes;
// pins 3-6 of port A are outputs, pin 7 by PACTL bit 7; port D has six pins; E is input only.
// A reset then keeps the levels of port A's input pins (0-2, and 7 as PACTL is cleared) where
// the latch would give $80, and fires nothing.
TEST(EnvPorts, PinsFollowLatchesDirectionsAndInputsAndOnlyWritesFire) {
    const uint32_t steps[][5] = {
        // Target, Value, ReadAt, Pins, Fired
        {0, 0x85, 0x1000, 0x85, 0},           {2, 0x30, 0x1003, 0x30, 0},
        {3, 0xF0, 0x1008, 0x30, 0},           {4, 0x1C3, 0x100A, 0xC3, 0},
        {0x1000, 0x7F, 0x1000, 0xFD, 0x1000}, {0x1026, 0x80, 0x1000, 0x7D, 0x2000},
        {0, 0xFF, 0x1000, 0x7F, 0x2000},      {0x1000, 0x80, 0x1000, 0x87, 0x3000},
        {0x1004, 0x81, 0x1004, 0x81, 0x3100}, {0x1004, 0x81, 0x1004, 0x81, 0x3200},
        {0x1007, 0x0F, 0x1003, 0x30, 0x3210}, {0x1003, 0xAA, 0x1003, 0x3A, 0x3220},
        {2, 0xC5, 0x1003, 0xCA, 0x3220},      {0x1007, 0xFF, 0x1003, 0xAA, 0x3230},
        {0x1009, 0xFF, 0x1008, 0x00, 0x3231}, {0x1008, 0xEA, 0x1008, 0x2A, 0x3232},
        {0x1009, 0x07, 0x1008, 0x2A, 0x3233}, {3, 0xF8, 0x1008, 0x3A, 0x3233},
        {0x100A, 0x00, 0x100A, 0xC3, 0x3233}};
    void (Env::*const input[])(int32_t) = {&Env::SetPortAInput, nullptr, &Env::SetPortCInput,
                                           &Env::SetPortDInput, &Env::SetPortEInput};
    TSystem sys;
    uint32_t fired = 0;
    sys.Env.OnPortAChange = [&] { fired += 0x1000; };
    sys.Env.OnPortBChange = [&] { fired += 0x100; };
    sys.Env.OnPortCChange = [&] { fired += 0x10; };
    sys.Env.OnPortDChange = [&] { fired += 0x1; };
    for (const auto& [target, value, readAt, pins, expectFired] : steps) {
        if (target < 5)
            (sys.Env.*input[target])(static_cast<int32_t>(value));
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

// A program that enables the RTI at one of the four rates and counts five interrupts; the fifth
// arrives five periods of 8192, 16384, 32768 or 65536 cycles after the reset.
TEST(EnvRti, AProgramCountsInterruptsAtEachRate) {
    for (int rate = 0; rate < 4; ++rate) {
        TSystem sys;
        // E000: lds #$FF; ldx #$1000; clr $00; ldaa #rate; staa PACTL,x; ldaa #$40;
        //       staa TFLG2,x; staa TMSK2,x; cli; wait: ldaa $00; cmpa #5; blo wait; sei; bra *
        // E01D: ldx #$1000; ldaa #$40; staa TFLG2,x; inc $0000; rti.   FFF0: RTI, FFFE: reset
        const QByteArray code = QByteArray::fromHex(
            "8E00FF CE1000 7F0000 860" + QByteArray::number(rate) +
            "A726 8640 A725 A724 0E 9600 8105 25FA 0F 20FE CE1000 8640 A725 7C0000 3B");
        const QByteArray vectors = QByteArray::fromHex("E01D000000000000000000000000E000");
        std::copy(code.begin(), code.end(), sys.Cpu.Memory.begin() + 0xE000);
        std::copy(vectors.begin(), vectors.end(), sys.Cpu.Memory.begin() + 0xFFF0);
        sys.RunFromReset(0xE01B, 2000000);
        const int64_t period = int64_t{8192} << rate, cycles = sys.Cpu.CycleCount;
        EXPECT_EQ(sys.Cpu.PC, 0xE01B) << "rate " << rate;
        EXPECT_EQ(sys.Cpu.Memory[0x0000], 5);
        EXPECT_TRUE(cycles >= 5 * period && cycles < 5 * period + 300) << rate << ": " << cycles;
    }
}

struct TOtherCPU : TCustomCPU {
    int32_t ReadMemory(uint32_t) override { return 0; }
    void WriteMemory(uint32_t, int32_t) override {}
    void MapExternalMemory(uint32_t, uint32_t) override {}
    void UnmapExternalMemory(uint32_t, uint32_t) override {}
    bool IsBreakpoint(uint32_t) override { return false; }
    void SetBreakpoint(uint32_t, bool) override {}
    int32_t ExecuteInstruction() override { return 0; }
    void TraceFrom(uint32_t) override {}
};

// The RTI counter is compared with >=: lowering the rate while the counter stands above the new
// divider gives the next RTI at once. On a processor that is not a 68HC11 (TOtherCPU) the
// environment works the same but raises no request lines.
TEST(EnvRti, LoweringTheRateBelowTheCountGivesTheNextRtiAtOnce) {
    TSystem sys;
    TOtherCPU other;
    Env otherEnv;
    otherEnv.SetCPU(&other);
    for (Env* env : {&sys.Env, &otherEnv}) {
        env->MemoryWrite(0x1024, 0x40);
        env->MemoryWrite(0x1026, 0x03); // 16 ticks per RTI
        for (int t = 0; t < 10; ++t)
            env->HandleTimer(1);
        env->MemoryWrite(0x1026, 0x00); // 2 ticks, while the counter stands at 10
        EXPECT_EQ(env->TFLG2, 0);
        env->HandleTimer(1);
        EXPECT_EQ(env->TFLG2, 0x40);
    }
    EXPECT_TRUE(sys.Cpu.PendingInterrupt(TCPU_68HC11_::IrqRTI));
}

} // namespace
