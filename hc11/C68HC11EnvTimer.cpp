// The timer system: TCNT and its prescaler, output compares, input captures, the timer flags
// and masks, the real-time interrupt's flag, and the pulse accumulator.
#include "hc11/C68HC11EnvTimer.h"

#include "cpu/CPU.h"
#include "hc11/C68HC11Env.h"

#include <algorithm>

namespace {

// Floor division by 2^Shift (an arithmetic shift rounds towards minus infinity). The
// prescale factors and the E/64 clock are powers of two: no division in the event paths.
constexpr int64_t FloorShift(int64_t A, int Shift) {
    return A >> Shift;
}
constexpr int GatedShift = 6; // E/64

// TFLG1 / TMSK1 bit of each compare (OC1F bit 7 ... OC5F = I4/O5F bit 3) and of each capture
// (IC1F bit 2, IC2F bit 1, IC3F bit 0, IC4F = I4/O5F bit 3).
constexpr int32_t CompareFlag(int Index) {
    return 0x80 >> Index;
}
constexpr int32_t CaptureFlag[] = {0x04, 0x02, 0x01, 0x08};
// Port A pin of each capture: IC1 PA2, IC2 PA1, IC3 PA0, IC4 PA3.
constexpr int32_t CapturePin[] = {0x04, 0x02, 0x01, 0x08};
// TCTL2 bit position of each capture's EDGxB:EDGxA pair.
constexpr int CaptureEdgeShift[] = {4, 2, 0, 6};

constexpr int32_t PAI = 0x80; // PA7, the pulse accumulator input

} // namespace

THC11Timer::THC11Timer(TCPU_68HC11_Environment& Environment) : Env(Environment) {
    ComputeDue();
}

int64_t THC11Timer::Now() const {
    return EventCycle >= 0 ? EventCycle : (Env.CPU() ? Env.CPU()->CycleCount : 0);
}

int64_t THC11Timer::TicksAt(int64_t Cycle) const {
    return TickOffset + FloorShift(std::max(Cycle, ResetCycle) - ResetCycle, PrescaleShift);
}

int64_t THC11Timer::TickCycle(int64_t N) const {
    return ResetCycle + ((N - TickOffset) << PrescaleShift);
}

void THC11Timer::Reset(int64_t Cycle) {
    EventCycle = -1;
    // PACNT keeps what it counted up to the reset.
    FoldPACNT(std::max(Cycle, PABase), PortAPins());
    ResetCycle = Handled = PABase = Cycle;
    TickOffset = 0;
    PrescaleField = 1;
    PrescaleShift = 0;
    PrescalerWritable = true;
    LatchedLow = -1;
    // Reset values (technical data): the control, mask and flag registers clear, the compare
    // registers go to $FFFF; the captures and PACNT keep their contents.
    TMSK1 = TFLG1 = TMSK2 = TFLG2 = PACTL = TCTL1 = TCTL2 = OC1M = OC1D = 0;
    TOC.fill(0xFFFF);
    RTICount = 0;
    RTIDivider = 2;
    Changed();
}

void THC11Timer::Changed(uint32_t Sources) {
    ComputeDue(Sources);
    if (Env.CPU() && Env.ExternalIndex() >= 0) Env.CPU()->EventsChanged(&Env);
}

void THC11Timer::ComputeDue(uint32_t Sources) {
    const int64_t current = TicksAt(Handled);
    // A compare matches when TCNT becomes equal to its register: the first such count after
    // the current one (one full turn later when TCNT shows the value already).
    for (int i = SrcOC1; i <= SrcOC5; ++i) {
        if (!(Sources & (1u << i))) continue;
        if (i == SrcOC5 && (PACTL & I4O5)) {
            Due[i] = INT64_MAX; // TI4O5 is the fourth input capture
            continue;
        }
        int64_t n = current + ((TOC[i] - current) & 0xFFFF);
        if (n == current) n += 0x10000;
        Due[i] = TickCycle(n);
    }
    // TOF: TCNT advances from $FFFF to $0000.
    if (Sources & (1u << SrcTOF)) Due[SrcTOF] = TickCycle(((current >> 16) + 1) << 16);
    // PAOVF in gated time accumulation: the E/64 tick that takes PACNT from $FF to $00.
    if (!(Sources & (1u << SrcPAOV))) {
        // unchanged
    } else if (GateOpen(PortAPins())) {
        const int64_t ticks = 256 - PACNTAt(Handled, PortAPins());
        Due[SrcPAOV] =
            ResetCycle + ((FloorShift(Handled - ResetCycle, GatedShift) + ticks) << GatedShift);
    } else {
        Due[SrcPAOV] = INT64_MAX;
    }
    NextDue = *std::min_element(Due.begin(), Due.end());
}

