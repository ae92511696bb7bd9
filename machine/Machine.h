#pragma once
// The one simulated 68HC11 system that every front end uses (the window, the headless runner,
// the benchmarks, the tests): the core, its on-chip environment, the clock device that counts
// tenths of a simulated second, and the loaded program. It answers why a run stopped as a
// value, keeps the breakpoints (in the core, by address), drives port inputs and reads and
// writes the whole address space without side effects.

#include "cpu/CPU.h"
#include "cpu/CPUExternal.h"
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
#include "loaders/SymbolTable.h"
#include "machine/CycleProfile.h"
#include "machine/SignalRecorder.h"
#include "machine/SpeedPacer.h"
#include "machine/Stimulus.h"
#include "loaders/LoadedProgram.h"
#include "loaders/SymbolTable.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

struct BreakpointCondition;

class Machine : public QObject {
    Q_OBJECT
  public:
    using Port = TCPU_68HC11_Environment::TPort;
    enum class Register { PC, A, B, D, X, Y, SP, CCR };

    // The clock device fires every this many cycles: a tenth of a second at 1 MHz, the pace
    // the status bar's time counts in.
    static constexpr int32_t ClockTimerCycles = 100000;

    explicit Machine(QObject* Parent = nullptr);
    ~Machine() override;

    TCPU_68HC11_& cpu() { return Core; }
    const TCPU_68HC11_& cpu() const { return Core; }
    TCPU_68HC11_Environment& environment() { return Environment; }
    const TCPU_68HC11_Environment& environment() const { return Environment; }
    // The text the source view shows for the loaded program (the listing, a source file of an
    // ELF file, a disassembly), with its lines' addresses; empty before the first load.
    const TKV_68HC11_ListFileLoader& program() const { return Program->current(); }
    // The loaded file with all its texts and, for S-records, Intel HEX and ELF, its bytes.
    const LoadedProgram& loadedProgram() const { return *Program; }
    QString programFile() const { return ProgramFile; }

    // Where the core, the environment and the loader report (not owned; unset: stderr).
    void setMessageSink(TMessageSink* Sink) { Core.MessageSink = Sink; }
    // Called by the run loop every few thousand cycles (the window processes its events there;
    // a paced run also waits there, calling it every few milliseconds while it waits).
    void setMessagePump(std::function<void()> Pump) { FrontPump = std::move(Pump); }

    // Speed of a run as a factor of real time at the E clock: 1 is real time, 0 (the default)
    // as fast as the host can. Takes effect at once, also during a run.
    void setSpeed(double Factor) {
        Pacer.setFactor(Factor);
        Pacer.start(Core.CycleCount);
    }
    double speed() const { return Pacer.factor(); }
    void setEClock(double Hertz) {
        Pacer.setEClock(Hertz);
        Pacer.start(Core.CycleCount);
    }
    double eClock() const { return Pacer.eClock(); }
    // The speed reached since the last call, as a factor of real time.
    double achievedSpeed() { return Pacer.achievedFactor(Core.CycleCount); }
    // How a paced run waits (tests replace it; the pacer's clock with it).
    std::function<void(int64_t Nanoseconds)> SleepFor;
    void setWallClock(SpeedPacer::WallClock Clock) { Pacer = SpeedPacer(std::move(Clock)); }

