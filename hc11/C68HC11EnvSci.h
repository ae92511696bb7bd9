#pragma once
// The 68HC11 serial communications interface (SCI) as the reference manual describes it: BAUD,
// SCCR1, SCCR2, SCSR and SCDR at $2B to $2F of the register block.
//
// Nothing here runs per instruction. The transmitter and the receiver work in whole frames: the
// end of a frame is an event at a cycle of its own (one frame = 10 or 11 bit times, a bit time
// = 16 x prescaler x divider E cycles), served by the run loop at the first instruction boundary
// at or after it. A register access counts at the cycle at which its instruction began.
//
// The receiver takes its bytes from a queue that the outside fills (the terminal, the runner's
// --sci-in): while RE is set it receives them back to back, one frame each, at the rate the
// program chose. The queue also carries break characters (a frame of 0s, stop bit included):
// they are received as $00 with FE, the framing error. The line is free of noise, so NF never
// rises.
//
// With line events on (SetLineEvents), PD1 and PD0 follow the TxD and RxD levels bit by bit in
// PortPins: every level change is an event of its own cycle, reported through OnLineChange. Off,
// PortPins shows TxD idle high and only a read of PORTD sees the frame's bits; no event is
// spent on them.

#include <cstdint>
#include <deque>
#include <functional>

class TCPU_68HC11_Environment;

class THC11Sci {
  public:
    // Register offsets within the 64-byte block; the SCI owns $2B to $2F.
    static constexpr uint32_t RegBAUD = 0x2B, RegSCCR1 = 0x2C, RegSCCR2 = 0x2D, RegSCSR = 0x2E,
                              RegSCDR = 0x2F;
    static constexpr bool Owns(uint32_t Offset) { return Offset >= RegBAUD && Offset <= RegSCDR; }

    // SCCR1 bits.
    static constexpr int32_t R8 = 0x80, T8 = 0x40, M = 0x10, WAKE = 0x08;
    // SCCR2 bits.
    static constexpr int32_t TIE = 0x80, TCIE = 0x40, RIE = 0x20, ILIE = 0x10, TE = 0x08, RE = 0x04,
                             RWU = 0x02, SBK = 0x01;
    // SCSR bits.
    static constexpr int32_t TDRE = 0x80, TC = 0x40, RDRF = 0x20, IDLE = 0x10, OR = 0x08, NF = 0x04,
                             FE = 0x02;
    static constexpr int64_t NoEvent = INT64_MAX;

    explicit THC11Sci(TCPU_68HC11_Environment& Env);

    // A program's read (SCDR completes the receive flags' clearing sequence, SCSR arms it), a
    // side-effect-free read, and a program's write of the register at Offset (one of Owns).
    int32_t Read(uint32_t Offset);
    int32_t Peek(uint32_t Offset) const;
    void Write(uint32_t Offset, int32_t Value);

    // Reset at cycle Now: SCSR = $C0 (TDRE, TC), the control registers clear, the transmitter
    // and the receiver stop. Bytes waiting in the receive queue stay there.
    void Reset(int64_t Now);
    // The cycle at which the next frame ends (or the line has been idle for a frame), or NoEvent.
    int64_t NextEventCycle() const { return NextDue; }
    // Handles every event due up to and including Now, in the order of their cycles.
    void HandleEvents(int64_t Now) { Advance(Now); }

    // Bytes for the receiver, appended to its queue.
    void Type(const uint8_t* Bytes, size_t Count);
    // A break character for the receiver, appended to its queue.
    void TypeBreak();
    // Bytes not yet received: the queue and the frame on the line.
    int Pending() const { return static_cast<int>(Queue.size()) + (RxBusy ? 1 : 0); }

    // E cycles per bit by BAUD (16 x 1, 3, 4 or 13 x 1 ... 128) and per frame by SCCR1's M bit.
    int64_t BitCycles() const;
    int64_t FrameCycles() const { return BitCycles() * ((SCCR1 & M) ? 11 : 10); }

    // The SCI's interrupt request (vector $FFD6): (TIE and TDRE) or (TCIE and TC) or (RIE and
    // (RDRF or OR)) or (ILIE and IDLE).
    bool InterruptRequested() const;
    // Whether an SCI interrupt could still end a wait.
    bool MayRequestInterrupt(bool Maskable) const;

