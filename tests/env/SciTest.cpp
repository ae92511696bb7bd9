// The serial communications interface, register by register, as the reference manual describes
// it: the bit time by BAUD, the frame length by M, the transmitter's preamble and its double
// buffer (TDRE, TC), the receiver's RDRF and overrun, IDLE, the clearing sequences, the
// interrupt request and port D's TxD and RxD pins.
#include "EnvTestSupport.h"

#include "hc11/C68HC11EnvSci.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Env = TCPU_68HC11_Environment;
using Sci = THC11Sci;

constexpr uint32_t BAUD = 0x2B, SCCR1 = 0x2C, SCCR2 = 0x2D, SCSR = 0x2E, SCDR = 0x2F, PORTD = 0x08;
constexpr int32_t None = -1;

// The environment after a reset at cycle 0, with every transmitted byte collected; time moves
// as the run loop moves it.
struct TSci : TSystem {
    std::string Sent;
    TSci() {
        Cpu.ResetExternals();
        Env.Sci.OnTransmit = [this](uint8_t Byte) { Sent += static_cast<char>(Byte); };
    }
    void At(int64_t Cycle) {
        Cpu.CycleCount = Cycle;
        if (Env.NextEventCycle() <= Cycle) Env.HandleEvents(Cycle);
    }
    int32_t Get(uint32_t Offset) { return Cpu.ReadByte(0x1000 + Offset); }
    void Set(uint32_t Offset, int32_t Value) { Cpu.WriteByte(0x1000 + Offset, Value); }
    void Type(const char* Text) {
        Env.Sci.Type(reinterpret_cast<const uint8_t*>(Text), std::strlen(Text));
    }
    bool Line() const { return Cpu.PendingInterrupt(TCPU_68HC11_::IrqSCI); }
};

// One step of a sequence: at cycle At, write Write to Offset, or (Write None) read Offset and
// expect Read (None: any value); then the bytes sent so far.
struct TStep {
    int64_t At;
    uint32_t Offset;
    int32_t Write, Read;
    const char* Sent;
};

void Play(TSci& S, const std::vector<TStep>& Steps) {
    for (const TStep& s : Steps) {
        S.At(s.At);
        if (s.Write != None) {
            S.Set(s.Offset, s.Write);
        } else {
            const int32_t value = S.Get(s.Offset);
            if (s.Read != None) {
                EXPECT_EQ(value, s.Read) << "cycle " << s.At << " offset " << std::hex << s.Offset;
            }
        }
        EXPECT_EQ(S.Sent, s.Sent) << "cycle " << s.At;
    }
}

// One bit takes 16 x prescaler (SCP1:SCP0: 1, 3, 4, 13) x divider (SCR2:SCR0: 1 ... 128) E
// cycles; SCP = 3, SCR = 0 is 9600 baud at 2 MHz. TCLR and RCKB (bits 7 and 3) read as 0. A
// frame is 10 bits, 11 with M.
TEST(SciBaud, BitTimeByPrescalerAndDivider) {
    const struct {
        int32_t Baud, Read;
        int64_t Bit;
    } rows[] = {{0x00, 0x00, 16},   {0x10, 0x10, 48},    {0x20, 0x20, 64},   {0x30, 0x30, 208},
                {0x01, 0x01, 32},   {0x05, 0x05, 512},   {0x07, 0x07, 2048}, {0x31, 0x31, 416},
                {0x33, 0x33, 1664}, {0x37, 0x37, 26624}, {0x22, 0x22, 256},  {0xB8, 0x30, 208},
                {0x1F, 0x17, 6144}};
    for (const auto& row : rows) {
        TSci s;
        s.Set(BAUD, row.Baud);
        EXPECT_EQ(s.Get(BAUD), row.Read) << std::hex << row.Baud;
        EXPECT_EQ(s.Env.Sci.BitCycles(), row.Bit) << std::hex << row.Baud;
        EXPECT_EQ(s.Env.Sci.FrameCycles(), 10 * row.Bit);
        s.Set(SCCR1, Sci::M);
        EXPECT_EQ(s.Env.Sci.FrameCycles(), 11 * row.Bit);
    }
}

