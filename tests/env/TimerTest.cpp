// The timer system, register by register, as the reference manual describes it: TCNT and its
// prescaler, TOF, the output compares with their pin actions, CFORC, the input captures, the
// flags cleared by writing 1s, the pulse accumulator and the interrupt lines.
#include "EnvTestSupport.h"

namespace {

using Env = TCPU_68HC11_Environment;

constexpr uint32_t TCNT = 0x0E, TIC1 = 0x10, TOC1 = 0x16, TOC2 = 0x18, TOC3 = 0x1A, TOC4 = 0x1C,
                   TI4O5 = 0x1E, CFORC = 0x0B, OC1M = 0x0C, OC1D = 0x0D, TCTL1 = 0x20,
                   TCTL2 = 0x21, TMSK1 = 0x22, TFLG1 = 0x23, TMSK2 = 0x24, TFLG2 = 0x25,
                   PACTL = 0x26, PACNT = 0x27;

// The environment after a reset at cycle 0; time moves as the run loop moves it: the cycle
// count goes forward and the events due by then are handled.
struct TTimer : TSystem {
    TTimer() { Cpu.ResetExternals(); }
    void At(int64_t Cycle) {
        Cpu.CycleCount = Cycle;
        if (Env.NextEventCycle() <= Cycle) Env.HandleEvents(Cycle);
    }
    int32_t Get(uint32_t Offset) { return Cpu.ReadByte(0x1000 + Offset); }
    int32_t Get16(uint32_t Offset) { return Cpu.ReadWord(0x1000 + Offset); }
    void Set(uint32_t Offset, int32_t Value) { Cpu.WriteByte(0x1000 + Offset, Value); }
    void Set16(uint32_t Offset, int32_t Value) { Cpu.WriteWord(0x1000 + Offset, Value); }
    int32_t PinsA() const { return Env.PortPins[Env::PortA]; }
    uint32_t Lines() const {
        uint32_t lines = 0;
        for (int n = 12; n <= 24; ++n)
            lines |= uint32_t{Cpu.PendingInterrupt(n)} << n;
        return lines;
    }
};

// TCNT counts E cycles through the prescaler PR1:PR0 (1, 4, 8, 16) from $0000 at reset and
// wraps; a prescaler chosen after the counter has run goes on from the count it has, stepping on
// the prescaler's taps counted from reset.
TEST(TimerCounter, CountsThroughEachPrescalerAndWraps) {
    const struct {
        int32_t Pr;
        int64_t WriteAt, ReadAt;
        int32_t Expected;
    } rows[] = {
        {0, 0, 0, 0x0000},          {0, 0, 1, 0x0001},          {0, 0, 0x1234, 0x1234},
        {0, 0, 0xFFFF, 0xFFFF},     {0, 0, 0x10000, 0x0000},    {0, 0, 0x12345, 0x2345},
        {1, 0, 3, 0x0000},          {1, 0, 4, 0x0001},          {1, 0, 0x3FFFF, 0xFFFF},
        {1, 0, 0x40000, 0x0000},    {2, 0, 7, 0x0000},          {2, 0, 8, 0x0001},
        {2, 0, 1000, 125},          {3, 0, 15, 0x0000},         {3, 0, 1000, 62},
        {3, 0, 0x100000, 0x0000},   {3, 20, 20, 20},            {3, 20, 31, 20},
        {3, 20, 32, 21},            {1, 63, 64, 64},            {1, 63, 67, 64},
        {1, 63, 68, 65}};
    for (const auto& row : rows) {
        TTimer t;
        t.At(row.WriteAt);
        t.Set(TMSK2, row.Pr);
        t.At(row.ReadAt);
        EXPECT_EQ(t.Get16(TCNT), row.Expected) << row.Pr << " " << row.WriteAt << " " << row.ReadAt;
        EXPECT_EQ(t.Env.Timer.CounterAt(row.ReadAt), row.Expected);
    }
}

// PR1:PR0 take the first write to TMSK2 within the first 64 E cycles after reset; a second
// write, or one after that, leaves them (the other bits of TMSK2 are written every time). In the
// special modes they can be written at any time.
TEST(TimerCounter, PrescalerBitsAreWriteOnceWithinSixtyFourCycles) {
    const struct {
        Env::THC11Mode Mode;
        int64_t FirstAt;
        int32_t First;
        int64_t SecondAt;
        int32_t Second, Tmsk2, Prescale;
    } rows[] = {
        {Env::hc11_Normal_Expanded, 0, 0x03, 10, 0x01, 0x03, 16},
        {Env::hc11_Normal_Expanded, 63, 0x02, 63, 0x81, 0x82, 8},
        {Env::hc11_Normal_Expanded, 64, 0x03, 64, 0x03, 0x00, 1},
        {Env::hc11_Normal_Expanded, 10, 0x40, 20, 0x43, 0x40, 1},
        {Env::hc11_Normal_Single_Chip, 1000, 0x01, 1000, 0x01, 0x00, 1},
        {Env::hc11_Special_Test, 1000, 0x01, 2000, 0x12, 0x12, 8},
        {Env::hc11_Special_Bootstrap, 5000, 0x03, 5000, 0x03, 0x03, 16}};
    for (const auto& row : rows) {
        TTimer t;
        t.Env.SetMode(row.Mode);
        t.Cpu.ResetExternals();
        t.At(row.FirstAt);
        t.Set(TMSK2, row.First);
        t.At(row.SecondAt);
        t.Set(TMSK2, row.Second);
        EXPECT_EQ(t.Get(TMSK2), row.Tmsk2) << row.FirstAt << " " << row.First;
        EXPECT_EQ(t.Env.Timer.Prescale(), row.Prescale) << row.FirstAt << " " << row.First;
        // A reset opens the window again.
        t.Cpu.ResetExternals();
        t.Set(TMSK2, 0x02);
        EXPECT_EQ(t.Env.Timer.Prescale(), 8);
    }
}

// Reading TCNT's high byte latches the low byte until the low byte is read (a peek sees the
// latch and leaves it); a low-byte read without it sees the counter as it is. TCNT and TIC1-TIC3 ignore writes.
TEST(TimerCounter, HighByteReadLatchesTheLowByte) {
    const struct {
        int64_t Cycle;
        uint32_t Offset;
        bool Peek;
        int32_t Expected;
    } steps[] = {{0x12F0, TCNT, false, 0x12}, {0x1305, TCNT + 1, true, 0xF0},
                 {0x1305, TCNT, true, 0x13},  {0x1305, TCNT + 1, false, 0xF0},
                 {0x1306, TCNT + 1, false, 0x06}, {0x14FF, TCNT, false, 0x14},
                 {0x1501, TCNT, false, 0x15}, {0x1600, TCNT + 1, false, 0x01}};
    TTimer t;
    for (const auto& s : steps) {
        t.At(s.Cycle);
        int32_t value = 0;
        if (s.Peek)
            EXPECT_TRUE(t.Env.PeekRegister(s.Offset, value));
        else
            value = t.Get(s.Offset);
        EXPECT_EQ(value, s.Expected) << std::hex << s.Cycle << " " << s.Offset;
    }
    // A double-byte read in one instruction sees one count.
    t.At(0x2AFF);
    EXPECT_EQ(t.Get16(TCNT), 0x2AFF);
    t.Set16(TCNT, 0);
    t.Set16(TIC1, 0x5555);
    EXPECT_EQ(t.Get16(TCNT), 0x2AFF);
    EXPECT_EQ(t.Get16(TIC1), 0);
}

// TOF rises when TCNT goes from $FFFF to $0000, at every turn, and asks for line 15 ($FFDE)
// while TOI is set; writing 1 to TFLG2 bit 7 clears it.
TEST(TimerOverflow, FlagAtEachTurnAndLineWithTOI) {
    const struct {
        int32_t Pr;
        int64_t Cycle;
        int32_t Write, Tflg2;
        uint32_t Lines;
    } steps[] = {{0, 0xFFFF, 0, 0x00, 0},         {0, 0x10000, 0, 0x80, 0},
                 {0, 0x10001, 0x7F, 0x80, 0},     {0, 0x10002, 0xFF, 0x00, 0},
                 {0, 0x1FFFF, 0, 0x00, 0},        {0, 0x20000, 0, 0x80, 1u << 15},
                 {3, 0xFFFFF, 0, 0x00, 0},        {3, 0x100000, 0, 0x80, 1u << 15}};
    for (int pr : {0, 3}) {
        TTimer t;
        t.Set(TMSK2, pr);
        for (const auto& s : steps) {
            if (s.Pr != pr) continue;
            if (s.Cycle >= 0x20000) t.Set(TMSK2, 0x80);
            t.At(s.Cycle);
            if (s.Write) t.Set(TFLG2, s.Write);
            EXPECT_EQ(t.Get(TFLG2), s.Tflg2) << std::hex << s.Cycle;
            EXPECT_EQ(t.Lines(), s.Lines) << std::hex << s.Cycle;
        }
    }
}

// A compare register matching TCNT sets its flag (OC1F bit 7 ... OC5F bit 3 of TFLG1) and, with
// its mask bit, asks for its line (TOC1 $FFE8 = 20, TOC2 19, TOC3 18, TOC4 17, TI4O5 16). TCTL1
// gives OC2-OC5 their action on PA6-PA3 (01 toggle, 10 clear, 11 set); OC1M/OC1D let OC1 set
// and clear PA7-PA3, and OC1 wins a pin it changes together with another compare. Every pin
// action fires the port-change event.
TEST(TimerOutputCompare, MatchesSetFlagsRequestLinesAndDrivePins) {
    const struct {
        uint32_t Reg;
        int32_t Match, Tctl1, Oc1m, Oc1d, Pactl, Tmsk1;
        int32_t Flags, Pins;
        uint32_t Lines;
    } rows[] = {
        {TOC1, 0x0100, 0x00, 0x00, 0x00, 0x00, 0x80, 0x80, 0x00, 1u << 20},
        {TOC2, 0x0100, 0x40, 0x00, 0x00, 0x00, 0x40, 0x40, 0x40, 1u << 19},
        {TOC3, 0x0100, 0x30, 0x00, 0x00, 0x00, 0x00, 0x20, 0x20, 0},
        {TOC4, 0x0100, 0x08, 0x00, 0x00, 0x00, 0x10, 0x10, 0x00, 1u << 17},
        {TOC4, 0x0100, 0x0C, 0x00, 0x00, 0x00, 0x10, 0x10, 0x10, 1u << 17},
        {TI4O5, 0x0100, 0x03, 0x00, 0x00, 0x00, 0x08, 0x08, 0x08, 1u << 16},
        {TI4O5, 0x0100, 0x03, 0x00, 0x00, 0x04, 0x08, 0x00, 0x00, 0},
        {TOC1, 0x0100, 0x00, 0xF8, 0xA8, 0x80, 0x00, 0x80, 0xA8, 0},
        {TOC1, 0x0100, 0x00, 0xF8, 0xA8, 0x00, 0x00, 0x80, 0x28, 0},
        {TOC1, 0xFFFF, 0x00, 0x50, 0xFF, 0x00, 0x80, 0xF8, 0x50, 1u << 20}};
    for (const auto& row : rows) {
        TTimer t;
        int fired = 0;
        t.Env.OnPortChange = [&](Env::TPort Port) { fired += Port == Env::PortA; };
        t.Set(PACTL, row.Pactl);
        t.Set(TCTL1, row.Tctl1);
        t.Set(OC1M, row.Oc1m);
        t.Set(OC1D, row.Oc1d);
        t.Set(TMSK1, row.Tmsk1);
        t.Set16(row.Reg, row.Match);
        fired = 0;
        t.At(row.Match - 1);
        EXPECT_EQ(t.Get(TFLG1), 0) << std::hex << row.Reg << " " << row.Tctl1;
        // The other compare registers hold $FFFF from the reset.
        EXPECT_EQ(t.Env.NextEventCycle(), row.Pactl & 0x04 ? 0xFFFF : row.Match);
        t.At(row.Match + 3); // the first instruction boundary after the match
        EXPECT_EQ(t.Get(TFLG1), row.Flags) << std::hex << row.Reg << " " << row.Tctl1;
        EXPECT_EQ(t.PinsA() & 0xF8, row.Pins) << std::hex << row.Reg << " " << row.Tctl1;
        EXPECT_EQ(fired, row.Pins ? 1 : 0);
        EXPECT_EQ(t.Lines(), row.Lines) << std::hex << row.Reg << " " << row.Tctl1;
    }
}

// One compare register, a toggle action: the pin changes at each match, one turn of TCNT
// apart; a program write to PORTA leaves the pin while the compare drives it and sets it once
// TCTL1 disconnects it. OC1 and OC2 on the same pin at the same count: OC1's level wins.
TEST(TimerOutputCompare, ToggleEveryTurnPortWritesAndOc1Priority) {
    TTimer t;
    t.Set16(TOC2, 0x0010);
    t.Set(TCTL1, 0x40); // OC2 toggles PA6
    const struct {
        int64_t Cycle;
        int32_t PortWrite, Pins, Flags;
    } steps[] = {{0x0F, -1, 0x00, 0x00},      {0x10, -1, 0x40, 0x40},     {0x11, 0x00, 0x40, 0x40},
                 {0x1000F, -1, 0x40, 0x40},   {0x10010, -1, 0x00, 0x40},  {0x20010, -1, 0x40, 0x40}};
    for (const auto& s : steps) {
        t.At(s.Cycle);
        if (s.PortWrite >= 0) t.Set(0x00, s.PortWrite);
        EXPECT_EQ(t.PinsA() & 0x78, s.Pins) << std::hex << s.Cycle;
        EXPECT_EQ(t.Get(TFLG1) & 0x40, s.Flags) << std::hex << s.Cycle;
    }
    t.Set(TCTL1, 0x00);
    t.Set(0x00, 0x00);
    EXPECT_EQ(t.PinsA() & 0x40, 0x00);
    t.Set(TCTL1, 0xC0);  // OC2 sets PA6
    t.Set(OC1M, 0x40);   // OC1 drives PA6 too ...
    t.Set(OC1D, 0x00);   // ... low
    t.Set16(TOC1, 0x0040);
    t.Set16(TOC2, 0x0040);
    t.At(0x20040);
    EXPECT_EQ(t.PinsA() & 0x40, 0x00);
    EXPECT_EQ(t.Get(TFLG1) & 0xC0, 0xC0);
}

// CFORC: each FOCx bit carries out its compare's pin action at once, without a flag or line;
// the register reads 0.
TEST(TimerOutputCompare, ForcedComparesActWithoutFlags) {
    const struct {
        int32_t Tctl1, Oc1m, Oc1d, Force, Before, After;
    } rows[] = {{0x55, 0x00, 0x00, 0x78, 0x00, 0x78}, {0x55, 0x00, 0x00, 0x20, 0x78, 0x58},
                {0xAA, 0x00, 0x00, 0x40, 0x78, 0x38}, {0xFF, 0x00, 0x00, 0x08, 0x00, 0x08},
                {0x00, 0x00, 0x00, 0xF8, 0x00, 0x00}, {0x00, 0x38, 0x28, 0x80, 0x00, 0x28},
                {0x40, 0x40, 0x00, 0xC0, 0x00, 0x00}, {0x40, 0x00, 0x00, 0x80, 0x00, 0x00}};
    for (const auto& row : rows) {
        TTimer t;
        t.Set(TMSK1, 0xFF);
        t.Env.PortLatch[Env::PortA] = t.Env.PortPins[Env::PortA] = row.Before;
        t.Set(TCTL1, row.Tctl1);
        t.Set(OC1M, row.Oc1m);
        t.Set(OC1D, row.Oc1d);
        t.Set(CFORC, row.Force);
        EXPECT_EQ(t.PinsA() & 0x78, row.After) << std::hex << row.Tctl1 << " " << row.Force;
        EXPECT_EQ(t.Get(TFLG1), 0);
        EXPECT_EQ(t.Get(CFORC), 0);
        EXPECT_EQ(t.Lines(), 0u);
    }
}

// TCTL2's EDGxB:EDGxA per capture (IC1 PA2 bits 5-4, IC2 PA1 bits 3-2, IC3 PA0 bits 1-0, IC4 PA3
// bits 7-6 with I4/O5): 00 off, 01 rising, 10 falling, 11 both. A selected edge latches TCNT
// into the capture register and sets ICxF (IC1F bit 2, IC2F bit 1, IC3F bit 0, I4/O5F bit 3),
// with ICxI its line (TIC1 $FFEE = 23, TIC2 22, TIC3 21, TI4O5 16).
TEST(TimerInputCapture, EachEdgeSettingOfEachCapture) {
    const struct {
        int Capture;
        int32_t Edges;
        bool CapturesRise, CapturesFall;
    } rows[] = {{0, 0, false, false}, {0, 1, true, false}, {0, 2, false, true},
                {0, 3, true, true},   {1, 0, false, false}, {1, 1, true, false},
                {1, 2, false, true},  {1, 3, true, true},   {2, 1, true, false},
                {2, 2, false, true},  {2, 3, true, true},   {3, 1, true, false},
                {3, 2, false, true},  {3, 3, true, true},   {3, 0, false, false}};
    constexpr int32_t Pin[] = {0x04, 0x02, 0x01, 0x08};
    constexpr int Shift[] = {4, 2, 0, 6};
    constexpr uint32_t Reg[] = {TIC1, TIC1 + 2, TIC1 + 4, TI4O5};
    constexpr int32_t Flag[] = {0x04, 0x02, 0x01, 0x08};
    constexpr int Line[] = {23, 22, 21, 16};
    for (const auto& row : rows) {
        const int c = row.Capture;
        TTimer t;
        t.Set(PACTL, 0x04);
        t.Set(TMSK1, Flag[c]);
        t.Set(TCTL2, row.Edges << Shift[c]);
        t.At(0x1234);
        t.Env.SetPortInput(Env::PortA, Pin[c]);
        EXPECT_EQ(t.Get(TFLG1), row.CapturesRise ? Flag[c] : 0) << c << " " << row.Edges;
        EXPECT_EQ(t.Get16(Reg[c]), row.CapturesRise ? 0x1234 : c == 3 ? 0xFFFF : 0);
        EXPECT_EQ(t.Lines(), row.CapturesRise ? 1u << Line[c] : 0u);
        t.Set(TFLG1, 0xFF);
        t.At(0x2345);
        t.Env.SetPortInput(Env::PortA, 0);
        EXPECT_EQ(t.Get(TFLG1), row.CapturesFall ? Flag[c] : 0) << c << " " << row.Edges;
        if (row.CapturesFall) {
            EXPECT_EQ(t.Get16(Reg[c]), 0x2345);
        }
        // Input levels that do not change are no edges.
        t.Set(TFLG1, 0xFF);
        t.Env.SetPortInput(Env::PortA, 0);
        EXPECT_EQ(t.Get(TFLG1), 0);
    }
}

// TI4O5 takes IC4's captures and ignores program writes while I4/O5 is 1; with I4/O5 0, PA3 is
// an output and its levels from outside are no edges.
TEST(TimerInputCapture, PortA3IsTheFourthCaptureOnlyWithI4O5) {
    TTimer t;
    t.Set(TCTL2, 0xC0);
    t.At(100);
    t.Env.SetPortInput(Env::PortA, 0x08);
    EXPECT_EQ(t.PinsA() & 0x08, 0);
    EXPECT_EQ(t.Get(TFLG1), 0);
    t.Set(PACTL, 0x04);
    t.Set16(TI4O5, 0x1111);
    EXPECT_EQ(t.Get16(TI4O5), 0xFFFF);
    t.Env.SetPortInput(Env::PortA, 0x08);
    EXPECT_EQ(t.Get16(TI4O5), 100);
    EXPECT_EQ(t.Get(TFLG1), 0x08);
}

// Flags clear only where a 1 is written; a BCLR on TFLG1 reads all flags and writes the others
// back as 1s, so it clears every flag but the one it names (reference manual).
TEST(TimerFlags, WritingOnesClearsAndBclrClearsTheOthers) {
    const struct {
        uint32_t Reg;
        int32_t Write, Expected;
    } rows[] = {{TFLG1, 0x00, 0xFF}, {TFLG1, 0x81, 0x7E}, {TFLG1, 0xFF, 0x00},
                {TFLG2, 0x0F, 0xF0}, {TFLG2, 0x50, 0xA0}, {TFLG2, 0xF0, 0x00}};
    for (const auto& row : rows) {
        TTimer t;
        t.Env.Timer.TFLG1 = 0xFF;
        t.Env.Timer.TFLG2 = 0xF0;
        t.Set(row.Reg, row.Write);
        EXPECT_EQ(t.Get(row.Reg), row.Expected) << std::hex << row.Reg << " " << row.Write;
    }
    TTimer t;
    t.Env.Timer.TFLG1 = 0xFF;
    t.Cpu.PC = 0x2000;
    t.Cpu.IX = 0x1000;
    const uint8_t bclr[] = {0x1D, 0x23, 0x80}; // bclr TFLG1,x #$80
    std::copy(std::begin(bclr), std::end(bclr), t.Cpu.Memory.begin() + 0x2000);
    t.Cpu.Step(1);
    EXPECT_EQ(t.Env.Timer.TFLG1, 0x80);
}

// Pulse accumulator, event counting (PAMOD 0): PEDGE 0 counts falling edges on PA7, PEDGE 1
// rising ones; each counted edge sets PAIF, the count from $FF to $00 sets PAOVF; PAEN 0 counts
// nothing. PA7 counts also when it is an output driven by the program.
TEST(TimerPulseAccumulator, EventCountingOnEitherEdge) {
    const struct {
        int32_t Pactl, Start, Pulses, Count, Tflg2;
    } rows[] = {{0x40, 0x00, 3, 0x03, 0x10}, {0x50, 0x00, 3, 0x03, 0x10},
                {0x00, 0x00, 3, 0x00, 0x00}, {0x40, 0xFE, 1, 0xFF, 0x10},
                {0x40, 0xFE, 2, 0x00, 0x30}, {0x50, 0xFF, 5, 0x04, 0x30}};
    for (const auto& row : rows) {
        TTimer t;
        t.Set(PACTL, row.Pactl);
        t.Set(PACNT, row.Start);
        for (int k = 0; k < row.Pulses; ++k) {
            t.At(100 * k + 10);
            t.Env.SetPortInput(Env::PortA, 0x80);
            t.At(100 * k + 60);
            t.Env.SetPortInput(Env::PortA, 0x00);
        }
        EXPECT_EQ(t.Get(PACNT), row.Count) << std::hex << row.Pactl << " " << row.Start;
        EXPECT_EQ(t.Get(TFLG2), row.Tflg2) << std::hex << row.Pactl << " " << row.Start;
    }
    TTimer t;
    t.Set(PACTL, 0xC0); // PA7 an output, falling edges
    t.Set(0x00, 0x80);
    t.Set(0x00, 0x00);
    EXPECT_EQ(t.Get(PACNT), 1);
}

// Gated time accumulation (PAMOD 1): PACNT counts the E/64 clock (its ticks every 64 cycles from
// reset) while PA7 is high (PEDGE 0) or low (PEDGE 1); the trailing edge sets PAIF; the E/64 tick
// that takes PACNT from $FF to $00 sets PAOVF, an event of its own.
TEST(TimerPulseAccumulator, GatedTimeAccumulation) {
    const struct {
        int32_t Pactl, Start;
        int64_t Open, Close, ReadAt;
        int32_t Count, Tflg2;
    } rows[] = {
        {0x60, 0x00, 100, 740, 800, 10, 0x10},  {0x60, 0x00, 128, 192, 1000, 1, 0x10},
        {0x60, 0x00, 129, 191, 1000, 0, 0x10},  {0x60, 0x00, 100, 740, 400, 5, 0x00},
        {0x70, 0x00, 100, 740, 800, 10, 0x10},  {0x60, 0xFE, 100, 740, 800, 8, 0x30},
        {0x60, 0xFF, 0, 1000000, 192, 0x02, 0x20}};
    for (const auto& row : rows) {
        TTimer t;
        t.Set(PACTL, row.Pactl);
        t.Set(PACNT, row.Start);
        t.Set(TMSK2, 0x20); // PAOVI
        // PEDGE 1 counts while the pin is low: the "open" level is 0 and the pins start high.
        const bool low = row.Pactl & 0x10;
        t.Env.SetPortInput(Env::PortA, low ? 0x80 : 0x00);
        t.Set(TFLG2, 0xFF);
        t.At(row.Open);
        t.Env.SetPortInput(Env::PortA, low ? 0x00 : 0x80);
        if (row.Close < row.ReadAt) {
            t.At(row.Close);
            t.Env.SetPortInput(Env::PortA, low ? 0x80 : 0x00);
        }
        t.At(row.ReadAt);
        EXPECT_EQ(t.Get(PACNT), row.Count) << std::hex << row.Pactl << " " << row.Start;
        EXPECT_EQ(t.Get(TFLG2), row.Tflg2) << std::hex << row.Pactl << " " << row.Start;
        EXPECT_EQ(t.Lines(), (row.Tflg2 & 0x20) ? 1u << 14 : 0u);
    }
}

// Each timer interrupt on the line of its vector ($FFC0 + 2n): PAI 13, PAOV 14, TOF 15, RTI 24;
// a wait can end while any of them is enabled and maskable interrupts are accepted.
TEST(TimerInterrupts, LinesOfTheFlagsAndWhatEndsAWait) {
    const struct {
        uint32_t Mask;
        int32_t Bit, Flag;
        int Line;
    } rows[] = {{TMSK2, 0x10, 0x10, 13}, {TMSK2, 0x20, 0x20, 14}, {TMSK2, 0x80, 0x80, 15},
                {TMSK2, 0x40, 0x40, 24}, {TMSK1, 0x80, 0x80, 20}, {TMSK1, 0x08, 0x08, 16},
                {TMSK1, 0x04, 0x04, 23}, {TMSK1, 0x01, 0x01, 21}};
    for (const auto& row : rows) {
        TTimer t;
        EXPECT_FALSE(t.Env.MayRequestInterrupt(true, true));
        t.Set(row.Mask, row.Bit);
        EXPECT_TRUE(t.Env.MayRequestInterrupt(true, false));
        EXPECT_FALSE(t.Env.MayRequestInterrupt(false, true));
        (row.Mask == TMSK2 ? t.Env.Timer.TFLG2 : t.Env.Timer.TFLG1) = row.Flag;
        t.Env.UpdateInterruptLines();
        EXPECT_EQ(t.Lines(), 1u << row.Line) << row.Line;
    }
}

// Interrupt-driven compares in a running program: an OC2 routine adds 1000 to TOC2 and toggles
// PA6, so the pin changes every 1000 cycles without drift while the main loop spins.
TEST(TimerInterrupts, CompareRoutineRunsEveryThousandCycles) {
    TTimer t;
    t.Cpu.VectorBase = 0xFF00;
    const uint8_t code[] = {
        0x8E, 0x00, 0xFF,       // E000 lds  #$00FF
        0xCE, 0x10, 0x00,       //      ldx  #$1000
        0x86, 0x40,             //      ldaa #$40
        0xA7, 0x20,             //      staa TCTL1,x  OC2 toggles PA6
        0xA7, 0x22,             //      staa TMSK1,x  OC2I
        0xCC, 0x03, 0xE8,       //      ldd  #1000
        0xED, 0x18,             //      std  TOC2,x
        0x0E,                   //      cli
        0x20, 0xFE,             // E012 bra  *
        0xEC, 0x18,             // E014 ldd  TOC2,x   (routine)
        0xC3, 0x03, 0xE8,       //      addd #1000
        0xED, 0x18,             //      std  TOC2,x
        0x86, 0x40,             //      ldaa #$40
        0xA7, 0x23,             //      staa TFLG1,x
        0x3B};                  //      rti
    std::copy(std::begin(code), std::end(code), t.Cpu.Memory.begin() + 0xE000);
    t.Cpu.Memory[0xFFE6] = 0xE0;
    t.Cpu.Memory[0xFFE7] = 0x14;
    t.Cpu.PC = 0xE000;
    std::vector<int64_t> edges;
    int32_t level = 0;
    while (edges.size() < 4 && t.Cpu.CycleCount < 10000) {
        t.Cpu.Step(1);
        if ((t.PinsA() & 0x40) != level) {
            level = t.PinsA() & 0x40;
            edges.push_back(t.Cpu.CycleCount);
        }
    }
    ASSERT_EQ(edges.size(), 4u);
    // The pin changes on the match; the step that shows it ends at the first boundary after.
    for (size_t k = 0; k < edges.size(); ++k) {
        EXPECT_GE(edges[k], 1000 * static_cast<int64_t>(k + 1));
        EXPECT_LT(edges[k], 1000 * static_cast<int64_t>(k + 1) + 20);
    }
}

} // namespace
