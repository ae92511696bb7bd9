// The serial communications interface: baud rate, transmitter, receiver, status flags and their
// clearing sequences, the SCI interrupt request.
#include "hc11/C68HC11EnvSci.h"

#include "cpu/CPU.h"
#include "hc11/C68HC11Env.h"

#include <algorithm>

namespace {

// The receive flags cleared by reading SCSR, then SCDR; the transmit flags by reading SCSR, then
// writing SCDR (reference manual, SCI status register).
constexpr int32_t ReceiveFlags =
    THC11Sci::RDRF | THC11Sci::IDLE | THC11Sci::OR | THC11Sci::NF | THC11Sci::FE;
constexpr int32_t TransmitFlags = THC11Sci::TDRE | THC11Sci::TC;

} // namespace

THC11Sci::THC11Sci(TCPU_68HC11_Environment& Environment) : Env(Environment) {}

int64_t THC11Sci::Now() const {
    return EventCycle >= 0 ? EventCycle : (Env.CPU() ? Env.CPU()->CycleCount : 0);
}

int64_t THC11Sci::BitCycles() const {
    // BAUD: SCP1:SCP0 (bits 5-4) prescale the E clock by 1, 3, 4 or 13, SCR2:SCR0 (bits 2-0)
    // divide that by 1 to 128; the result is 16 times the bit rate (reference manual, baud-rate
    // generator).
    static constexpr int64_t Prescale[] = {1, 3, 4, 13};
    return 16 * Prescale[(BAUD >> 4) & 3] * (int64_t{1} << (BAUD & 7));
}

void THC11Sci::Reset(int64_t Cycle) {
    EventCycle = -1;
    // Reset values (technical data): TCLR, SCP1:SCP0 and RCKB clear, SCR2:SCR0 keep their value;
    // SCCR1's M and WAKE clear, R8 and T8 keep theirs; SCCR2 clears; SCSR = $C0.
    BAUD &= 0x07;
    SCCR1 &= R8 | T8;
    SCCR2 = 0;
    SCSR = TDRE | TC;
    Armed = 0;
    TxKind = TxIdle;
    TxEnd = NoEvent;
    PreamblePending = false;
    // A byte on the receive line goes back to the queue: nothing typed is lost.
    if (RxBusy) Queue.push_front(RxChar);
    RxBusy = false;
    RxEnd = IdleDue = NoEvent;
    IdleArmed = false;
    LastRxEnd = Cycle;
    Changed();
}

void THC11Sci::Changed() {
    UpdateLine(Now());
    NextDue = std::min({TxEnd, RxEnd, IdleDue, LineDue});
    Env.UpdateInterruptLines();
    if (Env.CPU() && Env.ExternalIndex() >= 0) Env.CPU()->EventsChanged(&Env);
}

bool THC11Sci::InterruptRequested() const {
    return ((SCCR2 & TIE) && (SCSR & TDRE)) || ((SCCR2 & TCIE) && (SCSR & TC)) ||
           ((SCCR2 & RIE) && (SCSR & (RDRF | OR))) || ((SCCR2 & ILIE) && (SCSR & IDLE));
}

bool THC11Sci::MayRequestInterrupt(bool Maskable) const {
    if (!Maskable) return false;
    if (InterruptRequested()) return true;
    // TDRE and TC rise once the frames on their way have left.
    if ((SCCR2 & (TIE | TCIE)) && TxKind != TxIdle) return true;
    // The outside can type at any time while the receiver is on, as it can drive the timer's
    // capture inputs.
    return (SCCR2 & (RIE | ILIE)) && (SCCR2 & RE);
}

// ---- transmitter ----

void THC11Sci::StartTx(TTxKind Kind, int64_t Cycle, int32_t Data) {
    TxKind = Kind;
    TxStart = Cycle;
    TxBit = BitCycles();
    TxEnd = Cycle + TxBit * ((SCCR1 & M) ? 11 : 10);
    TxShift = Data;
    TxNinth = SCCR1 & T8;
    SCSR &= ~TC;
}