// Setting TE sends a preamble of one idle frame; a byte written meanwhile waits in TDR (TDRE 0)
// and moves to the shift register when the preamble has left (TDRE 1); the second byte waits
// behind the first; TC rises when the last stop bit of the second byte has left. Each byte is
// sent at the end of its frame. With M, every frame takes 11 bits.
TEST(SciTransmit, PreambleAndTwoBytesThroughTheDoubleBuffer) {
    for (bool m : {false, true}) {
        const int64_t f = m ? 2288 : 2080; // 9600 baud at 2 MHz
        TSci s;
        s.Set(BAUD, 0x30);
        s.Set(SCCR1, m ? Sci::M : 0);
        Play(s, {{50, SCSR, None, 0xC0, ""},
                 {100, SCCR2, Sci::TE, None, ""},
                 {100, SCSR, None, 0x80, ""},
                 {110, SCDR, 'A', None, ""},
                 {111, SCSR, None, 0x00, ""},
                 {100 + f - 1, SCSR, None, 0x00, ""},
                 {100 + f, SCSR, None, 0x80, ""},
                 {100 + f + 5, SCDR, 'B', None, ""},
                 {100 + f + 6, SCSR, None, 0x00, ""},
                 {100 + 2 * f - 1, SCSR, None, 0x00, ""},
                 {100 + 2 * f, SCSR, None, 0x80, "A"},
                 {100 + 3 * f - 1, SCSR, None, 0x80, "A"},
                 {100 + 3 * f, SCSR, None, 0xC0, "AB"},
                 {100 + 9 * f, SCSR, None, 0xC0, "AB"}});
    }
}

// TDRE and TC clear only when SCSR was read with them set before SCDR is written; a TDR written
// without that is not sent. With the transmitter idle after its preamble, a byte moves to the
// shift register at once: TDRE is back at 1 right after the write, TC stays 0 until the end.
TEST(SciTransmit, ClearingSequenceOfTdreAndTc) {
    const int64_t f = 2080;
    TSci s;
    s.Set(BAUD, 0x30);
    Play(s, {{0, SCCR2, Sci::TE, None, ""},
             {1, SCDR, 'v', None, ""},
             {2, SCSR, None, 0x80, ""},
             {f, SCSR, None, 0xC0, ""},
             {f, SCDR, 'x', None, ""},
             {f + 1, SCDR, 'y', None, ""},
             {f + 2, SCSR, None, 0x80, ""},
             {2 * f, SCSR, None, 0xC0, "x"},
             {2 * f + 1, SCDR, 'z', None, "x"},
             {2 * f + 2, SCDR, 'w', None, "x"},
             {2 * f + 3, SCSR, None, 0x80, "x"},
             {3 * f + 1, SCSR, None, 0xC0, "xz"},
             {5 * f, SCSR, None, 0xC0, "xz"}});
}

// Clearing TE while a byte goes out and another waits: both still go out, then TC rises and the
// transmitter gives PD1 back. Setting TE again sends a new preamble.
TEST(SciTransmit, ClearingTeFinishesQueuedBytes) {
    const int64_t f = 2080;
    TSci s;
    s.Set(BAUD, 0x30);
    Play(s, {{0, SCCR2, Sci::TE, None, ""},
             {f, SCSR, None, 0xC0, ""},
             {f, SCDR, '1', None, ""},
             {f + 1, SCSR, None, 0x80, ""},
             {f + 2, SCDR, '2', None, ""},
             {f + 3, SCCR2, 0, None, ""},
             {2 * f, SCSR, None, 0x80, "1"},
             {3 * f, SCSR, None, 0xC0, "12"},
             {3 * f + 10, SCCR2, Sci::TE, None, "12"},
             {3 * f + 11, SCSR, None, 0x80, "12"},
             {4 * f + 10, SCSR, None, 0xC0, "12"}});
    EXPECT_FALSE(s.Env.PortOutputMask(Env::PortD) & 0x01);
}

