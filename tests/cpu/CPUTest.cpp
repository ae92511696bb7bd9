// The processor-independent framework: device tables, windows, timers and the run loop,
#include <QVariant>
// driven through a tiny processor whose every instruction takes a fixed number of cycles.
#include "cpu/CPU.h"
#include "cpu/CPUExternal.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class TFakeCPU : public TCustomCPU {
public:
    int32_t CyclesPerInstruction = 4;
    int64_t Executed = 0;
    std::array<uint8_t, 65536> Mapped{};
    std::array<bool, 65536> Breaks{};
    uint32_t PC = 0;

    int32_t ReadMemory(uint32_t Address) override {
        int32_t data = -1;
        if (Mapped[Address & 0xFFFF]) ExternalRead(Address, data);
        return data;
    }
    void WriteMemory(uint32_t Address, int32_t Value) override {
        if (Mapped[Address & 0xFFFF]) ExternalWrite(Address, Value);
    }
    void MapExternalMemory(uint32_t Base, uint32_t Size) override {
        for (uint32_t a = Base; a < Base + Size && a < 0x10000; ++a) Mapped[a] = 1;
    }
    void UnmapExternalMemory(uint32_t Base, uint32_t Size) override {
        for (uint32_t a = Base; a < Base + Size && a < 0x10000; ++a) Mapped[a] = 0;
    }
    bool IsBreakpoint(uint32_t Address) override { return Breaks[Address & 0xFFFF]; }
    void SetBreakpoint(uint32_t Address, bool Value) override { Breaks[Address & 0xFFFF] = Value; }
    int32_t ExecuteInstruction() override {
        ++Executed;
        PC = (PC + 1) & 0xFFFF;
        if (IsBreakpoint(PC)) Running = false;
        return CyclesPerInstruction;
    }
    void TraceFrom(uint32_t) override {}
};

// A device that records what reaches it.
class TRecordingDevice : public TCustomOneMemoryCPUExternal {
public:
    using TCustomOneMemoryCPUExternal::TCustomOneMemoryCPUExternal;
    int32_t ReadAnswer = 0;
    std::vector<int32_t> Timers;
    std::vector<std::pair<uint32_t, int32_t>> Writes;
    int Reads = 0;
    int Resets = 0;
    bool MemoryRead(uint32_t, int32_t& Data) override {
        ++Reads;
        Data = ReadAnswer;
        return true;
    }
    bool MemoryWrite(uint32_t Address, int32_t Data) override {
        Writes.emplace_back(Address, Data);
        return true;
    }
    void Reset() override { ++Resets; }
    bool HandleTimer(int32_t MagicNr) override {
        Timers.push_back(MagicNr);
        return true;
    }
};

int CountWindows(const TCustomCPU& cpu, int32_t index) {
    int n = 0;
    for (const auto& w : cpu.MemoryWindows()) n += w.ExternalIndex == index;
    return n;
}

int CountTimers(const TCustomCPU& cpu, int32_t index) {
    int n = 0;
    for (const auto& t : cpu.Timers()) n += t.ExternalIndex == index;
    return n;
}

TEST(RunLoop, StepExecutesExactlyOneInstructionAndExecuteZeroNone) {
    TFakeCPU cpu;
    cpu.Step(1);
    EXPECT_EQ(cpu.Executed, 1);
    EXPECT_FALSE(cpu.Running);
    EXPECT_EQ(cpu.CycleCount, 4);
    cpu.Execute(0);
    cpu.Execute(-5);
    EXPECT_EQ(cpu.Executed, 1);
    // Execute runs at least one instruction even when Running is false on entry.
    cpu.Execute(3);
    EXPECT_EQ(cpu.Executed, 2);
}

TEST(RunLoop, PumpRunsAboutEveryTenThousandCyclesWithoutTimers) {
    TFakeCPU cpu;
    int pumps = 0;
    cpu.MessagePump = [&] { ++pumps; };
    cpu.Step(1); // the first service follows the very first instruction
    EXPECT_EQ(pumps, 1);
    cpu.Step(25000 - 1); // 100000 cycles in all
    EXPECT_GE(pumps, 10);
    EXPECT_LE(pumps, 11);
}

TEST(RunLoop, RunEndsWhenThePumpStopsIt) {
    TFakeCPU cpu;
    int pumps = 0;
    cpu.MessagePump = [&] {
        if (++pumps == 3) cpu.Stop();
    };
    cpu.Run();
    EXPECT_FALSE(cpu.Running);
    EXPECT_EQ(pumps, 3);
    EXPECT_GT(cpu.Executed, 5000);
}