void THC11Sci::StartNextTx(int64_t Cycle, bool Continuing) {
    const bool on = SCCR2 & TE;
    if (PreamblePending && on) {
        // TE went from 0 to 1: an idle character (one frame of 1s) before anything else.
        PreamblePending = false;
        StartTx(TxPreamble, Cycle, 0x1FF);
    } else if ((SCCR2 & SBK) && on) {
        // SBK: break characters (a frame of 0s) as long as it is set.
        StartTx(TxBreak, Cycle, 0);
    } else if (!(SCSR & TDRE) && (on || Continuing)) {
        // The byte waiting in TDR moves to the shift register: TDRE rises now. With TE just
        // cleared, the last byte already queued still goes out (reference manual). After a
        // break the line is high for at least one bit time, so that the receiver sees the
        // next start bit (reference manual, send break).
        const int64_t start = TxKind == TxBreak ? Cycle + BitCycles() : Cycle;
        StartTx(TxData, start, TDR);
        SCSR |= TDRE;
    } else {
        // Nothing more to send: TC rises as the last stop bit has left.
        const bool wasOn = TxKind != TxIdle;
        TxKind = TxIdle;
        TxEnd = NoEvent;
        SCSR |= TC;
        if (wasOn && !on) Env.UpdatePort(TCPU_68HC11_Environment::PortD);
    }
}

// ---- receiver ----

void THC11Sci::StartNextRx(int64_t Cycle) {
    if (!(SCCR2 & RE) || RxBusy || Queue.empty()) return;
    RxChar = Queue.front();
    Queue.pop_front();
    RxBusy = true;
    // A line idle for a whole frame before this start bit wakes a sleeping receiver (WAKE 0).
    RxAfterIdle = Cycle - LastRxEnd >= FrameCycles();
    RxStart = Cycle;
    RxBit = BitCycles();
    RxEnd = Cycle + RxBit * ((SCCR1 & M) ? 11 : 10);
    IdleDue = NoEvent;
}

void THC11Sci::EndRx(int64_t Cycle) {
    RxBusy = false;
    RxEnd = NoEvent;
    LastRxEnd = Cycle;
    const bool nine = SCCR1 & M;
    // The bytes from outside are 8 data bits; with M the ninth bit received is a 1. A break
    // character is all 0s, its stop bit too.
    const bool isBreak = RxChar == BreakChar;
    if (SCCR2 & RWU) {
        // Receiver wake-up: asleep, the receiver sets no flag. WAKE 0 wakes on an idle line,
        // WAKE 1 on an address mark (the most significant data bit 1).
        const bool mark = !isBreak && (nine || (RxChar & 0x80));
        if ((SCCR1 & WAKE) ? !mark : !RxAfterIdle) {
            StartNextRx(Cycle);
            return;
        }
        SCCR2 &= ~RWU;
    }
    if (SCSR & RDRF) {
        // Overrun: the new byte is lost, RDR keeps the one not yet read; a byte with both a
        // framing error and an overrun counts as an overrun only (reference manual).
        SCSR |= OR;
    } else {
        // FE: a 0 where the stop bit belongs; it rises with RDRF and clears with it (SCSR,
        // then SCDR read). RDRF set with FE holds off the next byte as RDRF alone does.
        RDR = isBreak ? 0 : RxChar;
        SCCR1 = nine && !isBreak ? (SCCR1 | R8) : (SCCR1 & ~R8);
        SCSR |= RDRF | (isBreak ? FE : 0);
    }
    IdleArmed = true;
    StartNextRx(Cycle);
    // IDLE rises when the line stays idle for a whole frame after a received byte.
    if (!RxBusy) IdleDue = Cycle + FrameCycles();
}

