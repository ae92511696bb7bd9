// The processor-independent framework: device tables, windows, timers and the run loop,
// driven through a tiny processor whose every instruction takes a fixed number of cycles.
#include "cpu/CPU.h"
#include "cpu/CPUExternal.h"

#include <QVariant>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

class TFakeCPU : public TCustomCPU {
public:
    int32_t CyclesPerInstruction = 4;
    int64_t Executed = 0;
    std::array<bool, 65536> Mapped{}, Breaks{};
    uint32_t PC = 0;

    int32_t ReadMemory(uint32_t Address) override {
        int32_t data = -1;
        if (Mapped[Address]) ExternalRead(Address, data);
        return data;
    }
    void WriteMemory(uint32_t Address, int32_t Value) override {
        if (Mapped[Address]) ExternalWrite(Address, Value);
    }
    void MapExternalMemory(uint32_t Base, uint32_t Size) override { Mark(Base, Size, true); }
    void UnmapExternalMemory(uint32_t Base, uint32_t Size) override { Mark(Base, Size, false); }
    bool IsBreakpoint(uint32_t Address) override { return Breaks[Address & 0xFFFF]; }
    void SetBreakpoint(uint32_t Address, bool Value) override { Breaks[Address & 0xFFFF] = Value; }
    int32_t ExecuteInstruction() override {
        ++Executed;
        PC = (PC + 1) & 0xFFFF;
        if (OnInstruction) OnInstruction();
        if (IsBreakpoint(PC)) Stop(StopReason::Breakpoint);
        return CyclesPerInstruction;
    }
    std::function<void()> OnInstruction;

private:
    void Mark(uint32_t Base, uint32_t Size, bool Value) {
        for (uint32_t a = Base; a < Base + Size && a < 0x10000; ++a) Mapped[a] = Value;
    }
};

// A device that records what reaches it.
class TRecordingDevice : public TCustomOneMemoryCPUExternal {
public:
    using TCustomOneMemoryCPUExternal::TCustomOneMemoryCPUExternal;
    int32_t ReadAnswer = 0;
    int Reads = 0, Writes = 0;
    std::vector<int64_t> Expiries; // the CPU's cycle count at each timer call
    bool MemoryRead(uint32_t, int32_t& Data) override {
        ++Reads;
        Data = ReadAnswer;
        return true;
    }
    bool MemoryWrite(uint32_t, int32_t) override { return ++Writes; }
    bool HandleTimer(int32_t MagicNr) override {
        EXPECT_EQ(MagicNr, 1);
        Expiries.push_back(CPU() ? CPU()->CycleCount : -1);
        return true;
    }
};

int Count(const TCustomCPU& Cpu, int32_t Index, bool Timers) {
    int n = 0;
    if (Timers) {
        for (const auto& t : Cpu.Timers()) n += t.ExternalIndex == Index;
    } else {
        for (const auto& w : Cpu.MemoryWindows()) n += w.ExternalIndex == Index;
    }
    return n;
}

TEST(RunLoop, StepExecuteAndTheMessagePump) {
    TFakeCPU cpu;
    int pumps = 0;
    cpu.MessagePump = [&] { ++pumps; };
    cpu.Step(1); // one instruction; the first service follows it at once
    EXPECT_EQ(cpu.Executed, 1);
    EXPECT_FALSE(cpu.IsRunning());
    EXPECT_EQ(pumps, 1);
    cpu.Execute(0);
    EXPECT_EQ(cpu.Executed, 1);
    cpu.Execute(3); // runs one even with Running false on entry
    EXPECT_EQ(cpu.Executed, 2);
    cpu.Step(25000 - 2); // 100000 cycles in all: a pump about every 10000
    EXPECT_GE(pumps, 10);
    EXPECT_LE(pumps, 11);
    cpu.MessagePump = [&] {
        if (++pumps == 15) cpu.Stop();
    };
    cpu.Run();
    EXPECT_EQ(pumps, 15);
    EXPECT_EQ(cpu.LastStopReason(), StopReason::User);
    EXPECT_EQ(cpu.InstructionCount, uint64_t(cpu.Executed));
}