// A received byte sets RDRF one frame time after its start bit; the receiver starts a byte
// when RE is set or, already on, when the byte arrives. Nothing typed while RE is clear is lost.
// With M the ninth bit (R8) comes in as 1.
TEST(SciReceive, RdrfOneFrameAfterTheStart) {
    const struct {
        int32_t Baud;
        bool M;
        int64_t ReAt, TypeAt, Rdrf;
    } rows[] = {{0x30, false, 1000, 0, 3080},      {0x30, false, 1000, 5000, 7080},
                {0x30, true, 1000, 0, 3288},       {0x00, false, 0, 0, 160},
                {0x33, false, 10, 20, 20 + 16640}, {0x10, true, 300, 100, 300 + 528}};
    for (const auto& row : rows) {
        TSci s;
        s.Set(BAUD, row.Baud);
        s.Set(SCCR1, row.M ? Sci::M : 0);
        for (int64_t t : {std::min(row.ReAt, row.TypeAt), std::max(row.ReAt, row.TypeAt)}) {
            s.At(t);
            if (t == row.TypeAt && s.Env.Sci.Pending() == 0) s.Type("K");
            if (t == row.ReAt && !(s.Env.Sci.SCCR2 & Sci::RE)) s.Set(SCCR2, Sci::RE);
        }
        EXPECT_EQ(s.Env.Sci.Pending(), 1);
        s.At(row.Rdrf - 1);
        EXPECT_EQ(s.Get(SCSR), 0xC0) << row.Rdrf;
        s.At(row.Rdrf);
        EXPECT_EQ(s.Get(SCSR), 0xE0) << row.Rdrf;
        EXPECT_EQ(s.Get(SCDR), 'K');
        EXPECT_EQ(s.Get(SCSR), 0xC0);
        EXPECT_EQ(s.Get(SCCR1) & Sci::R8, row.M ? Sci::R8 : 0);
        EXPECT_EQ(s.Env.Sci.Pending(), 0);
    }
}

// RDRF, OR and IDLE clear when SCSR is read with them set and SCDR is read after; a read of SCDR
// alone, or after SCSR was read before the flag rose, leaves them. A byte arriving while RDRF is
// still set is lost and sets OR; RDR keeps the unread byte. IDLE rises when the line has been
// idle for a whole frame after a byte, and once only until a new byte came in.
TEST(SciReceive, OverrunIdleAndTheirClearingSequence) {
    const int64_t f = 2080;
    TSci s;
    s.Set(BAUD, 0x30);
    s.Type("ABC");
    Play(s, {{0, SCCR2, Sci::RE, None, ""},
             {f - 1, SCSR, None, 0xC0, ""},
             {f, SCDR, None, 'A', ""},
             {f + 1, SCDR, None, 'A', ""},
             {2 * f, SCSR, None, 0xE8, ""},
             {3 * f, SCSR, None, 0xE8, ""},
             {3 * f + 1, SCDR, None, 'A', ""},
             {3 * f + 2, SCSR, None, 0xC0, ""},
             {4 * f - 1, SCSR, None, 0xC0, ""},
             {4 * f, SCSR, None, 0xD0, ""},
             {4 * f + 1, SCDR, None, 'A', ""},
             {4 * f + 2, SCSR, None, 0xC0, ""},
             {9 * f, SCSR, None, 0xC0, ""}});
    EXPECT_EQ(s.Env.Sci.Pending(), 0);
    s.Type("D");
    Play(s, {{10 * f - 1, SCSR, None, 0xC0, ""},
             {10 * f, SCSR, None, 0xE0, ""},
             {10 * f + 1, SCDR, None, 'D', ""},
             {11 * f - 1, SCSR, None, 0xC0, ""},
             {11 * f, SCSR, None, 0xD0, ""}});
}