void THC11Sci::Type(const uint8_t* Bytes, size_t Count) {
    if (!Count) return;
    Queue.insert(Queue.end(), Bytes, Bytes + Count);
    ReceiveQueued();
}

void THC11Sci::TypeBreak() {
    Queue.push_back(BreakChar);
    ReceiveQueued();
}

void THC11Sci::ReceiveQueued() {
    if (!(SCCR2 & RE) || RxBusy) return;
    if (EventCycle < 0) Advance(Now());
    StartNextRx(Now());
    Changed();
}

// ---- events ----

void THC11Sci::Advance(int64_t Until) {
    bool any = false;
    while (NextDue <= Until) {
        const int64_t cycle = NextDue;
        EventCycle = cycle;
        // A level change alone inside a frame changes no flag.
        any = any || TxEnd == cycle || RxEnd == cycle || IdleDue == cycle;
        if (TxEnd == cycle) {
            const bool data = TxKind == TxData;
            const auto byte = static_cast<uint8_t>(TxShift);
            StartNextTx(cycle, true);
            if (data && OnTransmit) OnTransmit(byte);
        }
        if (RxEnd == cycle) EndRx(cycle);
        if (IdleDue == cycle) {
            IdleDue = NoEvent;
            if (IdleArmed && !(SCCR2 & RWU)) {
                SCSR |= IDLE;
                IdleArmed = false;
            }
        }
        UpdateLine(cycle);
        NextDue = std::min({TxEnd, RxEnd, IdleDue, LineDue});
        EventCycle = -1;
    }
    if (any) Env.UpdateInterruptLines();
}

// ---- line levels ----

bool THC11Sci::FrameBit(int64_t Index, int32_t Data, bool Ninth) const {
    if (Index <= 0) return false; // start bit
    if (Index <= 8) return (Data >> (Index - 1)) & 1;
    if (Index == 9 && (SCCR1 & M)) return Ninth;
    return true; // stop bit
}

bool THC11Sci::TxDLevel(int64_t Cycle) const {
    if (TxKind == TxIdle || Cycle < TxStart || Cycle >= TxEnd || TxKind == TxPreamble) return true;
    if (TxKind == TxBreak) return false;
    return FrameBit((Cycle - TxStart) / TxBit, TxShift, TxNinth);
}

bool THC11Sci::RxDLevel(int64_t Cycle) const {
    if (!RxBusy || Cycle < RxStart || Cycle >= RxEnd) return true;
    if (RxChar == BreakChar) return false;
    return FrameBit((Cycle - RxStart) / RxBit, RxChar, true);
}

void THC11Sci::SetLineEvents(bool On) {
    LineEventsOn = On;
    if (!On) {
        // PD1 idles high again while the SCI has it; a read of PORTD still sees the bits.
        LineDue = NoEvent;
        Env.UpdatePort(TCPU_68HC11_Environment::PortD);
    }
    Changed();
}

int64_t THC11Sci::NextLineChange(int64_t Cycle) const {
    // The first bit boundary after Cycle within a frame at which the level differs from the
    // level at Cycle; the end of a frame is an event of its own.
    const auto next = [Cycle](int64_t Start, int64_t Bit, int64_t End, auto Level) {
        const bool now = Level(Cycle);
        int64_t b = Cycle < Start ? Start : Start + ((Cycle - Start) / Bit + 1) * Bit;
        for (; b < End; b += Bit)
            if (Level(b) != now) return b;
        return NoEvent;
    };
    int64_t due = NoEvent;
    if (DrivesTxD() && (TxKind == TxData || TxKind == TxBreak))
        due = next(TxStart, TxBit, TxEnd, [this](int64_t C) { return TxDLevel(C); });
    if (TakesRxD() && RxBusy)
        due = std::min(due, next(RxStart, RxBit, RxEnd, [this](int64_t C) { return RxDLevel(C); }));
    return due;
}

