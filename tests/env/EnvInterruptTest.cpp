// The interrupt request lines that the flag and mask registers drive, and the real-time
// interrupt: its four rates in CPU cycles and the reset of its state.
#include "EnvTestSupport.h"

#include <gtest/gtest.h>

namespace {

using Env = TCPU_68HC11_Enviroment;

std::vector<int> RaisedLines(const TCPU_68HC11_& Cpu) {
    std::vector<int> lines;
    for (int n = 0; n < 64; ++n)
        if (Cpu.PendingInterrupt(n)) lines.push_back(n);
    return lines;
}

TEST(EnvInterrupts, EachLineFollowsItsFlagAndMaskBit) {
    struct Row {
        uint32_t MaskRegister; // the flag register follows it
        int32_t Env::*Flags;
        int32_t Bit;
        int Line;
    };
    const Row rows[] = {
        {0x1024, &Env::TFLG2, 0x10, 13}, {0x1024, &Env::TFLG2, 0x20, 14},
        {0x1024, &Env::TFLG2, 0x80, 15}, {0x1022, &Env::TFLG1, 0x08, 16},
        {0x1022, &Env::TFLG1, 0x10, 17}, {0x1022, &Env::TFLG1, 0x20, 18},
        {0x1022, &Env::TFLG1, 0x40, 19}, {0x1022, &Env::TFLG1, 0x80, 20},
        {0x1022, &Env::TFLG1, 0x01, 21}, {0x1022, &Env::TFLG1, 0x02, 22},
        {0x1022, &Env::TFLG1, 0x04, 23}, {0x1024, &Env::TFLG2, 0x40, 24},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "line " << row.Line);
        TEnvSystem sys;
        sys.Env.*row.Flags = 0xFF;
        sys.Write(row.MaskRegister, row.Bit);
        EXPECT_EQ(RaisedLines(sys.Cpu), std::vector<int>{row.Line});
        sys.Write(row.MaskRegister + 1, row.Bit); // acknowledging the flag drops the line
        EXPECT_TRUE(RaisedLines(sys.Cpu).empty());
        sys.Env.*row.Flags = 0xFF;
        sys.Write(row.MaskRegister, row.Bit);
        sys.Write(row.MaskRegister, 0); // so does clearing the mask
        EXPECT_TRUE(RaisedLines(sys.Cpu).empty());
    }
}

TEST(EnvInterrupts, ResetDropsEarlierRequestsAndLeavesOtherLinesAlone) {
    TEnvSystem sys;
    for (int n : {11, 25, 26, 31})
        sys.Cpu.SetPendingInterrupt(n, true);
    sys.Write(0x1024, 0x40);
    sys.Env.HandleTimer(1);
    sys.Env.HandleTimer(1);
    ASSERT_TRUE(sys.Cpu.PendingInterrupt(24));
    sys.Cpu.ResetExternals();
    EXPECT_EQ(RaisedLines(sys.Cpu), (std::vector<int>{11, 25, 26, 31}));
}

// Runs two-cycle NOPs with interrupts masked; returns the cycle count at which line 24 rises.
int64_t CyclesUntilRti(TEnvSystem& Sys, int64_t Limit) {
    while (!Sys.Cpu.PendingInterrupt(24) && Sys.Cpu.CycleCount < Limit) {
        if (Sys.Cpu.PC >= 0xF000) Sys.Cpu.PC = 0x2000; // stay inside the NOPs
        Sys.Cpu.Step(1);
    }
    return Sys.Cpu.CycleCount;
}

TEST(EnvInterrupts, RtiPeriodInCpuCyclesForAllFourRates) {
    for (int32_t rate = 0; rate < 4; ++rate) {
        TEnvSystem sys;
        std::fill(sys.Cpu.Memory.begin() + 0x2000, sys.Cpu.Memory.end(), 0x01); // NOP
        sys.Cpu.PC = 0x2000;
        sys.Cpu.I = true;
        sys.Write(0x1026, rate);
        sys.Write(0x1024, 0x40);
        const int64_t period = int64_t{8192} << rate;
        EXPECT_EQ(CyclesUntilRti(sys, 4 * period), period) << "rate " << rate;
        sys.Write(0x1025, 0x40);
        EXPECT_EQ(CyclesUntilRti(sys, 4 * period), 2 * period) << "rate " << rate;
    }
}

TEST(EnvInterrupts, LoweringTheRateBelowTheCountGivesTheNextRtiAtOnce) {
    TEnvSystem sys;
    sys.Write(0x1026, 0x03); // 16 ticks
    for (int t = 0; t < 10; ++t)
        sys.Env.HandleTimer(1);
    EXPECT_EQ(sys.Env.TFLG2, 0);
    sys.Write(0x1026, 0x00); // 2 ticks, while the counter stands at 10
    sys.Env.HandleTimer(1);
    EXPECT_EQ(sys.Env.TFLG2, 0x40);
}

// A processor that is not a 68HC11: the environment serves its block but raises no lines.
class TOtherCPU : public TCustomCPU {
  public:
    int32_t ReadMemory(uint32_t Address) override {
        int32_t data = 0;
        ExternalRead(Address, data);
        return data;
    }
    void WriteMemory(uint32_t Address, int32_t Value) override { ExternalWrite(Address, Value); }
    void MapExternalMemory(uint32_t, uint32_t) override {}
    void UnmapExternalMemory(uint32_t, uint32_t) override {}
    bool IsBreakpoint(uint32_t) override { return false; }
    void SetBreakpoint(uint32_t, bool) override {}
    int32_t ExecuteInstruction() override { return 4; }
    void TraceFrom(uint32_t) override {}
};

TEST(EnvInterrupts, OnAnotherKindOfCpuTheLineUpdateIsSkipped) {
    TOtherCPU cpu;
    TRecordingSink sink;
    cpu.MessageSink = &sink;
    TCPU_68HC11_Enviroment env;
    env.SetCPU(&cpu);
    cpu.WriteMemory(0x1024, 0x40);
    cpu.Step(5000); // RTI ticks
    cpu.ResetExternals();
    cpu.WriteMemory(0x1023, 0xFF);
    EXPECT_EQ(cpu.ReadMemory(0x103D), 0x01);
    EXPECT_TRUE(sink.Shown.empty());
    env.SetCPU(nullptr);
}

} // namespace
