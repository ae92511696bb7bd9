// The COP watchdog and the IRQ and XIRQ pins, and the environment's system-control registers
// that steer them: OPTION's time-protected bits, HPRIO's priority select and COPRST.
#include "hc11/C68HC11EnvSystem.h"

#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"

// ---- COP watchdog ------------------------------------------------------------------------

TCPU_68HC11_* TCPU_68HC11_Cop::Core() const {
    return qobject_cast<TCPU_68HC11_*>(CPU());
}

int64_t TCPU_68HC11_Cop::Now() const {
    return CPU() ? CPU()->CycleCount : 0;
}

void TCPU_68HC11_Cop::Attached(TCustomCPU*) {
    Restart();
}

void TCPU_68HC11_Cop::Restart() {
    LastRestart = Now();
    if (CPU()) CPU()->EventsChanged(this);
}

void TCPU_68HC11_Cop::SetEnabled(bool Value) {
    if (Value == EnabledField) return;
    EnabledField = Value;
    Armed = false;
    Restart();
}

void TCPU_68HC11_Cop::SetInhibited(bool Value) {
    InhibitedField = Value;
    if (CPU()) CPU()->EventsChanged(this);
}

void TCPU_68HC11_Cop::SetRate(int Value) {
    RateField = Value & 3;
    if (CPU()) CPU()->EventsChanged(this);
}

void TCPU_68HC11_Cop::WriteCOPRST(int32_t Value) {
    switch (Value & 0xFF) {
    case 0x55: Armed = true; break;
    case 0xAA:
        if (!Armed) break;
        Armed = false;
        Restart();
        break;
    default: break;
    }
}

void TCPU_68HC11_Cop::Reset() {
    // CR1:CR0 are cleared by reset: the fastest rate. The count starts again from the reset.
    if (TCPU_68HC11_* core = Core()) core->SetPendingInterrupt(TCPU_68HC11_::IrqCOP, false);
    Fired = false;
    Armed = false;
    RateField = 0;
    Restart();
}

bool TCPU_68HC11_Cop::MayRequestInterrupt(bool, bool) const {
    return Active();
}

int64_t TCPU_68HC11_Cop::NextEventCycle() const {
    return Active() && !Fired ? Deadline() : NoEvent;
}

void TCPU_68HC11_Cop::HandleEvents(int64_t Now) {
    if (!Active() || Fired || Now < Deadline()) return;
    Fired = true;
    // The reset vector is fetched at the next instruction boundary, this one.
    if (TCPU_68HC11_* core = Core()) core->SetPendingInterrupt(TCPU_68HC11_::IrqCOP, true);
}

// ---- IRQ and XIRQ pins -------------------------------------------------------------------

TCPU_68HC11_* TCPU_68HC11_InterruptPins::Core() const {
    return qobject_cast<TCPU_68HC11_*>(CPU());
}

void TCPU_68HC11_InterruptPins::Attached(TCustomCPU*) {
    UpdateLines();
}

void TCPU_68HC11_InterruptPins::UpdateLines() {
    TCPU_68HC11_* core = Core();
    if (!core) return;
    core->SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, XirqLow);
    core->SetLatchedLine(TCPU_68HC11_::IrqIRQ, Edge);
    // In edge mode the line is the latch, set by an edge and cleared by the vector fetch.
    core->SetPendingInterrupt(TCPU_68HC11_::IrqIRQ, !Edge && IrqLow);
}

void TCPU_68HC11_InterruptPins::SetIRQPin(bool Low) {
    const bool fallingEdge = Low && !IrqLow;
    IrqLow = Low;
    if (!Edge) {
        UpdateLines();
    } else if (fallingEdge) {
        if (TCPU_68HC11_* core = Core()) core->SetPendingInterrupt(TCPU_68HC11_::IrqIRQ, true);
    }
}

void TCPU_68HC11_InterruptPins::SetXIRQPin(bool Low) {
    XirqLow = Low;
    if (TCPU_68HC11_* core = Core()) core->SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, Low);
}

void TCPU_68HC11_InterruptPins::SetEdgeSensitive(bool Value) {
    if (Value == Edge) return;
    Edge = Value;
    UpdateLines();
}

void TCPU_68HC11_InterruptPins::Reset() {
    Edge = false;
    UpdateLines();
}

bool TCPU_68HC11_InterruptPins::MayRequestInterrupt(bool Maskable, bool Xirq) const {
    return (Maskable && IrqLow && !Edge) || (Xirq && XirqLow);
}

// ---- The environment's system-control registers ------------------------------------------

