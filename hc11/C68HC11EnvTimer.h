#pragma once
// The 68HC11 timer system as the reference manual describes it: the free-running counter TCNT
// behind its prescaler, the five output compares with their port A pin actions (TCTL1, OC1M,
// OC1D, CFORC), the input captures on PA0-PA2 (and PA3 as IC4), the timer flags and masks, the
// real-time interrupt's flag and rate, and the pulse accumulator on PA7.
//
// Nothing here runs per instruction. TCNT is computed from the cycle count whenever it is read;
// compare matches, counter overflows and pulse-accumulator overflows are events at a cycle of
// their own, served by the run loop at the first instruction boundary at or after them and
// handled there in the order of their cycles. A register access counts at the cycle at which
// its instruction began.

#include <array>
#include <cstdint>

class TCPU_68HC11_Environment;

class THC11Timer {
  public:
    // Register offsets within the 64-byte block; the timer owns $0B to $27.
    static constexpr uint32_t RegCFORC = 0x0B, RegOC1M = 0x0C, RegOC1D = 0x0D, RegTCNT = 0x0E,
                              RegTIC1 = 0x10, RegTOC1 = 0x16, RegTI4O5 = 0x1E, RegTCTL1 = 0x20,
                              RegTCTL2 = 0x21, RegTMSK1 = 0x22, RegTFLG1 = 0x23, RegTMSK2 = 0x24,
                              RegTFLG2 = 0x25, RegPACTL = 0x26, RegPACNT = 0x27;
    static constexpr bool Owns(uint32_t Offset) { return Offset >= RegCFORC && Offset <= RegPACNT; }

    // TFLG2 / TMSK2 bits.
    static constexpr int32_t TOF = 0x80, RTIF = 0x40, PAOVF = 0x20, PAIF = 0x10;
    // PACTL bits.
    static constexpr int32_t DDRA7 = 0x80, PAEN = 0x40, PAMOD = 0x20, PEDGE = 0x10, I4O5 = 0x04;
    // PR1:PR0 may be written only this many E cycles after reset (normal modes).
    static constexpr int64_t PrescalerWriteWindow = 64;

    explicit THC11Timer(TCPU_68HC11_Environment& Env);

    // A program's read (reading TCNT's high byte latches its low byte), a side-effect-free
    // read, and a program's write of the register at Offset (one of Owns).
    int32_t Read(uint32_t Offset);
    int32_t Peek(uint32_t Offset) const;
    void Write(uint32_t Offset, int32_t Value);

    // Reset at cycle Now: TCNT starts at $0000 with the prescaler at 1.
    void Reset(int64_t Now);
    // The cycle of the next compare match, overflow or pulse-accumulator overflow.
    int64_t NextEventCycle() const { return NextDue; }
    // Handles every event due up to and including Now, in the order of their cycles.
    void HandleEvents(int64_t Now) { Advance(Now); }
    // Port A's pins changed from Old to New (an input driven from outside, a program write, a
    // compare's pin action): edges on PA0-PA3 feed the input captures, PA7 the pulse accumulator.
    void PortAChanged(int32_t Old, int32_t New);
    // One tick of the real-time interrupt's cycle timer.
    void RTITick();
    // Whether an enabled timer interrupt could still end a wait.
    bool MayRequestInterrupt(bool Maskable) const;
    // The port A bits the timer drives: they ignore program writes to PORTA (reference manual:
    // a pin configured for timer use cannot be written as a general-purpose output).
    int32_t DrivenPins() const;

    // TCNT at cycle Cycle.
    int32_t CounterAt(int64_t Cycle) const { return static_cast<int32_t>(TicksAt(Cycle) & 0xFFFF); }
    // The prescale factor in use (1, 4, 8 or 16).
    int32_t Prescale() const { return PrescaleField; }

    // Register images.
    int32_t TMSK1 = 0, TFLG1 = 0, TMSK2 = 0, TFLG2 = 0, PACTL = 0, TCTL1 = 0, TCTL2 = 0,
            OC1M = 0, OC1D = 0;
    // TOC1-TOC4 and TI4O5 (index 4), as written; TI4O5 holds the IC4 captures while I4/O5 is 1.
    std::array<int32_t, 5> TOC{0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    // TIC1-TIC3; not affected by reset.
    std::array<int32_t, 3> TIC{};
    // Real-time interrupt: ticks counted and ticks per RTI flag (2, 4, 8 or 16 by RTR1:RTR0).
    int32_t RTICount = 0;
    int32_t RTIDivider = 2;

  private:
    // Event sources; each has the cycle of its next event in Due.
    enum TSource { SrcOC1, SrcOC2, SrcOC3, SrcOC4, SrcOC5, SrcTOF, SrcPAOV, SourceCount };

    int64_t Now() const;
    // Counts of the prescaled clock since reset, plus the offset a prescaler change leaves: the
    // low 16 bits are TCNT. TickCycle is the cycle at which the count becomes N.
    int64_t TicksAt(int64_t Cycle) const;
    int64_t TickCycle(int64_t N) const;
    // Handles every event up to Until, then notes Until as handled.
    void Advance(int64_t Until);
    void FireEvents(int64_t Cycle);
    // Recomputes Due of the sources in Sources (bit n = source n) and NextDue.
    static constexpr uint32_t AllSources = (1u << SourceCount) - 1;
    void ComputeDue(uint32_t Sources = AllSources);
    // Port A latch after the pin actions of the compares in Mask (bit 0 = OC1 ... bit 4 = OC5).
    int32_t PinActions(int32_t Latch, int32_t Mask) const;
    void ApplyPinActions(int32_t Mask);
    // Pulse accumulator.
    // Pins: port A's pin levels that decide the gate.
    bool GateOpen(int32_t Pins) const;
    int32_t PACNTAt(int64_t Cycle, int32_t Pins) const;
    void FoldPACNT(int64_t Cycle, int32_t Pins);
    int32_t PortAPins() const;
    void SetFlags1(int32_t Bits);
    void SetFlags2(int32_t Bits);
    // The schedule changed: recompute and tell the CPU.
    void Changed(uint32_t Sources = AllSources);

    TCPU_68HC11_Environment& Env;
    int64_t ResetCycle = 0;
    int64_t TickOffset = 0;
    int32_t PrescaleField = 1;
    int PrescaleShift = 0; // log2 of PrescaleField
    bool PrescalerWritable = true;
    // TCNT's low byte latched by a read of its high byte, until the low byte is read.
    int32_t LatchedLow = -1;
    // Pulse accumulator: its value at PABase (while the gate is open it counts on from there).
    int32_t PACNTBase = 0;
    int64_t PABase = 0;
    // Everything up to Handled is done; Due per source, NextDue their minimum.
    int64_t Handled = 0;
    std::array<int64_t, SourceCount> Due{};
    int64_t NextDue = INT64_MAX;
    // The cycle of the event being handled, while one is (pin changes happen then).
    int64_t EventCycle = -1;
};