TEST(RunLoop, StopReasonsAreValuesAndTheFirstOfTheListWinsWithinAStep) {
    TFakeCPU cpu;
    cpu.SetBreakpoint(3, true);
    const std::pair<std::vector<StopReason>, StopReason> cases[] = {
        {{}, StopReason::Breakpoint}, // only the breakpoint at PC 3
        {{StopReason::UnknownOpcode}, StopReason::UnknownOpcode},
        {{StopReason::User, StopReason::UnimplementedIO}, StopReason::UnimplementedIO},
        {{StopReason::UnimplementedIO, StopReason::User}, StopReason::UnimplementedIO},
    };
    for (const auto& [requests, expected] : cases) {
        cpu.PC = 1;
        cpu.OnInstruction = [&, requests = requests] {
            if (cpu.PC == 3)
                for (StopReason r : requests) cpu.Stop(r);
        };
        cpu.Run();
        EXPECT_EQ(std::pair(cpu.PC, cpu.LastStopReason()), std::pair(3u, expected));
    }
    cpu.OnInstruction = nullptr;
    cpu.Stop(); // a request while idle is forgotten when the next run starts
    cpu.Step(1);
    EXPECT_EQ(std::pair(cpu.PC, cpu.LastStopReason()), std::pair(4u, StopReason::None));
}

TEST(RunLoop, TheStepHookSeesEveryInstructionAndAFailedRunIsOver) {
    TFakeCPU cpu;
    std::vector<uint64_t> seen;
    cpu.AfterStep = [&](int32_t Cycles) {
        EXPECT_EQ(Cycles, 4);
        seen.push_back(cpu.InstructionCount);
    };
    cpu.Step(3);
    cpu.AfterStep = nullptr;
    cpu.Step(2);
    EXPECT_EQ(seen, (std::vector<uint64_t>{1, 2, 3}));
    EXPECT_EQ(cpu.InstructionCount, 5u);
    // Whatever an instruction throws leaves the loop with the CPU idle, ready for the next run.
    cpu.OnInstruction = [] { throw 7; };
    EXPECT_THROW(cpu.Run(), int);
    EXPECT_FALSE(cpu.IsRunning());
    EXPECT_THROW(cpu.Step(2), int);
    EXPECT_FALSE(cpu.IsRunning());
}

TEST(RunLoop, BreakpointStopsBeforeTheMarkedInstructionAndRunAgainPassesIt) {
    TFakeCPU cpu;
    cpu.SetBreakpoint(100, true);
    cpu.SetBreakpoint(300, true);
    cpu.Run();
    EXPECT_EQ(cpu.PC, 100u);
    EXPECT_EQ(cpu.Executed, 100);
    cpu.Run();
    EXPECT_EQ(cpu.PC, 300u);
}

TEST(RunLoop, LongInstructionsNeitherWrapTheCycleCountNorOverflowCountdowns) {
    TFakeCPU cpu;
    cpu.CyclesPerInstruction = 1 << 20;
    TRecordingDevice dev;
    dev.SetTimerClocks(-5); // expires at every service
    dev.SetCPU(&cpu);
    cpu.Step(4096); // 2^32 cycles
    EXPECT_EQ(cpu.CycleCount, int64_t{1} << 32);
    EXPECT_EQ(dev.Expiries.size(), 4096u);
}

TEST(Timers, ExpiryCarriesTheOvershoot) {
    TFakeCPU cpu;
    cpu.CyclesPerInstruction = 5;
    TRecordingDevice dev;
    dev.SetTimerClocks(4096);
    dev.SetCPU(&cpu);
    cpu.Step(1700);
    // 4096 is first reached at 4100 (overshoot 4): the next expiry is due 4092 cycles later.
    ASSERT_GE(dev.Expiries.size(), 2u);
    EXPECT_EQ(dev.Expiries[0], 4100);
    EXPECT_EQ(dev.Expiries[1], 8195);
}

TEST(Timers, TableFullRefusesAndTheFreedEntryIsReused) {
    TFakeCPU cpu;
    for (int i = 0; i < TCustomCPU::MaxTimers; ++i) ASSERT_TRUE(cpu.AddTimer(7, 1000 + i, i));
    EXPECT_FALSE(cpu.AddTimer(7, 5, 999));
    cpu.RemoveTimer(7, 42);
    EXPECT_TRUE(cpu.AddTimer(8, 5, 500));
    EXPECT_EQ(cpu.Timers()[42].ExternalIndex, 8);
    EXPECT_EQ(cpu.Timers()[99].MagicNr, 99);
}

TEST(Windows, DispatchAskEveryCoveringDeviceInOrderAndRemoveTakesEveryMatch) {
    TFakeCPU cpu;
    TRecordingDevice first, second;
    first.ReadAnswer = 0x11;
    second.ReadAnswer = 0x22;
    first.SetMemoryBase(0x1000);
    first.SetMemorySize(0x40);
    second.SetMemoryBase(0x1030);
    second.SetMemorySize(0x10);
    first.SetCPU(&cpu);
    second.SetCPU(&cpu);
    EXPECT_EQ(cpu.ReadMemory(0x1000), 0x11);
    EXPECT_EQ(cpu.ReadMemory(0x1031), 0x22); // both asked, the later answer wins
    EXPECT_EQ(first.Reads, 2);
    cpu.WriteMemory(0x1035, 0x5A);
    EXPECT_EQ(first.Writes + second.Writes, 2);

    EXPECT_TRUE(cpu.AddMemoryWindow(3, 0x2000, 0x10));
    EXPECT_TRUE(cpu.AddMemoryWindow(3, 0x2000, 0x10));
    cpu.RemoveMemoryWindow(3, 0x3000); // no such base: nothing changes
    EXPECT_EQ(Count(cpu, 3, false), 2);
    cpu.RemoveMemoryWindow(3, 0x2000);
    EXPECT_EQ(Count(cpu, 3, false), 0);
}

