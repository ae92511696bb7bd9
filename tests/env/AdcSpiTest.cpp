// The A/D converter and the SPI, register by register, as the reference manual describes them:
// conversion timing and CCF, SCAN, MULT, the channel groups, ADPU, the transfer function; the
// SPI rates, SPIF's timing and clearing sequence, WCOL, MODF, the slave's answers and the
// interrupt on line 12 (vector $FFD8).
#include "EnvTestSupport.h"

#include <cmath>
#include <limits>

namespace {

using Env = TCPU_68HC11_Environment;

constexpr uint32_t SPCR = 0x28, SPSR = 0x29, SPDR = 0x2A, ADCTL = 0x30, ADR1 = 0x31,
                   OPTION = 0x39, DDRD = 0x09;

// The environment after a reset at cycle 0; time moves as the run loop moves it.
struct TChip : TSystem {
    TChip() { Cpu.ResetExternals(); }
    void At(int64_t Cycle) {
        Cpu.CycleCount = Cycle;
        if (Env.NextEventCycle() <= Cycle) Env.HandleEvents(Cycle);
    }
    int32_t Get(uint32_t Offset) { return Cpu.ReadByte(0x1000 + Offset); }
    void Set(uint32_t Offset, int32_t Value) { Cpu.WriteByte(0x1000 + Offset, Value); }
    std::string Results() { return Hex(0x1031, 4); }
};

// The transfer function: VRL (0 V) gives $00, VRH (5 V) gives $FF, a straight line between
// rounded to the nearest count (quantization +-1/2 LSB, halves up); outside inputs clamp.
TEST(AdcTransfer, MapsZeroToFiveVoltsOntoZeroTo255) {
    const struct {
        double Volts;
        int Value;
    } rows[] = {{0.0, 0x00},    {-1.0, 0x00},  {0.0098, 0x00}, {0.0099, 0x01}, {0.0196, 0x01},
                {1.0, 51},      {1.25, 64},    {2.5, 0x80},    {2.49, 127},    {3.3, 168},
                {4.99, 254},    {4.9902, 0xFF}, {5.0, 0xFF},   {7.0, 0xFF},
                {std::numeric_limits<double>::quiet_NaN(), 0x00},
                {std::numeric_limits<double>::infinity(), 0xFF}};
    for (const auto& row : rows)
        EXPECT_EQ(THC11Adc::ConverterValue(row.Volts), row.Value) << row.Volts;
}

// Conversion k of a sequence ends 32 * (k + 1) E cycles after the write to ADCTL and fills
// ADR(k mod 4 + 1); CCF rises with the fourth, 128 cycles after the write. The write clears
// CCF. Without SCAN the sequence stops there; with SCAN it goes on, CCF staying set.
TEST(AdcSequence, FourConversionsOf32CyclesThenCCF) {
    const struct {
        int32_t Control;
        int64_t ReadAt;
        int32_t Adctl;
        const char* Results;
    } rows[] = {
        {0x01, 100 + 31, 0x01, "00000000 "}, {0x01, 100 + 32, 0x01, "33000000 "},
        {0x01, 100 + 64, 0x01, "33330000 "}, {0x01, 100 + 96, 0x01, "33333300 "},
        {0x01, 100 + 127, 0x01, "33333300 "}, {0x01, 100 + 128, 0x81, "33333333 "},
        {0x01, 100 + 100000, 0x81, "33333333 "}, {0x21, 100 + 128, 0xA1, "33333333 "},
        {0x21, 100 + 5000, 0xA1, "33333333 "}, {0x10, 100 + 127, 0x10, "1A33CC00 "},
        {0x10, 100 + 128, 0x90, "1A33CCFF "}, {0x14, 100 + 128, 0x94, "00804000 "},
        {0x1C, 100 + 128, 0x9C, "FF008000 "}, {0x18, 100 + 128, 0x98, "00000000 "},
        {0x0C, 100 + 128, 0x8C, "FFFFFFFF "}, {0x0D, 100 + 128, 0x8D, "00000000 "},
        {0x0E, 100 + 128, 0x8E, "80808080 "}, {0x05, 100 + 128, 0x85, "80808080 "},
        {0xC6, 100 + 128, 0x86, "40404040 "}};
    for (const auto& row : rows) {
        TChip c;
        c.Env.Adc.ADR = {0, 0, 0, 0};
        // PE0 0.5 V, PE1 1 V, PE2 4 V, PE3 5 V, PE4 0 V, PE5 2.5 V, PE6 1.25 V, PE7 0 V.
        const double volts[] = {0.5, 1.0, 4.0, 5.0, 0.0, 2.5, 1.25, 0.0};
        for (int pin = 0; pin < 8; ++pin) c.Env.Adc.SetInput(pin, volts[pin]);
        c.Set(OPTION, 0x80);
        c.At(100);
        c.Set(ADCTL, row.Control);
        c.At(row.ReadAt);
        EXPECT_EQ(c.Get(ADCTL), row.Adctl) << std::hex << row.Control << " " << row.ReadAt;
        EXPECT_EQ(c.Results(), row.Results) << std::hex << row.Control << " " << row.ReadAt;
    }
}

// SCAN keeps converting: a changed input shows in the next conversion of its register, and a
// change after a conversion leaves that conversion's result alone.
TEST(AdcSequence, ScanFollowsTheInputConversionByConversion) {
    TChip c;
    c.Set(OPTION, 0x80);
    c.Env.Adc.SetInput(2, 1.0);
    c.Set(ADCTL, 0x22); // SCAN, channel 2
    const struct {
        int64_t At;
        double Volts;
        const char* Results;
    } steps[] = {{200, 2.0, "33333333 "}, {224, 3.0, "33336633 "}, {1000, 0.0, "99999999 "},
                 {1001, 0.0, "99999999 "}, {1024, 0.0, "99999900 "}, {1120, 0.0, "00000000 "}};
    for (const auto& s : steps) {
        c.At(s.At);
        c.Env.Adc.SetInput(2, s.Volts);
        EXPECT_EQ(c.Results(), s.Results) << s.At;
        EXPECT_EQ(c.Get(ADCTL), 0xA2);
    }
}

// Without ADPU nothing is converted and CCF never rises; clearing ADPU ends a running sequence.
// A write to ADCTL during a sequence starts a new one (CCF clear again). Reset clears CCF.
TEST(AdcSequence, AdpuOffWriteDuringSequenceAndReset) {
    {
        TChip c;
        c.Env.Adc.SetInput(0, 5.0);
        c.Set(ADCTL, 0x20);
        c.At(100000);
        EXPECT_EQ(c.Get(ADCTL), 0x20);
        EXPECT_EQ(c.Results(), "00000000 ");
    }
    {
        TChip c;
        c.Env.Adc.SetInput(0, 5.0);
        c.Set(OPTION, 0x80);
        c.Set(ADCTL, 0x00);
        c.At(70);
        c.Set(OPTION, 0x00);
        c.At(1000);
        EXPECT_EQ(c.Get(ADCTL), 0x00);
        EXPECT_EQ(c.Results(), "FFFF0000 ");
    }
    {
        TChip c;
        c.Env.Adc.SetInput(1, 5.0);
        c.Set(OPTION, 0x80);
        c.Set(ADCTL, 0x00);
        c.At(200);
        EXPECT_EQ(c.Get(ADCTL), 0x80);
        c.Set(ADCTL, 0x01);
        EXPECT_EQ(c.Get(ADCTL), 0x01);
        c.At(200 + 127);
        EXPECT_EQ(c.Results(), "FFFFFF00 ");
        EXPECT_EQ(c.Get(ADCTL), 0x01);
        c.At(200 + 128);
        EXPECT_EQ(c.Get(ADCTL), 0x81);
        c.Cpu.ResetExternals();
        EXPECT_EQ(c.Get(ADCTL) & 0x80, 0);
        EXPECT_EQ(c.Get(OPTION) & 0x80, 0);
    }
}

// SPR1:SPR0 select E/2, E/4, E/16, E/32: a byte takes eight bit times. SPIF rises at the end
// with the slave's answer ($FF with none) in SPDR and the byte sent reported; SPIE raises line 12.
TEST(SpiTransfer, RatesSpifTimingAnswersAndInterrupt) {
    const struct {
        int32_t Spcr;
        int64_t Cycles;
        bool Answer;
    } rows[] = {{0x50, 16, true},  {0x51, 32, false}, {0x52, 128, true},
                {0x53, 256, false}, {0xD0, 16, true},  {0xDF, 256, true}};
    for (const auto& row : rows) {
        TChip c;
        std::vector<int> sent;
        c.Env.Spi.OnTransmit = [&](uint8_t B) { sent.push_back(B); };
        if (row.Answer) c.Env.Spi.Answers = {0x3C, 0x99};
        c.Set(SPCR, row.Spcr);
        c.At(50);
        c.Set(SPDR, 0xA5);
        EXPECT_EQ(c.Env.NextEventCycle(), 50 + row.Cycles);
        c.At(50 + row.Cycles - 1);
        EXPECT_EQ(c.Get(SPSR), 0x00);
        EXPECT_TRUE(sent.empty());
        c.At(50 + row.Cycles);
        EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0x80) << std::hex << row.Spcr;
        EXPECT_EQ(c.Env.Spi.Peek(SPDR), row.Answer ? 0x3C : 0xFF);
        EXPECT_EQ(sent, std::vector<int>{0xA5});
        EXPECT_EQ(c.Cpu.PendingInterrupt(12), (row.Spcr & 0x80) != 0);
        EXPECT_EQ(c.Env.MayRequestInterrupt(true, false), (row.Spcr & 0x80) != 0);
        // The clearing sequence: SPSR read with SPIF set, then SPDR.
        EXPECT_EQ(c.Get(SPSR), 0x80);
        EXPECT_EQ(c.Get(SPDR), row.Answer ? 0x3C : 0xFF);
        EXPECT_EQ(c.Get(SPSR), 0x00);
        EXPECT_FALSE(c.Cpu.PendingInterrupt(12));
    }
}