namespace {
using Env = TCPU_68HC11_Environment;

// OPTION bits.
constexpr int32_t OptIRQE = 0x20, OptDLY = 0x10, OptCR = 0x03;
// IRQE, DLY and CR1:CR0 are time-protected (reference manual, OPTION): in the normal modes
// they can be written once, and only within the first 64 E cycles after reset.
constexpr int32_t OptTimeProtected = OptIRQE | OptDLY | OptCR;
constexpr int64_t TimeProtectionCycles = 64;

// HPRIO bits.
constexpr int32_t HpRBOOT = 0x80, HpSMOD = 0x40, HpMDA = 0x20, HpIRV = 0x10, HpPSEL = 0x0F;

// PSEL3:0 to the request line it promotes (reference manual, highest priority I-bit
// interrupt selection): timer overflow, pulse accumulator overflow, pulse accumulator input
// edge, SPI, SCI, reserved (IRQ), IRQ, real-time interrupt, input captures 1-3, output
// compares 1-4, IC4/OC5.
constexpr int PselLines[16] = {15, 14, 13, 12, 11, 25, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16};
} // namespace

bool TCPU_68HC11_Environment::SpecialMode() const {
    return HPRIO & HpSMOD;
}

void TCPU_68HC11_Environment::SetCOPEnabled(bool Value) {
    Cop.SetEnabled(Value);
    UpdateNOCOP();
}

bool TCPU_68HC11_Environment::COPEnabled() const {
    return Cop.Enabled();
}

void TCPU_68HC11_Environment::UpdateNOCOP() {
    // NOCOP reads as the COP switch: 1 (COP off) unless the COP is on. On the chip NOCOP is the
    // EEPROM bit that turns the COP off; here the switch stands for it, so the register never
    // contradicts what the watchdog does. The Config property's NOCOP flag is not used.
    CONFIG = (CONFIG & ~hc11_NOCOP) | (Cop.Enabled() ? 0 : hc11_NOCOP);
}

void TCPU_68HC11_Environment::SetIRQPin(bool Low) {
    Pins.SetIRQPin(Low);
}

bool TCPU_68HC11_Environment::IRQPinLow() const {
    return Pins.IRQPinLow();
}

void TCPU_68HC11_Environment::SetXIRQPin(bool Low) {
    Pins.SetXIRQPin(Low);
}

bool TCPU_68HC11_Environment::XIRQPinLow() const {
    return Pins.XIRQPinLow();
}

void TCPU_68HC11_Environment::WriteOPTION(int32_t Value) {
    int32_t writable = 0xFF & ~OptTimeProtected;
    // The special modes lift the protection until SMOD is written to zero.
    if (SpecialMode()) {
        writable = 0xFF;
    } else if (!OptionProtectedWritten) {
        // The write is the last bus cycle of the instruction that makes it (true of the
        // stores and read-modify-write instructions); cycle 0 is the first after reset.
        const TCustomCPU* cpu = CPU();
        const TCPU_68HC11_* core = Core();
        const int64_t writeCycle =
            (cpu ? cpu->CycleCount : 0) + (core ? core->InstructionCycles - 1 : 0);
        if (writeCycle - ResetCycle < TimeProtectionCycles) {
            writable = 0xFF;
            OptionProtectedWritten = true;
        }
    }
    OPTION = (OPTION & ~writable) | (Value & writable);
    Pins.SetEdgeSensitive(OPTION & OptIRQE);
    Cop.SetRate(OPTION & OptCR);
    Adc.OptionChanged(OPTION);
}

void TCPU_68HC11_Environment::WriteHPRIO(int32_t Value) {
    TCPU_68HC11_* core = Core();
    int32_t hprio = HPRIO;
    // PSEL may only be written while the I-bit interrupts are inhibited (I set), so that the
    // priorities never change under a pending request; a write with I clear leaves it.
    if (!core || core->I) hprio = (hprio & ~HpPSEL) | (Value & HpPSEL);
    // The mode bits are read-only in the normal modes. In the special modes RBOOT, MDA and IRV
    // are writable and SMOD can be written to zero (leaving the special mode) but not back to
    // one. The simulator has no bootstrap ROM, no mode-dependent memory map and no bus
    // visibility, so these bits only read back what was written.
    if (hprio & HpSMOD) {
        const int32_t bits = HpRBOOT | HpMDA | HpIRV;
        hprio = (hprio & ~bits) | (Value & bits);
        if (!(Value & HpSMOD)) hprio &= ~HpSMOD;
    }
    HPRIO = hprio;
    if (core) core->SetHighestPriorityLine(PselLines[HPRIO & HpPSEL]);
}

void TCPU_68HC11_Environment::ResetSystemControl() {
    ResetCycle = CPU() ? CPU()->CycleCount : 0;
    OptionProtectedWritten = false;
    if (TCPU_68HC11_* core = Core()) core->SetHighestPriorityLine(PselLines[HPRIO & HpPSEL]);
    Cop.SetInhibited(ModeField == hc11_Special_Bootstrap || ModeField == hc11_Special_Test);
    UpdateNOCOP();
}

void TCPU_68HC11_Environment::AttachSystemDevices(TCustomCPU* NewCPU) {
    Cop.SetCPU(NewCPU);
    Pins.SetCPU(NewCPU);
}