TEST(Devices, TheWindowsClockTicksEveryHundredThousandCyclesAndHearsResets) {
    TFakeCPU cpu;
    TCPUExternal clock;
    clock.setProperty("TimerClocks", 100000);
    clock.setProperty("MemoryBase", 0xFF00u);
    std::vector<int64_t> ticks;
    int resets = 0;
    clock.OnTimer = [&](int32_t) { return ticks.push_back(cpu.CycleCount), true; };
    clock.OnReset = [&] { ++resets; };
    clock.SetCPU(&cpu);
    EXPECT_FALSE(cpu.Mapped[0xFF00]); // an empty window covers nothing
    cpu.Step(75000);
    EXPECT_EQ(ticks, (std::vector<int64_t>{100000, 200000, 300000}));
    cpu.ResetExternals();
    EXPECT_EQ(resets, 1);
}

TEST(Devices, AttachTakesTheLowestFreeSlotAndPropertiesReRegisterOnce) {
    TFakeCPU cpu;
    TRecordingDevice a, b, c;
    a.SetCPU(&cpu);
    b.SetCPU(&cpu);
    a.SetCPU(nullptr);
    c.SetCPU(&cpu);
    EXPECT_EQ(b.ExternalIndex(), 1);
    EXPECT_EQ(c.ExternalIndex(), 0);
    b.SetMemorySize(4);
    b.SetMemoryBase(0x3000);
    b.ReadAnswer = 9;
    b.SetMemoryBase(0x4000); // the window moves
    EXPECT_EQ(cpu.ReadMemory(0x3002), -1);
    EXPECT_EQ(cpu.ReadMemory(0x4003), 9);
    b.SetTimerClocks(50);
    b.SetCPU(&cpu); // the same CPU again: still one window and one timer
    EXPECT_EQ(Count(cpu, b.ExternalIndex(), false), 1);
    EXPECT_EQ(Count(cpu, b.ExternalIndex(), true), 1);
}

TEST(Devices, GoingAwayOnEitherSideLeavesNoDanglingReference) {
    auto cpu = std::make_unique<TFakeCPU>();
    auto dev = std::make_unique<TRecordingDevice>();
    dev->SetMemorySize(0x10);
    dev->SetTimerClocks(10);
    dev->SetCPU(cpu.get());
    dev.reset();
    EXPECT_FALSE(cpu->Mapped[0]);
    EXPECT_EQ(Count(*cpu, 0, true), 0);
    cpu->Step(100); // no timer or window reaches the vanished device
    TRecordingDevice survivor;
    survivor.SetCPU(cpu.get());
    cpu.reset();
    EXPECT_EQ(survivor.CPU(), nullptr);
}

} // namespace

namespace {

// A device with events at given cycles; it records the cycle count each time it is served.
class TEventDevice : public TCustomOneMemoryCPUExternal {
  public:
    using TCustomOneMemoryCPUExternal::TCustomOneMemoryCPUExternal;
    std::vector<int64_t> Due, Served;
    int64_t NextEventCycle() const override { return Due.empty() ? NoEvent : Due.front(); }
    void HandleEvents(int64_t Now) override {
        while (!Due.empty() && Due.front() <= Now) Due.erase(Due.begin());
        Served.push_back(Now);
    }
};

} // namespace

// Events are served at the first instruction boundary at or after their cycle, also when they
// were scheduled in the middle of a run; the other timers keep their pace.
TEST(RunLoop, DeviceEventsAreServedAtTheFirstBoundaryAtOrAfterTheirCycle) {
    TFakeCPU cpu; // 4 cycles an instruction
    TEventDevice dev;
    dev.SetTimerClocks(1000000);
    dev.SetCPU(&cpu);
    dev.Due = {10, 12, 41};
    cpu.EventsChanged(&dev);
    cpu.OnInstruction = [&] {
        if (cpu.PC == 20) { // at cycle 76, during the instruction that ends at 80
            dev.Due = {81, 200};
            cpu.EventsChanged(&dev);
        }
    };
    cpu.Step(60);
    EXPECT_EQ(dev.Served, (std::vector<int64_t>{12, 44, 84, 200}));
    EXPECT_TRUE(dev.Due.empty());
}