void THC11Timer::Advance(int64_t Until) {
    while (NextDue <= Until) {
        const int64_t cycle = NextDue;
        EventCycle = cycle;
        // The sources that fire now get their next cycle; a pin action may open or close the
        // pulse accumulator's gate.
        uint32_t fired = 1u << SrcPAOV;
        for (int i = 0; i < SourceCount; ++i)
            if (Due[i] == cycle) fired |= 1u << i;
        FireEvents(cycle);
        Handled = cycle;
        EventCycle = -1;
        ComputeDue(fired);
    }
    Handled = std::max(Handled, Until);
}

void THC11Timer::FireEvents(int64_t Cycle) {
    int32_t matched = 0;
    for (int i = SrcOC1; i <= SrcOC5; ++i)
        if (Due[i] == Cycle) matched |= 1 << i;
    if (matched) {
        int32_t flags = 0;
        for (int i = SrcOC1; i <= SrcOC5; ++i)
            if (matched & (1 << i)) flags |= CompareFlag(i);
        ApplyPinActions(matched);
        TFLG1 |= flags;
    }
    if (Due[SrcTOF] == Cycle) TFLG2 |= TOF;
    if (Due[SrcPAOV] == Cycle) {
        // PACNT rolls over to $00 on this tick and counts on from there.
        PACNTBase = 0;
        PABase = Cycle;
        TFLG2 |= PAOVF;
    }
    Env.UpdateInterruptLines();
}

int32_t THC11Timer::PinActions(int32_t Latch, int32_t Mask) const {
    // OC2-OC5 first, by TCTL1's OMx:OLx pair: 01 toggle, 10 clear, 11 set.
    for (int i = SrcOC2; i <= SrcOC5; ++i) {
        if (!(Mask & (1 << i)) || (i == SrcOC5 && (PACTL & I4O5))) continue;
        const int32_t pin = 0x80 >> i; // OC2 PA6, OC3 PA5, OC4 PA4, OC5 PA3
        switch ((TCTL1 >> (2 * (SrcOC5 - i))) & 3) {
        case 1: Latch ^= pin; break;
        case 2: Latch &= ~pin; break;
        case 3: Latch |= pin; break;
        default: break;
        }
    }
    // OC1 last: when it and another compare change the same pin at once, OC1 wins (reference
    // manual, output compare 1).
    if (Mask & 1) {
        const int32_t mask = OC1M & 0xF8;
        Latch = (Latch & ~mask) | (OC1D & mask);
    }
    return Latch;
}

void THC11Timer::ApplyPinActions(int32_t Mask) {
    int32_t& latch = Env.PortLatch[TCPU_68HC11_Environment::PortA];
    const int32_t updated = PinActions(latch, Mask);
    if (updated == latch) return;
    latch = updated;
    Env.UpdatePort(TCPU_68HC11_Environment::PortA);
}

int32_t THC11Timer::DrivenPins() const {
    int32_t pins = OC1M & 0xF8;
    for (int i = SrcOC2; i <= SrcOC5; ++i) {
        if (i == SrcOC5 && (PACTL & I4O5)) continue;
        if ((TCTL1 >> (2 * (SrcOC5 - i))) & 3) pins |= 0x80 >> i;
    }
    return pins;
}

bool THC11Timer::GateOpen(int32_t Pins) const {
    // Gated time accumulation: PEDGE 0 counts while PAI is high, PEDGE 1 while it is low.
    if ((PACTL & (PAEN | PAMOD)) != (PAEN | PAMOD)) return false;
    return static_cast<bool>(Pins & PAI) != static_cast<bool>(PACTL & PEDGE);
}

int32_t THC11Timer::PortAPins() const {
    return Env.PortPins[TCPU_68HC11_Environment::PortA];
}