// Clearing and collisions, step by step: an SPDR access without the SPSR read leaves SPIF and
// a write then is inhibited; a write during a transfer sets WCOL and is lost; WCOL clears like
// SPIF. Slave mode and a disabled SPI never shift.
TEST(SpiTransfer, ClearingSequencesWcolAndInhibitedWrites) {
    TChip c;
    std::vector<int> sent;
    c.Env.Spi.OnTransmit = [&](uint8_t B) { sent.push_back(B); };
    c.Set(SPCR, 0x50); // E/2: 16 cycles a byte
    c.Set(SPDR, 0x11);
    c.At(8);
    c.Set(SPDR, 0x22); // collision
    EXPECT_EQ(c.Get(SPSR), 0x40);
    c.At(16);
    EXPECT_EQ(sent, std::vector<int>{0x11});
    EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0xC0);
    // SPSR was read with WCOL only: the SPDR read now clears WCOL, not SPIF.
    c.Get(SPDR);
    EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0x80);
    // SPIF set and SPSR not read since: the write is inhibited.
    c.Set(SPDR, 0x33);
    c.At(100);
    EXPECT_EQ(sent, std::vector<int>{0x11});
    EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0x80);
    // SPSR read with SPIF, then the write: SPIF clears and the byte goes.
    EXPECT_EQ(c.Get(SPSR), 0x80);
    c.Set(SPDR, 0x44);
    EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0x00);
    c.At(116);
    EXPECT_EQ(sent, (std::vector<int>{0x11, 0x44}));
    // Slave mode (MSTR clear) and SPE clear: no transfer.
    for (int32_t spcr : {0x40, 0x10}) {
        c.Get(SPSR);
        c.Get(SPDR);
        c.Set(SPCR, spcr);
        c.Set(SPDR, 0x55);
        c.At(c.Cpu.CycleCount + 1000);
        EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0x00) << spcr;
        EXPECT_FALSE(c.Env.Spi.Transferring());
    }
    EXPECT_EQ(sent.size(), 2u);
}