void THC11Sci::UpdateLine(int64_t Cycle) {
    if (!LineEventsOn) return;
    int32_t& pins = Env.PortPins[TCPU_68HC11_Environment::PortD];
    const int32_t old = pins;
    pins = PortDPinsAt(pins, Cycle);
    if (pins != old && OnLineChange) OnLineChange(Cycle);
    LineDue = NextLineChange(Cycle);
}

int32_t THC11Sci::PortDPins(int32_t Pins) const {
    return PortDPinsAt(Pins, Now());
}

int32_t THC11Sci::PortDPinsAt(int32_t Pins, int64_t Cycle) const {
    if (DrivesTxD()) Pins = TxDLevel(Cycle) ? (Pins | 0x02) : (Pins & ~0x02);
    if (TakesRxD()) Pins = RxDLevel(Cycle) ? (Pins | 0x01) : (Pins & ~0x01);
    return Pins;
}

// ---- registers ----

int32_t THC11Sci::Peek(uint32_t Offset) const {
    switch (Offset) {
    case RegBAUD: return BAUD;
    case RegSCCR1: return SCCR1;
    case RegSCCR2: return SCCR2;
    case RegSCSR: return SCSR;
    case RegSCDR: return RDR;
    default: return 0;
    }
}

int32_t THC11Sci::Read(uint32_t Offset) {
    if (NextDue <= Now()) Advance(Now());
    const int32_t value = Peek(Offset);
    if (Offset == RegSCSR) {
        // The first step of every clearing sequence: the flags read as 1 now.
        Armed = SCSR;
    } else if (Offset == RegSCDR) {
        // RDRF, IDLE, OR, NF, FE: read SCSR with the flag set, then read SCDR.
        const int32_t clear = Armed & SCSR & ReceiveFlags;
        Armed &= ~ReceiveFlags;
        if (clear) {
            SCSR &= ~clear;
            Env.UpdateInterruptLines();
        }
    }
    return value;
}

void THC11Sci::Write(uint32_t Offset, int32_t Value) {
    const int64_t now = Now();
    Advance(now);
    const int32_t value = Value & 0xFF;
    switch (Offset) {
    case RegBAUD:
        // TCLR (bit 7) and RCKB (bit 3) are factory tests; they read as 0 here.
        BAUD = value & 0x37;
        break;
    case RegSCCR1: SCCR1 = (SCCR1 & R8) | (value & (T8 | M | WAKE)); break;
    case RegSCCR2: WriteSCCR2(value, now); break;
    case RegSCSR: break; // read-only
    case RegSCDR: {
        // TDRE, TC: read SCSR with the flag set, then write SCDR. Only a TDR emptied that way
        // counts as holding a byte for the transmitter.
        TDR = value;
        SCSR &= ~(Armed & TransmitFlags);
        Armed &= ~TransmitFlags;
        if (TxKind == TxIdle && (SCCR2 & TE) && !(SCSR & TDRE)) StartNextTx(now, false);
        break;
    }
    default: break;
    }
    Changed();
}

void THC11Sci::WriteSCCR2(int32_t Value, int64_t Cycle) {
    const int32_t old = SCCR2;
    SCCR2 = Value;
    const int32_t rose = Value & ~old, fell = old & ~Value;
    if (rose & TE) {
        // Setting TE queues a preamble; it goes out as soon as the shift register is free.
        PreamblePending = true;
        SCSR &= ~TC;
    }
    if (fell & TE) PreamblePending = false;
    if (TxKind == TxIdle && (Value & TE) && (rose & (TE | SBK))) StartNextTx(Cycle, false);
    if (rose & RE) {
        StartNextRx(Cycle);
    } else if (fell & RE) {
        // The receiver stops; a byte halfway in goes back to the front of the queue.
        if (RxBusy) Queue.push_front(RxChar);
        RxBusy = false;
        RxEnd = IdleDue = NoEvent;
    }
    if ((rose | fell) & (TE | RE)) Env.UpdatePort(TCPU_68HC11_Environment::PortD);
}