int32_t THC11Timer::PACNTAt(int64_t Cycle, int32_t Pins) const {
    if (!GateOpen(Pins) || Cycle <= PABase) return PACNTBase;
    const int64_t ticks = FloorShift(Cycle - ResetCycle, GatedShift) -
                          FloorShift(PABase - ResetCycle, GatedShift);
    return static_cast<int32_t>((PACNTBase + ticks) & 0xFF);
}

void THC11Timer::FoldPACNT(int64_t Cycle, int32_t Pins) {
    PACNTBase = PACNTAt(Cycle, Pins);
    PABase = Cycle;
}

void THC11Timer::PortAChanged(int32_t Old, int32_t New) {
    const int32_t changed = (Old ^ New) & 0xFF;
    if (!changed) return;
    // Outside an event: first everything due before this moment.
    if (EventCycle < 0) Advance(Now());
    const int64_t now = Now();
    int32_t flags1 = 0, flags2 = 0;
    // Input captures: EDGxB:EDGxA 00 off, 01 rising, 10 falling, 11 either edge; a selected
    // edge latches TCNT into the capture register and sets ICxF.
    const int captures = (PACTL & I4O5) ? 4 : 3;
    for (int i = 0; i < captures; ++i) {
        if (!(changed & CapturePin[i])) continue;
        const int32_t edges = (TCTL2 >> CaptureEdgeShift[i]) & 3;
        const bool rising = New & CapturePin[i];
        if (!(edges & (rising ? 1 : 2))) continue;
        const int32_t count = CounterAt(now);
        if (i < 3)
            TIC[static_cast<size_t>(i)] = count;
        else
            TOC[SrcOC5] = count;
        flags1 |= CaptureFlag[i];
    }
    if ((changed & PAI) && (PACTL & PAEN)) {
        // The gate followed the old level up to now and follows the new one from now on.
        FoldPACNT(now, Old);
        // PEDGE 0: falling edges count (event mode) or end the gate (gated mode, trailing
        // edge); PEDGE 1: rising edges.
        const bool rising = New & PAI;
        if (rising == static_cast<bool>(PACTL & PEDGE)) {
            flags2 |= PAIF;
            if (!(PACTL & PAMOD)) {
                PACNTBase = (PACNTBase + 1) & 0xFF;
                if (PACNTBase == 0) flags2 |= PAOVF;
            }
        }
    }
    if (flags1 | flags2) {
        TFLG1 |= flags1;
        TFLG2 |= flags2;
        Env.UpdateInterruptLines();
    }
    if (EventCycle < 0) Changed(1u << SrcPAOV);
}

void THC11Timer::RTITick() {
    // ">=" rather than "==": a program that lowers the divider below the current count gets
    // its next RTI at once instead of never.
    if (++RTICount >= RTIDivider) {
        RTICount = 0;
        TFLG2 |= RTIF;
        Env.UpdateInterruptLines();
    }
}

bool THC11Timer::MayRequestInterrupt(bool Maskable) const {
    // Every timer source raises its flag on its own (compares, overflows, the RTI) or on an
    // input the user drives (captures, the pulse accumulator input).
    return Maskable && ((TMSK1 & 0xFF) || (TMSK2 & 0xF0));
}

int32_t THC11Timer::Peek(uint32_t Offset) const {
    const int64_t now = Now();
    switch (Offset) {
    case RegCFORC: return 0; // the force bits are transitory and read as zero
    case RegOC1M: return OC1M;
    case RegOC1D: return OC1D;
    case RegTCNT: return CounterAt(now) >> 8;
    case RegTCNT + 1: return LatchedLow >= 0 ? LatchedLow : CounterAt(now) & 0xFF;
    case RegTCTL1: return TCTL1;
    case RegTCTL2: return TCTL2;
    case RegTMSK1: return TMSK1;
    case RegTFLG1: return TFLG1;
    case RegTMSK2: return TMSK2;
    case RegTFLG2: return TFLG2;
    case RegPACTL: return PACTL;
    case RegPACNT: return PACNTAt(now, PortAPins());
    default: break;
    }
    if (Offset >= RegTIC1 && Offset < RegTOC1) {
        const int32_t value = TIC[(Offset - RegTIC1) / 2];
        return (Offset & 1) ? value & 0xFF : value >> 8;
    }
    if (Offset >= RegTOC1 && Offset < RegTCTL1) {
        const int32_t value = TOC[(Offset - RegTOC1) / 2];
        return (Offset & 1) ? value & 0xFF : value >> 8;
    }
    return 0;
}