TEST(RunLoop, BreakpointEndsRunBeforeTheMarkedInstructionAndRunAgainPassesIt) {
    TFakeCPU cpu;
    cpu.SetBreakpoint(100, true);
    cpu.Run();
    EXPECT_EQ(cpu.PC, 100u);
    EXPECT_EQ(cpu.Executed, 100);
    cpu.SetBreakpoint(300, true);
    cpu.Run();
    EXPECT_EQ(cpu.PC, 300u);
}

TEST(RunLoop, CycleCountDoesNotTurnNegativePastTwoToTheThirtyOne) {
    TFakeCPU cpu;
    cpu.CyclesPerInstruction = 1 << 20;
    cpu.Step(4096); // 2^32 cycles
    EXPECT_EQ(cpu.CycleCount, int64_t{1} << 32);
}

TEST(Timers, ExpiryCarriesTheOvershoot) {
    TFakeCPU cpu;
    cpu.CyclesPerInstruction = 5;
    TRecordingDevice dev;
    dev.SetTimerClocks(4096);
    dev.SetCPU(&cpu);
    std::vector<int64_t> expiries;
    // 4096 is reached after 820 instructions (4100 cycles): overshoot 4, so the next expiry
    // falls 4092 cycles later, at 8192 -> first instruction reaching it ends at 8195.
    while (expiries.size() < 2) {
        const size_t before = dev.Timers.size();
        cpu.Step(1);
        if (dev.Timers.size() != before) expiries.push_back(cpu.CycleCount);
    }
    EXPECT_EQ(expiries[0], 4100);
    EXPECT_EQ(expiries[1], 8195);
    EXPECT_EQ(dev.Timers[0], 1);
}

TEST(Timers, TableFullRefusesAndFreedEntryIsReused) {
    TFakeCPU cpu;
    for (int i = 0; i < TCustomCPU::MaxTimers; ++i) ASSERT_TRUE(cpu.AddTimer(7, 1000 + i, i));
    EXPECT_FALSE(cpu.AddTimer(7, 5, 999));
    EXPECT_EQ(cpu.Timers()[99].MagicNr, 99);
    cpu.RemoveTimer(7, 42);
    EXPECT_EQ(cpu.Timers()[42].ExternalIndex, -1);
    EXPECT_TRUE(cpu.AddTimer(8, 5, 500));
    EXPECT_EQ(cpu.Timers()[42].ExternalIndex, 8);
    EXPECT_EQ(cpu.Timers()[42].MagicNr, 500);
    EXPECT_EQ(cpu.CyclesToNextTimer, 0); // a shorter period never lengthens the wait
}

TEST(Windows, EveryCoveringDeviceIsAskedInTableOrderAndTheLastAnswerWins) {
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
    EXPECT_EQ(cpu.ReadMemory(0x1031), 0x22);
    EXPECT_EQ(first.Reads, 2);
    EXPECT_EQ(second.Reads, 1);
    EXPECT_EQ(cpu.ReadMemory(0x1040), -1); // no window: the caller's initial Data stays
    cpu.WriteMemory(0x1035, 0x5A);
    ASSERT_EQ(first.Writes.size(), 1u);
    ASSERT_EQ(second.Writes.size(), 1u);
    EXPECT_EQ(second.Writes[0], std::make_pair(0x1035u, 0x5A)); // the full address
}

TEST(Windows, RemoveMatchesIndexAndBaseAndTakesEveryDuplicate) {
    TFakeCPU cpu;
    EXPECT_TRUE(cpu.AddMemoryWindow(3, 0x2000, 0x10));
    EXPECT_TRUE(cpu.AddMemoryWindow(3, 0x2000, 0x10));
    EXPECT_TRUE(cpu.AddMemoryWindow(4, 0x2000, 0x10));
    cpu.RemoveMemoryWindow(3, 0x3000);
    EXPECT_EQ(CountWindows(cpu, 3), 2);
    cpu.RemoveMemoryWindow(3, 0x2000);
    EXPECT_EQ(CountWindows(cpu, 3), 0);
    EXPECT_EQ(CountWindows(cpu, 4), 1);
    for (int i = 1; i < TCustomCPU::MaxWindows; ++i) ASSERT_TRUE(cpu.AddMemoryWindow(5, i, 1));
    EXPECT_FALSE(cpu.AddMemoryWindow(5, 0x9000, 1));
}

