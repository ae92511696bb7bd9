#pragma once
// The 68HC11's on-chip environment as far as the simulator needs it: the 64-byte IO register
// block with ports A to E and their data-direction registers, the timer system (Timer: TCNT,
// output compares, input captures, the real-time interrupt's flags, the pulse accumulator), and
// the reset values that depend on the operating mode. It is a device of the CPU: the register
// block is one memory window, the RTI runs from one cycle timer, the timer's compare matches and
// overflows and the end of an SPI transfer are its events (the A/D converter, C68HC11EnvAdc.h,
// needs none), and interrupt requests are raised on the core's request lines 12 to
// 24. The COP watchdog and the IRQ and XIRQ pins are devices of their own that the environment
// owns and attaches to its CPU (C68HC11EnvSystem.h).

#include "cpu/CPUExternal.h"
#include "hc11/C68HC11EnvAdc.h"
#include "hc11/C68HC11EnvSpi.h"
#include "hc11/C68HC11EnvSci.h"
#include "hc11/C68HC11EnvSystem.h"
#include "hc11/C68HC11EnvTimer.h"

#include <QObject>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

class TCPU_68HC11_;


class TCPU_68HC11_Environment : public TCustomCPUExternal {
    Q_OBJECT
  public:
    // Indices into PortPins and PortLatch.
    enum TPort { PortA = 0, PortB, PortC, PortD, PortE };
    static constexpr int PortCount = 5;
    using TPortChangeProcedure = std::function<void(TPort Port)>;

    // Mode pins as wired on the board; stored only.
    enum THC11Flag { hc11_ModA = 0x01, hc11_ModB = 0x02 };
    Q_DECLARE_FLAGS(THC11Flags, THC11Flag)
    Q_FLAG(THC11Flags)
    // CONFIG bits; each value is the bit the flag sets in the CONFIG register at reset.
    enum THC11ConfigBits {
        hc11_EEON = 0x01,
        hc11_ROMON = 0x02,
        hc11_NOCOP = 0x04,
        hc11_NOSEC = 0x08
    };
    Q_DECLARE_FLAGS(THC11Config, THC11ConfigBits)
    Q_FLAG(THC11Config)
    enum THC11Mode {
        hc11_Normal_Single_Chip,
        hc11_Normal_Expanded,
        hc11_Special_Bootstrap,
        hc11_Special_Test
    };
    Q_ENUM(THC11Mode)

    Q_PROPERTY(THC11Flags Flags READ Flags WRITE SetFlags)
    Q_PROPERTY(THC11Config Config READ Config WRITE SetConfig)
    Q_PROPERTY(THC11Mode Mode READ Mode WRITE SetMode)

    // Register offsets within the block.
    static constexpr uint32_t RegPORTA = 0x00, RegPORTC = 0x03, RegPORTB = 0x04, RegDDRC = 0x07,
                              RegPORTD = 0x08, RegDDRD = 0x09, RegPORTE = 0x0A, RegTMSK1 = 0x22,
                              RegTFLG1 = 0x23, RegTMSK2 = 0x24, RegTFLG2 = 0x25, RegPACTL = 0x26,
                              RegBAUD = 0x2B, RegSCCR2 = 0x2D, RegOPTION = 0x39,
                              RegCOPRST = 0x3A, RegHPRIO = 0x3C, RegINIT = 0x3D, RegCONFIG = 0x3F;
    static constexpr uint32_t DefaultRegisterBase = 0x1000;
    static constexpr uint32_t BlockSize = 0x40;
    // Cycles between two RTI ticks; the RTI flag rises every RTIDivider ticks.
    static constexpr int32_t RTITickCycles = 0x1000;

    explicit TCPU_68HC11_Environment(QObject* Owner = nullptr);

    // Device callbacks from the CPU.
    bool MemoryRead(uint32_t Address, int32_t& Data) override;
    bool MemoryWrite(uint32_t Address, int32_t Data) override;
    void Reset() override;
    bool HandleTimer(int32_t MagicNr) override;
    bool MayRequestInterrupt(bool Maskable, bool Xirq) const override;
    int64_t NextEventCycle() const override {
        return std::min({Timer.NextEventCycle(), Spi.NextEventCycle(), Sci.NextEventCycle()});
    }
    void HandleEvents(int64_t Now) override {
        Timer.HandleEvents(Now);
        Spi.HandleEvents(Now);
        Sci.HandleEvents(Now);
    }

    // Input pins of a port driven from outside (the port panels, the runner's --port): the
    // output pins keep their level and no port-change event fires. Port B has no inputs. Edges
    // on port A's pins count at the current cycle: they feed the input captures and the pulse
    // accumulator.
    void SetPortInput(TPort Port, int32_t Value);

