#pragma once
// The processor-independent half of every simulated CPU: the tables of attached devices,
// memory windows and cycle timers, and the run loop (Run, Step, Stop, Execute) that calls the
// processor's one-instruction executor, counts cycles, serves the timers and now and then lets
// the window process its pending messages.

#include "cpu/MessageSink.h"

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>

class TCustomCPUExternal;

// Why the last run or step ended. When several causes meet in the same step, the one listed
// first wins (an unknown opcode is named rather than the breakpoint behind it).
enum class StopReason : uint8_t {
    None,            // no run yet, or the run ended because its instruction count was used up
    UnknownOpcode,   // the core met an opcode it cannot execute
    UnimplementedIO, // the program touched an IO register that is not simulated
    Halt,            // the program stopped the clock (STOP), or a Start found it stopped
    Deadlock,        // the program waits (WAI) for an interrupt that nothing can raise
    Breakpoint,      // the next instruction carries a breakpoint
    Watch,           // the last instruction accessed an address a data breakpoint watches
    User,            // Stop() from outside: the user, a test, a closing window
    StepLimit,       // a front end's instruction limit (Machine::run)
    CycleLimit,      // a front end's cycle limit (Machine::run)
};

// An address range whose reads and writes the CPU routes to one attached device.
struct TMemoryWindow {
    int32_t ExternalIndex = -1; // -1 marks a free entry
    uint32_t Base = 0;
    uint32_t Size = 0; // covers Base <= a < Base + Size
};

// A cycle timer that calls its device back every Period executed cycles.
struct TCPUTimer {
    int32_t ExternalIndex = -1; // -1 marks a free entry
    int32_t Period = 0;
    int32_t Countdown = 0;
    int32_t MagicNr = 0; // handed back to the device so it can tell its timers apart
};

class TCustomCPU : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxExternals = 100;
    static constexpr int MaxWindows = 100;
    static constexpr int MaxTimers = 100;
    // The window gets to process its messages at least this often (in cycles).
    static constexpr int32_t MessageInterval = 10000;
    // Instructions per Execute call of Run.
    static constexpr int32_t RunChunk = 10000000;

    explicit TCustomCPU(QObject* Owner = nullptr);
    ~TCustomCPU() override;

    // Processor-specific operations.
    virtual int32_t ReadMemory(uint32_t Address) = 0;
    virtual void WriteMemory(uint32_t Address, int32_t Value) = 0;
    virtual void MapExternalMemory(uint32_t Base, uint32_t Size) = 0;
    virtual void UnmapExternalMemory(uint32_t Base, uint32_t Size) = 0;
    virtual bool IsBreakpoint(uint32_t Address) = 0;
    virtual void SetBreakpoint(uint32_t Address, bool Value) = 0;
    virtual void ReadError();
    virtual void WriteError();
    // Executes exactly one instruction (with any interrupt entry before it); returns its cycles.
    virtual int32_t ExecuteInstruction() = 0;

    // Device table.
    int32_t AttachExternal(TCustomCPUExternal* Ext);
    void DetachExternal(TCustomCPUExternal* Ext);
    TCustomCPUExternal* External(int Index) const { return Externals[Index]; }

    // Memory windows and timers of attached devices.
    bool AddMemoryWindow(int32_t ExternalIndex, uint32_t Base, uint32_t Size);
    void RemoveMemoryWindow(int32_t ExternalIndex, uint32_t Base);
    bool AddTimer(int32_t ExternalIndex, int32_t Period, int32_t MagicNr);
    void RemoveTimer(int32_t ExternalIndex, int32_t MagicNr);
    const std::array<TMemoryWindow, MaxWindows>& MemoryWindows() const { return Windows; }
    const std::array<TCPUTimer, MaxTimers>& Timers() const { return TimerTable; }

    // Device-served memory: every covering window's device is asked, in table order.
    bool ExternalRead(uint32_t Address, int32_t& Data);
    bool ExternalWrite(uint32_t Address, int32_t Data);
    // Tells every attached device that the processor resets.
    void ResetExternals();
    // A device's next event has changed: the run loop's next service comes no later than it.
    void EventsChanged(const TCustomCPUExternal* Ext);
    // Whether any attached device may still raise a request the processor would accept.
    bool AnyExternalMayRequestInterrupt(bool Maskable, bool Xirq) const;

    // Run loop. Execute runs up to Count instructions and ends early when a stop is requested;
    // Run goes on until a stop; Step(Count) executes Count instructions unless a stop comes first.
    void Execute(int32_t Count);
    void ServiceTimers();
    void Run();
    void Step(int32_t Count);
    // Requests the end of the run after the current instruction and records why (a request
    // while idle is recorded too and forgotten when the next run starts).
    void Stop(StopReason Reason = StopReason::User) {
        if (StopReasonField == StopReason::None || Reason < StopReasonField)
            StopReasonField = Reason;
        Running = false;
    }
    // True from the start of Run or Step until it returns.
    bool IsRunning() const { return Running; }
    // Why the last Run or Step ended; None while running and after Step used up its count.
    StopReason LastStopReason() const { return StopReasonField; }

    // Reports a message through the installed sink (stderr when none is installed).
    TMsgResult ShowMessage(const QString& Text, const QString& Caption, TMsgIcon Icon,
                           TMsgButtons Buttons = TMsgButtons::Ok);

    // Total cycles executed since the object was created; never reset. 64 bits wide so that
    // it never turns negative in a long run.
    int64_t CycleCount = 0;
    int32_t CyclesToNextTimer = 0;
    int32_t CyclesSinceService = 0;
    int32_t MessageCountdown = 0;
    // Instructions executed since the object was created; never reset.
    uint64_t InstructionCount = 0;
    // A step that only lets time pass (the processor waits for an interrupt) ends at this
    // cycle count at the latest, so that a front end's cycle limit is met exactly.
    int64_t CycleHorizon = INT64_MAX;
    // Called after every instruction with its cycles when set; chosen once per Execute call,
    // so that an unset hook costs nothing per instruction.
    std::function<void(int32_t Cycles)> AfterStep;

    // Called when it is time to process pending window messages; unset in a headless run.
    std::function<void()> MessagePump;
    // Where message boxes go; not owned.
    TMessageSink* MessageSink = nullptr;

private:
    template <bool Traced> void ExecuteLoop(int32_t Count);
    // Marks the start of a run: running, no stop reason yet.
    void BeginRun() {
        Running = true;
        StopReasonField = StopReason::None;
    }
    void RemapWindows();
    void UpdateWindowsInUse();
    // Recomputes TimersInUse and ExternalsInUse after entries were freed.
    void UpdateTablesInUse();

    std::array<TCustomCPUExternal*, MaxExternals> Externals{};
    std::array<TMemoryWindow, MaxWindows> Windows{};
    int WindowsInUse = 0; // one past the last used entry of Windows
    std::array<TCPUTimer, MaxTimers> TimerTable{};
    int TimersInUse = 0;    // one past the last used entry of TimerTable
    int ExternalsInUse = 0; // one past the last used entry of Externals
    // Set while Run or Step is active; only Stop clears it from outside.
    bool Running = false;
    StopReason StopReasonField = StopReason::None;
};