TEST(Devices, ConfiguredLikeTheWindowsClockTheyTickEveryHundredThousandCycles) {
    TFakeCPU cpu;
    TCPUExternal clock;
    clock.setProperty("TimerClocks", 100000);
    clock.setProperty("MemoryBase", 0xFF00u);
    clock.setProperty("MemorySize", 0u);
    std::vector<int64_t> ticks;
    int resets = 0;
    clock.OnTimer = [&](int32_t magic) {
        EXPECT_EQ(magic, 1);
        ticks.push_back(cpu.CycleCount);
        return true;
    };
    clock.OnReset = [&] { ++resets; };
    clock.SetCPU(&cpu);
    EXPECT_EQ(CountWindows(cpu, clock.ExternalIndex()), 1);
    EXPECT_EQ(cpu.Mapped[0xFF00], 0); // an empty window covers nothing
    cpu.Step(75000);                  // 300000 cycles
    EXPECT_EQ(ticks, (std::vector<int64_t>{100000, 200000, 300000}));
    cpu.ResetExternals();
    EXPECT_EQ(resets, 1);
}

TEST(Devices, AttachTakesTheLowestFreeSlotAndPropertiesReRegister) {
    TFakeCPU cpu;
    TRecordingDevice a, b, c;
    a.SetCPU(&cpu);
    b.SetCPU(&cpu);
    EXPECT_EQ(a.ExternalIndex(), 0);
    EXPECT_EQ(b.ExternalIndex(), 1);
    a.SetCPU(nullptr);
    c.SetCPU(&cpu);
    EXPECT_EQ(c.ExternalIndex(), 0);

    b.SetMemorySize(4);
    b.SetMemoryBase(0x3000);
    EXPECT_EQ(CountWindows(cpu, 1), 1);
    b.ReadAnswer = 9;
    EXPECT_EQ(cpu.ReadMemory(0x3002), 9);
    b.SetMemoryBase(0x4000); // the window moves
    EXPECT_EQ(cpu.ReadMemory(0x3002), -1);
    EXPECT_EQ(cpu.ReadMemory(0x4003), 9);
    b.SetTimerClocks(50);
    b.SetTimerClocks(60);
    EXPECT_EQ(CountTimers(cpu, 1), 1);
    // Assigning the same CPU again leaves exactly one window and one timer.
    b.SetCPU(&cpu);
    EXPECT_EQ(CountWindows(cpu, b.ExternalIndex()), 1);
    EXPECT_EQ(CountTimers(cpu, b.ExternalIndex()), 1);
}

TEST(Devices, GoingAwayOnEitherSideLeavesNoDanglingReference) {
    auto cpu = std::make_unique<TFakeCPU>();
    auto dev = std::make_unique<TRecordingDevice>();
    dev->SetMemoryBase(0x1000);
    dev->SetMemorySize(0x10);
    dev->SetTimerClocks(10);
    dev->SetCPU(cpu.get());
    dev.reset();
    EXPECT_EQ(cpu->External(0), nullptr);
    EXPECT_EQ(cpu->Mapped[0x1000], 0);
    EXPECT_EQ(CountTimers(*cpu, 0), 0);
    cpu->Step(100); // no timer or window reaches the vanished device

    TRecordingDevice survivor;
    survivor.SetCPU(cpu.get());
    cpu.reset();
    EXPECT_EQ(survivor.CPU(), nullptr);
}

TEST(Devices, UnsetEventsAnswerFalseAndLeaveData) {
    TCPUExternal dev;
    int32_t data = 77;
    EXPECT_FALSE(dev.MemoryRead(0x10, data));
    EXPECT_EQ(data, 77);
    EXPECT_FALSE(dev.MemoryWrite(0x10, 1));
    EXPECT_FALSE(dev.HandleTimer(1));
    dev.Reset();
}

} // namespace

namespace {

TEST(Timers, ANonPositivePeriodExpiresAtEveryServiceForever) {
    TFakeCPU cpu;
    cpu.CyclesPerInstruction = 1 << 20;
    TRecordingDevice dev;
    dev.SetTimerClocks(-5);
    dev.SetCPU(&cpu);
    cpu.Step(5000); // far more than 2^31 cycles of countdown
    EXPECT_EQ(dev.Timers.size(), 5000u);
    EXPECT_LE(cpu.Timers()[0].Countdown, 0);
}

} // namespace