    // Reads a program file (a listing, S-records, Intel HEX or ELF; see LoadedProgram), writes
    // its code into memory, drops every breakpoint (and data breakpoint) of the previous
    // program and requests a reset. A start address the file names becomes the reset vector when the file does not
    // fill $FFFE/$FFFF itself. A file that cannot be read, is malformed, or holds no code,
    // changes nothing: the result is false and *Error (if given) says why in German, naming
    // the file. Bad code lines of a listing are reported line by line through the message sink
    // and do not make the load fail.
    bool load(const QString& FileName, QString* Error = nullptr);
    // Loads the program file again (after it was re-assembled) and sets the breakpoints again
    // on their source line (the same text, nearest where it was) or else at their label
    // ("LOOP+3") where these still exist; in a disassembly a breakpoint stays at its address
    // while an instruction starts there. *Lost (if given) counts those that could not be kept.
    // A refused file changes nothing, as load does.
    bool reload(QString* Error = nullptr, int* Lost = nullptr);
    // After a run or step stopped: makes the text that shows the PC the program's text (the
    // source file the PC is in), or disassembles the code at the PC when no text shows it.
    // Returns whether program() changed.
    bool followProgramCounter();
    // The next step resets the processor and its devices first (Emulator > Reset).
    void requestReset() { Core.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true); }

    // Limits of one run, counted from its start; unset means none.
    struct RunLimits {
        std::optional<uint64_t> maxSteps;  // instructions
        std::optional<uint64_t> maxCycles; // stops after the instruction that reaches it
    };
    // Runs until a stop: a breakpoint, an unknown opcode, an unimplemented IO address, a
    // stopped clock (STOP), a wait that nothing can end, stop(), or a limit. Returns why
    // (StepLimit/CycleLimit for the limits). Refused (returning None) while a run is in progress: a
    // nested run would pile up run loops on the stack.
    StopReason run(const RunLimits& Limits = {});
    // Executes one instruction (with any interrupt or reset entry before it); None unless
    // something stopped it. Refused while a run is in progress.
    StopReason step();
    // Ends a run in progress after the current instruction.
    void stop() { Core.Stop(StopReason::User); }
    bool isRunning() const { return Core.IsRunning(); }
    StopReason lastStopReason() const { return Core.LastStopReason(); }

    // Breakpoints by address. The core's table holds the enabled ones (one lookup per
    // instruction); conditions, hit counts and disabled breakpoints are kept here and looked at
    // only when the core stops at one.
    bool hasBreakpoint(uint32_t Address) const;
    // Active: sets or enables it (keeping its settings); not active: removes it.
    void setBreakpoint(uint32_t Address, bool Active);
    // Sets a missing or disabled breakpoint, removes an enabled one; returns whether it is set
    // afterwards.
    bool toggleBreakpoint(uint32_t Address);
    void clearBreakpoints();
    // The enabled breakpoints' addresses, ascending.
    std::vector<uint32_t> breakpoints() const;

    struct BreakpointInfo {
        uint32_t Address = 0;
        bool Enabled = true;
        QString Condition;      // a watch expression compared with a value; empty: none
        uint32_t HitTarget = 0; // stops from the HitTarget-th pass on (0 and 1: at every pass)
        uint32_t Hits = 0;      // passes with the condition true since it was set
    };
    // Every breakpoint, disabled ones too, by address.
    std::vector<BreakpointInfo> breakpointList() const;
    void setBreakpointEnabled(uint32_t Address, bool Enabled);
    // An empty text removes the condition. A bad one changes nothing: false, and *Error says
    // why in German. Either way of setting it starts the count of passes afresh.
    bool setBreakpointCondition(uint32_t Address, const QString& Condition, QString* Error);
    void setBreakpointHitTarget(uint32_t Address, uint32_t Passes);

    // Data breakpoints: a run stops after the instruction that reads, writes (or either) an
    // address in the range. Only the watched addresses leave the core's fast memory path.
    enum class Access : uint8_t { Read = 1, Write = 2, Either = 3 };
    struct DataBreakpoint {
        uint32_t Address = 0;
        uint32_t Length = 1;
        Access Kind = Access::Write;
    };
    // False (and *Error in German) for an empty range or one that passes $FFFF.
    bool addDataBreakpoint(uint32_t Address, uint32_t Length, Access Kind,
                           QString* Error = nullptr);
    void removeDataBreakpoint(size_t Index);
    void clearDataBreakpoints();
    const std::vector<DataBreakpoint>& dataBreakpoints() const { return DataBreakpoints; }
    // The access that stopped the last run with StopReason::Watch.
    const TCPU_68HC11_::TWatchHit& lastWatchHit() const { return Core.LastWatchHit; }
    // It in German: "$E012 (LOOP+3) schrieb $05 nach $0040 (COUNT)".
    QString watchHitText() const;

    // Executes the instruction at PC; a JSR, BSR or SWI runs until the instruction after it is
    // reached with the stack pointer where it was (recursion and interrupts in between do not
    // end it). Stops of every kind end it earlier; None when it ends as it should.
    StopReason stepOver();
    // Runs until an RTS or RTI leaves the stack pointer above where it stands now: the current
    // subroutine or interrupt routine has returned. None then.
    StopReason stepOut();
    // Runs until the instruction at Address is about to execute (None then), or another stop.
    StopReason runTo(uint32_t Address);
    // The address after the JSR, BSR or SWI at Address, or nothing for other instructions.
    std::optional<uint32_t> returnAddressOfCall(uint32_t Address) const;

    // The chain of calls and interrupt entries that led to PC, oldest first, as far as it was
    // seen: recorded while call tracking is on (turning it on starts from an empty chain).
    void setCallTracking(bool On);
    bool callTracking() const { return Core.TrackCalls; }
    std::vector<TCPU_68HC11_::TCallFrame> callStack() const;
    // The addresses of the last executed instructions (up to 16), oldest first.
    std::vector<uint32_t> recentPCs() const;

    // Reads a stimulus file (see Stimulus.h) and plays it from now on, replacing any earlier
    // one. False, with a German message naming the file and line, when it cannot be used;
    // nothing changes then.
    bool loadStimulus(const QString& FileName, QString* Error = nullptr);
    void setStimulus(std::vector<StimulusEvent> Events) { Stimulus.setEvents(std::move(Events)); }

    // Input pins of a port driven from outside; output pins keep their level.
    void setPortInput(Port P, int32_t Value) {
        Environment.SetPortInput(P, Value);
        Signals.port(Core.CycleCount, P, portPins(P));
    }

    // Every change of a pin and every interrupt entry, with its cycle (the cycle at which the
    // instruction that made it began, or the instruction boundary at which a device made it).
    const SignalRecorder& signalRecord() const { return Signals; }
    // Starts the record afresh from now (a load does so too).
    void restartSignalRecord();
    int32_t portPins(Port P) const { return Environment.PortPins[P]; }
    // A program wrote a port (or a register that sets its directions).
    std::function<void(Port)> OnPortChange;

    // The voltage at port E's pin Pin (0-7) for the A/D converter, clamped to 0..5 V (VRL and
    // VRH of the board); other pins are ignored. The pin's digital level follows it (high from
    // 2.5 V on), so that a read of PORTE agrees with it; a digital level set later through
    // setPortInput leaves the voltage alone.
    void setAnalogInput(int Pin, double Volts);
    double analogInput(int Pin) const { return Environment.Adc.Input(Pin); }
    // The result the converter gives for Volts (0..5 V to $00..$FF).
    static int converterValue(double Volts) { return THC11Adc::ConverterValue(Volts); }
    // Queues the simulated SPI slave's answers: each transfer of the master shifts in the next
    // one ($FF once they are used up).
    void spiAnswer(const QByteArray& Bytes) {
        for (char b : Bytes)
            Environment.Spi.Answers.push_back(static_cast<uint8_t>(b));
    }
    // Each byte the master shifted out over the SPI, at the end of its transfer.
    std::function<void(uint8_t)> OnSpiTransmit;

    // The IRQ and XIRQ pins as the outside drives them; Low asserts the request.
    void setIrqPin(bool Low) {
        Environment.SetIRQPin(Low);
        Signals.pin(Core.CycleCount, SignalRecorder::IrqSignal, !Low);
    }
    void setXirqPin(bool Low) {
        Environment.SetXIRQPin(Low);
        Signals.pin(Core.CycleCount, SignalRecorder::XirqSignal, !Low);
    }
    // The SCI's receive queue: bytes waiting to be received, fed to the receiver one frame at a
    // time at the baud rate the program set, from when it sets RE; nothing is lost while the
    // receiver is off. sciPending counts the bytes not yet received (the one on the line too).
    void sciType(const QByteArray& Bytes) {
        Environment.Sci.Type(reinterpret_cast<const uint8_t*>(Bytes.constData()),
                             static_cast<size_t>(Bytes.size()));
    }
    int sciPending() const { return Environment.Sci.Pending(); }
    // Every byte the SCI's transmitter finishes (after its last stop bit); unset costs nothing.
    std::function<void(uint8_t Byte)> OnSciTransmit;
    // Queues a break character (a frame of 0s): the program receives $00 with FE set.
    void sciBreak() { Environment.Sci.TypeBreak(); }
    // PD1 and PD0 follow TxD and RxD bit by bit in portPins and the signal record (on by
    // default; each level change is an event). Off, PD1 shows TxD idle high.
    void setSerialLineEvents(bool On) { Environment.Sci.SetLineEvents(On); }
    // The SCI's line format in German: "9600 Baud, 8N1" (the bit rate at the E clock of
    // setEClock, a standard rate when it lies within 1 % of one; 9N1 with M), or "Sender aus"
    // while TE is clear.
    QString sciFormat() const;

    // The COP watchdog: off unless turned on; the change takes effect at once.
    void setCopEnabled(bool Enabled) { Environment.SetCOPEnabled(Enabled); }
    bool copEnabled() const { return Environment.COPEnabled(); }

    // The address space as the program sees it, without side effects: reading an IO register
    // never clears a flag or reports anything; an address no device simulates reads 0.
    uint8_t peek(uint32_t Address) const;
    // Writes a byte: RAM and ROM directly (a debugger may patch ROM), an IO register as a
    // program write would (ports follow), an IO address that is not simulated not at all.
    void poke(uint32_t Address, uint8_t Value);

    uint32_t registerValue(Register R) const;
    // Takes the value modulo the register's width.
    void setRegister(Register R, uint32_t Value);

    // The cycle profile: executions and cycles per instruction address while on (off by
    // default; off, it costs nothing). Turning it on keeps what was counted before.
    void setProfiling(bool On);
    bool profiling() const { return ProfilingField; }
    // Null until profiling was first turned on.
    const CycleProfile* profile() const { return Profile.get(); }
    void clearProfile() {
        if (Profile) Profile->clear();
    }
    // Called after every step with its cycles (the runner's trace); unset costs nothing.
    void setStepHook(std::function<void(int32_t Cycles)> Hook);

    // Cycles per label range (a label's address up to the next label: a subroutine, a loop),
    // most first; cycles before the first label count under an empty name.
    std::vector<std::pair<QString, uint64_t>> profileByLabel() const;

    // The loaded program's symbols (empty before the first load).
    const SymbolTable& symbols() const { return Symbols; }
    // The label at or before Address, with the distance ("LOOP", "LOOP+3"); see
    // SymbolTable::nameFor.
    QString symbolFor(uint32_t Address) const { return Symbols.nameFor(Address); }
    // The same, but empty when the label lies more than 255 bytes before the address: a note
    // beside an address or value that names something near it, not a far-off label.
    QString nearSymbolFor(uint32_t Address) const;

    // Tenths of a simulated second, counted by the clock device since the machine was made.
    int32_t timeTenths() const { return TimeTenths; }
    // Every ClockTimerCycles cycles, from inside the run loop.
    std::function<void()> OnClockTick;
    // A reset has reached the devices (the reset request is cleared then).
    std::function<void()> OnReset;

  private:
    TCPU_68HC11_ Core;
    TCPU_68HC11_Environment Environment;
    TCPUExternal Clock;
    StimulusPlayer Stimulus;
    std::unique_ptr<LoadedProgram> Program;
    // Writes the bytes of an S-record, Intel HEX or ELF file, and its start address.
    void writeImage(const ProgramImage& Image);
    // At the run loop's pump points: waits as long as the pace asks, then lets the front end in.
    void pump();

    void updateAfterStep();
    // The run loop under the limits; resumes past breakpoints whose condition or hit count say
    // go on, and ends at the run-to target.
    StopReason runFiltered(const RunLimits& Limits);
    StopReason runChunked(const RunLimits& Limits);
    // Whether the breakpoint at Address stops a run now (counts the pass).
    bool breakpointStops(uint32_t Address);
    StopReason runToTarget(uint32_t Address, std::optional<uint32_t> StackPointer);
    void applyWatches();
    // Sets the core's mark, or during a run to that address the user's mark kept aside.
    void markBreakpoint(uint32_t Address, bool Active);

    struct BreakpointSettings {
        bool Enabled = true;
        QString ConditionText;
        std::shared_ptr<const BreakpointCondition> Condition;
        uint32_t HitTarget = 0;
        uint32_t Hits = 0;
    };
    std::map<uint32_t, BreakpointSettings> BreakpointExtras;
    std::vector<DataBreakpoint> DataBreakpoints;
    // A run to an address: where, with which stack pointer (if any), and whether the user
    // has a breakpoint of their own there.
    struct RunTarget {
        uint32_t Address = 0;
        std::optional<uint32_t> StackPointer;
        bool UserBreakpoint = false;
    };
    std::optional<RunTarget> Target;
    // Step out: the stack pointer a return must rise above; set while it runs.
    std::optional<uint32_t> StepOutStack;
    bool StepOutDone = false;

    QString ProgramFile;
    SymbolTable Symbols;
    bool ProfilingField = false;
    std::unique_ptr<CycleProfile> Profile;
    std::function<void(int32_t)> StepHook;
    int32_t TimeTenths = 0;
    std::function<void()> FrontPump;
    SpeedPacer Pacer;
    SignalRecorder Signals;
};

// The short name of a stop reason, as the runner prints it ("breakpoint", "opcode", ...).
const char* stopReasonName(StopReason Reason);
