#pragma once
// Devices that attach to a CPU: they serve memory windows, receive cycle-timer callbacks and
// are told when the processor resets.

#include <QObject>
#include <cstdint>
#include <functional>

class TCustomCPU;

using TResetProcedure = std::function<void()>;
using TMemoryReadFunction = std::function<bool(uint32_t Address, int32_t& Data)>;
using TMemoryWriteFunction = std::function<bool(uint32_t Address, int32_t Data)>;
using THandleTimerFunction = std::function<bool(int32_t MagicNr)>;

class TCustomCPUExternal : public QObject {
    Q_OBJECT
public:
    explicit TCustomCPUExternal(QObject* Owner = nullptr);
    // A device that goes away leaves its CPU's tables.
    ~TCustomCPUExternal() override;

    TCustomCPU* CPU() const { return CPUField; }
    // Detaches from the current CPU (if any) and attaches to NewCPU; nullptr only detaches.
    void SetCPU(TCustomCPU* NewCPU);
    int32_t ExternalIndex() const { return ExternalIndexField; }

    // Called by the CPU.
    virtual bool MemoryRead(uint32_t Address, int32_t& Data);
    virtual bool MemoryWrite(uint32_t Address, int32_t Data);
    virtual void Reset();
    virtual bool HandleTimer(int32_t MagicNr);
    // Whether the device may still raise an interrupt request while the processor waits for
    // one: Maskable when the processor would accept maskable requests, Xirq when it would
    // accept XIRQ. A processor that waits and hears no device say yes can never wake.
    virtual bool MayRequestInterrupt(bool Maskable, bool Xirq) const;
    // Events at a cycle of their own (a compare match, the end of a frame): the cycle count at
    // which the device's next event is due, or NoEvent. The CPU calls HandleEvents at the
    // first instruction boundary at or after it; a device whose next event changes (a program
    // wrote a compare register) calls its CPU's EventsChanged.
    static constexpr int64_t NoEvent = INT64_MAX;
    virtual int64_t NextEventCycle() const { return NoEvent; }
    virtual void HandleEvents(int64_t Now) { (void)Now; }

    TResetProcedure OnReset;
    TMemoryReadFunction OnMemoryRead;
    TMemoryWriteFunction OnMemoryWrite;
    THandleTimerFunction OnTimer;

protected:
    // Called after the device was entered into NewCPU's table.
    virtual void Attached(TCustomCPU* NewCPU) = 0;

private:
    friend class TCustomCPU;
    TCustomCPU* CPUField = nullptr;
    int32_t ExternalIndexField = 0;
};

// A device with exactly one memory window and one timer, registered with the CPU on attach.
class TCustomOneMemoryCPUExternal : public TCustomCPUExternal {
    Q_OBJECT
public:
    using TCustomCPUExternal::TCustomCPUExternal;

    uint32_t MemoryBase() const { return MemoryBaseField; }
    uint32_t MemorySize() const { return MemorySizeField; }
    int32_t TimerClocks() const { return TimerClocksField; }
    void SetMemoryBase(uint32_t Value);
    void SetMemorySize(uint32_t Value);
    void SetTimerClocks(int32_t Value);

protected:
    void Attached(TCustomCPU* NewCPU) override;

private:
    bool Registered() const;
    uint32_t MemoryBaseField = 0;
    uint32_t MemorySizeField = 0;
    int32_t TimerClocksField = 0;
};

// The configurable device: a form sets its properties and events instead of writing a class.
class TCPUExternal : public TCustomOneMemoryCPUExternal {
    Q_OBJECT
    Q_PROPERTY(int TimerClocks READ TimerClocks WRITE SetTimerClocks)
    Q_PROPERTY(uint MemoryBase READ MemoryBase WRITE SetMemoryBase)
    Q_PROPERTY(uint MemorySize READ MemorySize WRITE SetMemorySize)
public:
    using TCustomOneMemoryCPUExternal::TCustomOneMemoryCPUExternal;
};