// Clearing RE stops the receiver: a byte halfway in goes back to the queue and comes in whole
// once RE is set again.
TEST(SciReceive, ReceiverOffKeepsTheQueue) {
    TSci s;
    s.Set(BAUD, 0x30);
    s.Type("QR");
    Play(s, {{0, SCCR2, Sci::RE, None, ""},
             {1000, SCCR2, 0, None, ""},
             {5000, SCSR, None, 0xC0, ""},
             {6000, SCCR2, Sci::RE, None, ""},
             {8079, SCSR, None, 0xC0, ""},
             {8080, SCSR, None, 0xE0, ""},
             {8081, SCDR, None, 'Q', ""},
             {10160, SCSR, None, 0xE0, ""},
             {10161, SCDR, None, 'R', ""}});
}

// The SCI's request line 11 (vector $FFD6) is raised while (TIE and TDRE) or (TCIE and TC) or
// (RIE and (RDRF or OR)) or (ILIE and IDLE).
TEST(SciInterrupt, RequestByEnableAndFlag) {
    const struct {
        int32_t Sccr2, Scsr;
        bool Line;
    } rows[] = {{0x00, 0xFE, false},
                {Sci::TIE, Sci::TDRE, true},
                {Sci::TIE, Sci::TC, false},
                {Sci::TCIE, Sci::TC, true},
                {Sci::TCIE, Sci::TDRE, false},
                {Sci::RIE, Sci::RDRF, true},
                {Sci::RIE, Sci::OR, true},
                {Sci::RIE, Sci::IDLE, false},
                {Sci::ILIE, Sci::IDLE, true},
                {Sci::ILIE, Sci::RDRF | Sci::OR, false},
                {Sci::RIE, Sci::NF | Sci::FE, false},
                {0xF0, 0x00, false},
                {0xF0, Sci::FE, false}};
    for (const auto& row : rows) {
        TSci s;
        s.Env.Sci.SCSR = row.Scsr;
        s.Set(SCCR2, row.Sccr2);
        EXPECT_EQ(s.Line(), row.Line) << std::hex << row.Sccr2 << " " << row.Scsr;
    }
}

// The lines follow the flags: TIE requests right after reset (TDRE is 1), the clearing write
// drops the request, the byte's move to the shift register raises it again; RIE requests when a
// byte comes in and stops when it was read. An enabled receiver interrupt can end a WAI.
TEST(SciInterrupt, LinesFollowTheFlags) {
    TSci s;
    s.Set(BAUD, 0x30);
    s.Set(SCCR2, Sci::TIE);
    EXPECT_TRUE(s.Line());
    s.Set(SCCR2, Sci::TE);
    s.At(2080);
    s.Get(SCSR);
    s.Set(SCDR, 'a');
    s.Set(SCCR2, Sci::TE | Sci::TIE);
    EXPECT_TRUE(s.Line()); // moved at once: the transmitter was idle
    s.Set(SCCR2, Sci::TE | Sci::RIE | Sci::RE);
    EXPECT_FALSE(s.Line());
    EXPECT_TRUE(s.Env.MayRequestInterrupt(true, false));
    EXPECT_FALSE(s.Env.MayRequestInterrupt(false, false));
    s.Type("b");
    s.At(2080 + 2079);
    EXPECT_FALSE(s.Line());
    s.At(2080 + 2080);
    EXPECT_TRUE(s.Line());
    s.Get(SCSR);
    EXPECT_EQ(s.Get(SCDR), 'b');
    EXPECT_FALSE(s.Line());
    EXPECT_EQ(s.Sent, "a");
}

