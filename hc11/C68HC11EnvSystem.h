#pragma once
// Two devices the on-chip environment attaches beside itself: the COP watchdog and the IRQ and
// XIRQ pins. The environment owns them, forwards the register bits that steer them (CR1:CR0
// and IRQE in OPTION, writes to COPRST) and attaches them to its CPU. Each resets its own
// state as the chip does, so the order in which the CPU resets its devices does not matter.

#include "cpu/CPUExternal.h"

#include <cstdint>

class TCPU_68HC11_;


// The COP (computer operating properly) watchdog. The E clock is divided by 2^15 and then by
// 1, 4, 16 or 64 as CR1:CR0 in OPTION select (reference manual, COP rate table); a program
// restarts the count by writing $55 and then $AA to COPRST. When the count runs out, the
// COP-failure reset is requested on the core's line IrqCOP (vector $FFFA). The timeout is an
// event of its own at an absolute cycle, not a count polled per instruction.
class TCPU_68HC11_Cop : public TCustomCPUExternal {
    Q_OBJECT
  public:
    static constexpr int64_t PrescalerCycles = int64_t{1} << 15;
    // Cycles from a restart to the COP-failure reset for CR1:CR0 = Rate (0 to 3).
    static constexpr int64_t TimeoutCycles(int Rate) {
        return PrescalerCycles << (2 * (Rate & 3));
    }

    using TCustomCPUExternal::TCustomCPUExternal;

    // Off unless turned on: a program that does not know the COP must not be reset every few
    // milliseconds. Turning it on starts a full timeout from the current cycle.
    void SetEnabled(bool Value);
    bool Enabled() const { return EnabledField; }
    // Set after a reset into a special mode: DISR in TEST1 starts set there and inhibits COP
    // resets (reference manual, COP), and TEST1, which alone could clear it, is not simulated.
    void SetInhibited(bool Value);
    bool Inhibited() const { return InhibitedField; }
    // Counting and able to reset the processor.
    bool Active() const { return EnabledField && !InhibitedField; }
    // CR1:CR0; takes effect on the count in progress.
    void SetRate(int Value);
    int Rate() const { return RateField; }
    // A write to COPRST: $55 arms the clearing mechanism, $AA while armed restarts the count
    // and disarms it. $AA without a $55 before it does nothing; the manual names no other
    // values, and they change nothing.
    void WriteCOPRST(int32_t Value);
    // The cycle at which the COP-failure reset falls due while the COP is active.
    int64_t Deadline() const { return LastRestart + TimeoutCycles(RateField); }

    void Reset() override;
    // The COP ends any wait with its reset.
    bool MayRequestInterrupt(bool Maskable, bool Xirq) const override;
    int64_t NextEventCycle() const override;
    void HandleEvents(int64_t Now) override;

  protected:
    void Attached(TCustomCPU* NewCPU) override;

  private:
    int64_t Now() const;
    void Restart();
    TCPU_68HC11_* Core() const;

    bool EnabledField = false;
    bool InhibitedField = false;
    bool Armed = false;
    bool Fired = false; // the reset is requested; no further event until it comes
    int RateField = 0;
    int64_t LastRestart = 0;
};


// The IRQ and XIRQ input pins (active low). XIRQ is level-sensitive: its request (line
// IrqXIRQ) stands while the pin is low. IRQ is level-sensitive after reset; with IRQE in
// OPTION set it is sensitive to falling edges only, and an edge latches a request that stays
// until the processor takes the interrupt (the vector fetch clears the latch).
class TCPU_68HC11_InterruptPins : public TCustomCPUExternal {
    Q_OBJECT
  public:
    using TCustomCPUExternal::TCustomCPUExternal;

    void SetIRQPin(bool Low);
    bool IRQPinLow() const { return IrqLow; }
    void SetXIRQPin(bool Low);
    bool XIRQPinLow() const { return XirqLow; }
    // IRQE. Switching it drops a latched edge; in level mode the request follows the pin.
    void SetEdgeSensitive(bool Value);
    bool EdgeSensitive() const { return Edge; }

    // IRQE is cleared by reset; the pins keep the levels the outside drives.
    void Reset() override;
    // Nothing but the outside drives these pins: they can end a wait only while low, and IRQ
    // held low in edge mode has given its edge already.
    bool MayRequestInterrupt(bool Maskable, bool Xirq) const override;

  protected:
    void Attached(TCustomCPU* NewCPU) override;

  private:
    void UpdateLines();
    TCPU_68HC11_* Core() const;

    bool IrqLow = false;
    bool XirqLow = false;
    bool Edge = false;
};