    // The bits of a port that the program drives (1 = output): A by PACTL bit 7 plus bits 4-6
    // and bit 3 unless it is the fourth input capture (PACTL bit 2), B all, C by DDRC, D by
    // DDRD, E none.
    int32_t PortOutputMask(TPort Port) const;

    // The value a program would read at Offset of the register block, without the side effects
    // of a read (no message, no stop). False for an offset that is not simulated.
    bool PeekRegister(uint32_t Offset, int32_t& Data) const;

    // Recomputes the core's request lines 12 to 24 from the flag and mask registers. Does
    // nothing when the CPU is not a 68HC11 core.
    void UpdateInterruptLines();

    // The COP watchdog: off unless turned on; on or off at once, without a reset. CONFIG's
    // NOCOP bit reads as the switch (1 while the COP is off), whatever the Config property says.
    void SetCOPEnabled(bool Value);
    bool COPEnabled() const;
    const TCPU_68HC11_Cop& COP() const { return Cop; }
    // The IRQ and XIRQ pins as the outside drives them; Low asserts the request.
    void SetIRQPin(bool Low);
    bool IRQPinLow() const;
    void SetXIRQPin(bool Low);
    bool XIRQPinLow() const;

    // Published settings; Config and Mode take effect at the next reset, Flags are stored only.
    THC11Flags Flags() const { return FlagsField; }
    void SetFlags(THC11Flags Value) { FlagsField = Value; }
    THC11Config Config() const { return ConfigField; }
    void SetConfig(THC11Config Value) { ConfigField = Value; }
    THC11Mode Mode() const { return ModeField; }
    void SetMode(THC11Mode Value) { ModeField = Value; }

    // Fired when the program writes a port (or a register that sets its directions), whether
    // or not a pin changed, with the port it wrote. Never fired by Reset or SetPortInput.
    TPortChangeProcedure OnPortChange;

    // Address of the register block: $1000 after attaching and after every reset; INIT moves it.
    uint32_t RegisterBase = 0;

    // Pin levels of ports A to E (what a read of the port returns), and the output latches of
    // ports A to D (what the program last wrote; E unused).
    std::array<int32_t, PortCount> PortPins{};
    std::array<int32_t, PortCount> PortLatch{};

    // Register images.
    int32_t DDRC = 0, DDRD = 0, OPTION = 0, HPRIO = 0,
            INIT = 0, CONFIG = 0;

    // The timer system: registers $0B to $27. The RTI ticks every RTITickCycles cycles; one RTI
    // every Timer.RTIDivider ticks (8192, 16384, 32768 or 65536 cycles by PACTL bits 1-0).
    THC11Timer Timer{*this};
    // The A/D converter: ADCTL and ADR1-ADR4 ($30-$34), powered by OPTION's ADPU; its analog
    // inputs are port E's pins.
    THC11Adc Adc{*this};
    // The serial peripheral interface: SPCR, SPSR and SPDR ($28-$2A).
    THC11Spi Spi{*this};

    // Sets DDRD as a program write would (the SPI's mode fault clears its bits).
    void ForceDDRD(int32_t Value);
    // The serial communications interface: registers $2B to $2F, PD0 (RxD) and PD1 (TxD),
    // request line 11 (vector $FFD6).
    THC11Sci Sci{*this};

  protected:
    void Attached(TCustomCPU* NewCPU) override;

  private:
    friend class THC11Timer;
    friend class THC11Sci;
    THC11Flags FlagsField;
    THC11Config ConfigField;
    THC11Mode ModeField = hc11_Normal_Single_Chip;

    // System control (C68HC11EnvSystem.cpp).
    TCPU_68HC11_Cop Cop;
    TCPU_68HC11_InterruptPins Pins;
    int64_t ResetCycle = 0;              // cycle count at the last reset
    bool OptionProtectedWritten = false; // OPTION's time-protected bits were written once
    bool SpecialMode() const;            // SMOD in HPRIO
    void WriteOPTION(int32_t Value);
    void WriteHPRIO(int32_t Value);
    void UpdateNOCOP();
    void ResetSystemControl();
    void AttachSystemDevices(TCustomCPU* NewCPU);

    bool Registered() const;
    // Drives the output pins of Port from its latch and fires OnPortChange; port A's pin
    // changes go to the timer.
    void UpdatePort(TPort Port);
    void MoveRegisterBlock(uint32_t NewBase);
    void ReportUnimplemented(uint32_t Offset, bool IsWrite);
    TCPU_68HC11_* Core() const;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TCPU_68HC11_Environment::THC11Flags)
Q_DECLARE_OPERATORS_FOR_FLAGS(TCPU_68HC11_Environment::THC11Config)