// TE makes PD1 an output showing the TxD line: high while idle and during the preamble, then
// the start bit (0), the data bits from bit 0 and the stop bit (1); RE makes PD0 an input
// showing RxD. Clearing both gives the pins back to DDRD.
TEST(SciPorts, TxdAndRxdOnPortD) {
    TSci s;
    s.Set(BAUD, 0x00); // 16 cycles per bit
    s.Set(0x09, 0x03); // DDRD: PD0 and PD1 outputs
    s.Set(PORTD, 0x00);
    EXPECT_EQ(s.Get(PORTD) & 3, 0);
    s.Set(SCCR2, Sci::TE | Sci::RE);
    EXPECT_EQ(s.Env.PortOutputMask(Env::PortD) & 3, 0x02);
    EXPECT_EQ(s.Env.PortPins[Env::PortD] & 2, 2);
    s.Get(SCSR);
    s.Set(SCDR, 0xA5); // 1010 0101, waits for the preamble (160 cycles)
    s.Type("\x01");
    // TxD: start, 1 0 1 0 0 1 0 1, stop; RxD: start, 1 0 0 0 0 0 0 0, stop.
    const int tx[] = {0, 1, 0, 1, 0, 0, 1, 0, 1, 1};
    const int rx[] = {0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
    for (int bit = 0; bit < 10; ++bit) {
        s.At(160 + 16 * bit + 8);
        EXPECT_EQ((s.Get(PORTD) >> 1) & 1, tx[bit]) << bit;
    }
    TSci r;
    r.Set(SCCR2, Sci::RE);
    r.Type("\x01");
    for (int bit = 0; bit < 10; ++bit) {
        r.At(16 * bit + 8);
        EXPECT_EQ(r.Get(PORTD) & 1, rx[bit]) << bit;
    }
    r.At(400);
    EXPECT_EQ(r.Get(PORTD) & 1, 1);
    s.At(1000);
    EXPECT_EQ(s.Sent, "\xA5");
    s.Set(SCCR2, 0);
    EXPECT_EQ(s.Env.PortOutputMask(Env::PortD) & 3, 0x03);
    EXPECT_EQ(s.Get(PORTD) & 3, 0);
}

// T8 goes out as the ninth data bit with M; the frame is one bit longer.
TEST(SciTransmit, NinthBitT8WithM) {
    for (int32_t t8 : {0, Sci::T8}) {
        TSci s;
        s.Set(SCCR1, Sci::M | t8);
        s.Set(SCCR2, Sci::TE);
        s.At(176); // the preamble: 11 bits of 16 cycles
        s.Get(SCSR);
        s.Set(SCDR, 0x00);
        s.At(176 + 16 * 9 + 8);
        EXPECT_EQ((s.Get(PORTD) >> 1) & 1, t8 ? 1 : 0);
        s.At(176 + 16 * 10 + 8);
        EXPECT_EQ((s.Get(PORTD) >> 1) & 1, 1); // stop bit
        s.At(176 + 176 - 1);
        EXPECT_EQ(s.Sent, "");
        s.At(176 + 176);
        EXPECT_EQ(s.Sent, std::string(1, '\0'));
    }
}

// RWU puts the receiver to sleep: bytes set no flag until the wake-up, then RWU clears and the
// waking byte is received. WAKE 0: a start bit after a line idle for a whole frame wakes it;
// WAKE 1: an address mark (bit 7 set) does. (The bytes "abc" leave the line at cycle 480.)
TEST(SciReceive, WakeUpByIdleLineAndByAddressMark) {
    const struct {
        int32_t Wake;
        const char* First;
        int64_t SecondAt;
        const char* Second;
        int64_t RdrfAt;
        int32_t Rdr, ScsrAfter;
    } rows[] = {{0, "abc", 2000, "d", 2160, 'd', 0xF0},
                {0, "abc", 639, "d", 799, None, 0xC0},
                {0, "abc", 640, "d", 800, 'd', 0xF0},
                {Sci::WAKE, "\x01\x02", 1000, "\x81\x03", 1160, 0x81, 0xE8},
                {Sci::WAKE, "\x01", 1000, "\x7F\x80", 1320, 0x80, 0xF0}};
    for (const auto& row : rows) {
        TSci s;
        s.Set(SCCR1, row.Wake);
        s.Set(SCCR2, Sci::RE | Sci::RWU);
        s.Type(row.First);
        s.At(row.SecondAt);
        EXPECT_EQ(s.Get(SCSR), 0xC0) << row.First;
        EXPECT_EQ(s.Get(SCCR2) & Sci::RWU, Sci::RWU);
        s.Type(row.Second);
        s.At(row.RdrfAt - 1);
        EXPECT_EQ(s.Get(SCSR), 0xC0) << row.First;
        s.At(row.RdrfAt);
        if (row.Rdr == None) { // no wake-up: the line was idle for less than a frame
            EXPECT_EQ(s.Get(SCSR), 0xC0);
            EXPECT_EQ(s.Get(SCCR2) & Sci::RWU, Sci::RWU);
            continue;
        }
        EXPECT_EQ(s.Get(SCSR) & Sci::RDRF, Sci::RDRF) << row.First;
        EXPECT_EQ(s.Env.Sci.RDR, row.Rdr);
        EXPECT_EQ(s.Get(SCCR2) & Sci::RWU, 0);
        s.At(row.RdrfAt + 160);
        EXPECT_EQ(s.Get(SCSR), row.ScsrAfter) << row.First;
    }
}

// SBK sends break frames (TxD low) as long as it is set, after the preamble; none of them is a
// byte. Clearing it lets the current break frame end; then TC rises and TxD idles high.
TEST(SciTransmit, BreakFramesWhileSbk) {
    TSci s; // 16 cycles a bit
    s.Set(SCCR2, Sci::TE);
    s.At(10);
    s.Set(SCCR2, Sci::TE | Sci::SBK);
    const struct {
        int64_t At;
        int32_t Sccr2, Scsr, TxD;
    } rows[] = {{150, None, 0x80, 1},    {168, None, 0x80, 0}, {319, None, 0x80, 0},
                {330, Sci::TE, 0x80, 0}, {479, None, 0x80, 0}, {480, None, 0xC0, 1},
                {2000, None, 0xC0, 1}};
    for (const auto& row : rows) {
        s.At(row.At);
        if (row.Sccr2 != None) s.Set(SCCR2, row.Sccr2);
        EXPECT_EQ(s.Get(SCSR), row.Scsr) << row.At;
        EXPECT_EQ((s.Get(PORTD) >> 1) & 1, row.TxD) << row.At;
    }
    EXPECT_EQ(s.Sent, "");
}

// A break character (all 0s, the stop bit too) arrives as $00 with FE, which rises with RDRF and
// clears with it; RxD stays low for the whole frame. Behind an unread byte a break is an overrun
// only (OR, no FE). (16 cycles a bit: the frames end at 160, 320, 480.)
TEST(SciReceive, BreakSetsFramingError) {
    TSci s;
    s.Set(SCCR2, Sci::RE);
    s.Type("a");
    s.Env.Sci.TypeBreak();
    s.Type("b");
    EXPECT_EQ(s.Env.Sci.Pending(), 3);
    Play(s, {{160, SCSR, None, 0xE0, ""},
             {161, SCDR, None, 'a', ""},
             {200, PORTD, None, 0x00, ""},
             {312, PORTD, None, 0x00, ""},
             {319, SCSR, None, 0xC0, ""},
             {320, SCSR, None, 0xE2, ""},
             {321, SCDR, None, 0x00, ""},
             {322, SCSR, None, 0xC0, ""},
             {362, PORTD, None, 0x01, ""},
             {480, SCSR, None, 0xE0, ""},
             {481, SCDR, None, 'b', ""},
             {482, SCSR, None, 0xC0, ""}});
    TSci o;
    o.Set(SCCR2, Sci::RE);
    o.Type("a");
    o.Env.Sci.TypeBreak();
    Play(o, {{320, SCSR, None, 0xE8, ""}, {321, SCDR, None, 'a', ""}, {322, SCSR, None, 0xC0, ""}});
}

// After the last break frame the line stays high for one bit time before the next start bit, so
// that a receiver can find it: the byte waiting behind the break moves on (TDRE) when the break
// ends and starts a bit later.
TEST(SciTransmit, OneIdleBitBetweenBreakAndData) {
    TSci s; // 16 cycles a bit; the preamble ends at 160, the break frame at 320
    s.Set(SCCR2, Sci::TE | Sci::SBK);
    Play(s, {{200, SCSR, None, 0x80, ""},
             {200, SCDR, 'U', None, ""},
             {201, SCCR2, Sci::TE, None, ""},
             {319, SCSR, None, 0x00, ""},
             {319, PORTD, None, 0x00, ""},
             {320, SCSR, None, 0x80, ""},
             {328, PORTD, None, 0x02, ""},
             {340, PORTD, None, 0x00, ""},
             {495, SCSR, None, 0x80, ""},
             {496, SCSR, None, 0xC0, "U"}});
}

// With line events on, PD1 and PD0 in the port's pins follow TxD and RxD: one event per level
// change at its own bit boundary, none while the line rests (the preamble, idle). Off again, PD1
// shows the idle level.
TEST(SciPorts, LineEventsAtEachLevelChange) {
    TSci s; // 16 cycles a bit
    std::vector<std::pair<int64_t, int32_t>> changes;
    s.Env.Sci.OnLineChange = [&](int64_t Cycle) {
        changes.emplace_back(Cycle, s.Env.PortPins[Env::PortD] & 3);
    };
    s.Env.Sci.SetLineEvents(true);
    s.Set(SCCR2, Sci::TE | Sci::RE);
    s.Get(SCSR);
    s.Set(SCDR, 0xA5); // start, 1 0 1 0 0 1 0 1, stop from cycle 160
    int events = 0;
    for (int64_t c = 0; c <= 600; ++c) {
        if (s.Env.NextEventCycle() <= c) ++events;
        s.At(c);
        if (c == 400) s.Type("\x01"); // RxD: start, 1, 0 x 7, stop from cycle 400
    }
    const std::vector<std::pair<int64_t, int32_t>> expected = {
        {160, 1}, {176, 3}, {192, 1}, {208, 3}, {224, 1}, {256, 3},
        {272, 1}, {288, 3}, {400, 2}, {416, 3}, {432, 2}, {544, 3}};
    EXPECT_EQ(changes, expected);
    // The level changes after a frame's start and the ends of the frames (the preamble's too):
    // nothing else is an event.
    EXPECT_EQ(events, 9 + 4);
    s.Get(SCSR);
    s.Set(SCDR, 0x00); // starts at once: TxD low from 600 to 744
    s.At(650);
    EXPECT_EQ(s.Env.PortPins[Env::PortD] & 2, 0);
    s.Env.Sci.SetLineEvents(false);
    EXPECT_EQ(s.Env.PortPins[Env::PortD] & 2, 2);
    EXPECT_EQ(s.Get(PORTD) & 2, 0); // a read still sees the bit on the line
}

// A reset: SCSR $C0, SCCR2 and the prescaler cleared, SCR2:SCR0 kept, a byte on the line back
// in the queue; the transmitter stops.
TEST(SciReset, ValuesAfterReset) {
    TSci s;
    s.Set(BAUD, 0x35);
    s.Set(SCCR1, Sci::M | Sci::WAKE | Sci::T8);
    s.Set(SCCR2, 0xFF & ~Sci::SBK);
    s.Type("ab");
    s.At(100);
    s.Cpu.ResetExternals();
    EXPECT_EQ(s.Get(BAUD), 0x05);
    EXPECT_EQ(s.Get(SCCR1), Sci::T8);
    EXPECT_EQ(s.Get(SCCR2), 0);
    EXPECT_EQ(s.Get(SCSR), 0xC0);
    EXPECT_EQ(s.Env.Sci.Pending(), 2);
    EXPECT_EQ(s.Env.Sci.NextEventCycle(), Sci::NoEvent);
    EXPECT_FALSE(s.Line());
}

} // namespace