// Mode fault: a falling edge on PD5 (SS) while master with DDRD bit 5 clear sets MODF, clears
// SPE and MSTR and DDRD's SPI bits, and with SPIE requests the interrupt; the SPSR read with
// MODF set followed by an SPCR write clears it. With DDRD bit 5 set, SS is an output: no fault.
TEST(SpiTransfer, ModeFault) {
    const struct {
        int32_t Ddrd;
        bool Fault;
    } rows[] = {{0x00, true}, {0x03, true}, {0x38, false}, {0x20, false}};
    for (const auto& row : rows) {
        TChip c;
        c.Env.SetPortInput(Env::PortD, 0x20);
        c.Set(DDRD, row.Ddrd);
        c.Set(SPCR, 0xD0);
        c.Set(SPDR, 0x12);
        c.Env.SetPortInput(Env::PortD, 0x00);
        EXPECT_EQ(c.Env.Spi.Peek(SPSR), row.Fault ? 0x10 : 0x00) << row.Ddrd;
        EXPECT_EQ(c.Get(SPCR), row.Fault ? 0x80 : 0xD0);
        EXPECT_EQ(c.Get(DDRD), row.Fault ? (row.Ddrd & 0x03) : row.Ddrd);
        EXPECT_EQ(c.Cpu.PendingInterrupt(12), row.Fault);
        if (!row.Fault) continue;
        c.Set(SPCR, 0xD0); // without the SPSR read first: MODF stays
        EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0x10);
        EXPECT_EQ(c.Get(SPSR), 0x10);
        c.Set(SPCR, 0xD0);
        EXPECT_EQ(c.Env.Spi.Peek(SPSR), 0x00);
        EXPECT_FALSE(c.Cpu.PendingInterrupt(12));
    }
}

// Reset: SPCR to 0000 01xx (SPR1:SPR0 kept), SPSR clear, the transfer in progress gone.
TEST(SpiTransfer, Reset) {
    TChip c;
    c.Set(SPCR, 0xDF);
    c.Set(SPDR, 0x12);
    c.At(10);
    c.Cpu.ResetExternals();
    EXPECT_EQ(c.Get(SPCR), 0x07);
    EXPECT_EQ(c.Get(SPSR), 0x00);
    EXPECT_FALSE(c.Env.Spi.Transferring());
}

} // namespace