    // Port D pins the SCI takes: PD1 (TxD) is an output while the transmitter is on (TE, or a
    // frame still going out), PD0 (RxD) an input while the receiver is on.
    bool DrivesTxD() const { return (SCCR2 & TE) || TxKind != TxIdle; }
    bool TakesRxD() const { return SCCR2 & RE; }
    // The level on TxD and RxD at cycle Cycle: idle high, the bits of the frame on the line.
    bool TxDLevel(int64_t Cycle) const;
    bool RxDLevel(int64_t Cycle) const;
    // Port D's pins as a read of PORTD sees them now: PD1 and PD0 with the SCI's line levels
    // while it has them.
    int32_t PortDPins(int32_t Pins) const;
    int32_t PortDPinsAt(int32_t Pins, int64_t Cycle) const;

    // Every byte the transmitter has finished sending (after its last stop bit).
    std::function<void(uint8_t Byte)> OnTransmit;

    // Line events: PD1 and PD0 in the environment's PortPins follow TxD and RxD at every level
    // change, at its own cycle; OnLineChange reports each change of those pins with its cycle.
    void SetLineEvents(bool On);
    bool LineEvents() const { return LineEventsOn; }
    std::function<void(int64_t Cycle)> OnLineChange;

    // Register images: BAUD, SCCR1 (R8, T8, M, WAKE), SCCR2, SCSR; RDR what SCDR reads, TDR what
    // it was last written.
    int32_t BAUD = 0, SCCR1 = 0, SCCR2 = 0, SCSR = TDRE | TC, RDR = 0, TDR = 0;

  private:
    enum TTxKind { TxIdle, TxPreamble, TxData, TxBreak };

    int64_t Now() const;
    void Advance(int64_t Until);
    // The transmitter's shift register became free at Cycle: start the next frame, if any.
    // Continuing: a frame has just ended, so a byte queued before TE was cleared still goes out.
    void StartNextTx(int64_t Cycle, bool Continuing);
    void StartTx(TTxKind Kind, int64_t Cycle, int32_t Data);
    // The receiver starts the next queued byte at Cycle if it is on and idle.
    void StartNextRx(int64_t Cycle);
    // Bytes were queued: an idle receiver that is on starts the first of them now.
    void ReceiveQueued();
    void EndRx(int64_t Cycle);
    void WriteSCCR2(int32_t Value, int64_t Cycle);
    // Line events: PD1 and PD0 take the line levels at Cycle; LineDue is the next change.
    void UpdateLine(int64_t Cycle);
    int64_t NextLineChange(int64_t Cycle) const;
    // The schedule or a request changed: recompute NextDue and tell the CPU and the core.
    void Changed();
    // The level of bit Index (0 = start bit) of a frame carrying Data (9 bits with T8/R8).
    bool FrameBit(int64_t Index, int32_t Data, bool Ninth) const;

    TCPU_68HC11_Environment& Env;
    // Transmitter: what the shift register holds, since when and until when; a preamble asked
    // for by TE going from 0 to 1 while a frame was still going out.
    TTxKind TxKind = TxIdle;
    int64_t TxStart = 0, TxEnd = NoEvent, TxBit = 16;
    int32_t TxShift = 0;
    bool TxNinth = false;
    bool PreamblePending = false;
    // Receiver: the frame on the line, the queue behind it, the idle-line detector.
    bool RxBusy = false;
    int64_t RxStart = 0, RxEnd = NoEvent, RxBit = 16, LastRxEnd = 0;
    bool RxAfterIdle = false; // the frame on the line follows an idle frame
    uint16_t RxChar = 0;      // a byte, or BreakChar
    int64_t IdleDue = NoEvent;
    bool IdleArmed = false; // a byte was received since IDLE last rose or was cleared
    static constexpr uint16_t BreakChar = 0x100;
    std::deque<uint16_t> Queue;
    bool LineEventsOn = false;
    int64_t LineDue = NoEvent;
    // SCSR flags read as 1 by the last read of SCSR: the first step of their clearing sequence.
    int32_t Armed = 0;
    int64_t NextDue = NoEvent;
    // The cycle of the event being handled, while one is.
    int64_t EventCycle = -1;
};