int32_t THC11Timer::Read(uint32_t Offset) {
    if (NextDue <= Now()) Advance(Now());
    const int32_t value = Peek(Offset);
    // Reading TCNT's high byte latches the low byte, so that a double-byte read (LDD, LDX;
    // high byte first) sees one coherent count; reading the low byte releases the latch.
    if (Offset == RegTCNT)
        LatchedLow = CounterAt(Now()) & 0xFF;
    else if (Offset == RegTCNT + 1)
        LatchedLow = -1;
    return value;
}

void THC11Timer::Write(uint32_t Offset, int32_t Value) {
    const int64_t now = Now();
    Advance(now);
    const int32_t value = Value & 0xFF;
    switch (Offset) {
    case RegCFORC:
        // FOC1-FOC5 (bits 7-3): the pin actions as if the compares matched, without flags.
        ApplyPinActions((value >> 7 & 1) | (value >> 5 & 2) | (value >> 3 & 4) |
                        (value >> 1 & 8) | (value << 1 & 16));
        return;
    case RegOC1M: OC1M = value & 0xF8; return;
    case RegOC1D: OC1D = value & 0xF8; return;
    case RegTCTL1: TCTL1 = value; return;
    case RegTCTL2: TCTL2 = value; return;
    case RegTMSK1:
        TMSK1 = value;
        Env.UpdateInterruptLines();
        return;
    case RegTFLG1: // writing 1 clears a flag, reference manual
        TFLG1 &= ~value;
        Env.UpdateInterruptLines();
        return;
    case RegTMSK2: {
        // PR1:PR0 take only the first write within 64 E cycles after reset (any time in the
        // special modes); later writes leave them unchanged.
        using Env_ = TCPU_68HC11_Environment;
        const bool special =
            Env.Mode() == Env_::hc11_Special_Bootstrap || Env.Mode() == Env_::hc11_Special_Test;
        int32_t pr = TMSK2 & 0x03;
        if (special || (PrescalerWritable && now - ResetCycle < PrescalerWriteWindow)) {
            pr = value & 0x03;
            static constexpr int Shifts[] = {0, 2, 3, 4}; // divide by 1, 4, 8, 16
            // TCNT goes on from its current value at the new rate, on the prescaler's taps.
            const int64_t current = TicksAt(now);
            PrescaleShift = Shifts[pr];
            PrescaleField = 1 << PrescaleShift;
            TickOffset = current - FloorShift(now - ResetCycle, PrescaleShift);
        }
        PrescalerWritable = false;
        TMSK2 = (value & 0xF0) | pr;
        Env.UpdateInterruptLines();
        Changed();
        return;
    }
    case RegTFLG2:
        TFLG2 &= ~value & 0xF0;
        Env.UpdateInterruptLines();
        return;
    case RegPACTL: {
        FoldPACNT(now, PortAPins());
        PACTL = value & 0xF7; // bit 3 (DDRA3) is not modelled: PA3 is an output unless IC4
        RTIDivider = 2 << (value & 0x03);
        // PACTL bit 7 is the direction of PA7, bit 2 makes PA3 the fourth capture's input.
        Env.UpdatePort(TCPU_68HC11_Environment::PortA);
        Changed();
        return;
    }
    case RegPACNT:
        PACNTBase = value;
        PABase = now;
        Changed(1u << SrcPAOV);
        return;
    default: break;
    }
    if (Offset >= RegTOC1 && Offset < RegTCTL1) {
        const size_t index = (Offset - RegTOC1) / 2;
        // TI4O5 ignores writes while it captures (I4/O5 = 1).
        if (index == SrcOC5 && (PACTL & I4O5)) return;
        int32_t& reg = TOC[index];
        reg = (Offset & 1) ? (reg & 0xFF00) | value : (reg & 0x00FF) | (value << 8);
        Changed(1u << index);
    }
    // TCNT and TIC1-TIC3 are read-only: writes have no effect.
}
