// Speed of the 68HC11 core through the full run loop (TCustomCPU::Execute with a timer device
// attached, as the main window runs it), reported as simulated E cycles per second.
#include "cpu/CPUExternal.h"
#include "hc11/C68HC11.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

struct TBenchMachine {
    TCPU_68HC11_ Cpu;
    TCPUExternal Clock;
    int64_t Ticks = 0;

    TBenchMachine() {
        Clock.SetTimerClocks(100000);
        Clock.SetMemoryBase(0xFF00);
        Clock.OnTimer = [this](int32_t) {
            ++Ticks;
            return true;
        };
        Clock.SetCPU(&Cpu);
    }
    void Put(uint32_t Address, const std::vector<uint8_t>& Bytes) {
        for (uint8_t b : Bytes)
            Cpu.Memory[Address++ & 0xFFFF] = b;
    }
};

void ReportCycles(benchmark::State& State, int64_t Cycles) {
    State.counters["cycles/s"] =
        benchmark::Counter(static_cast<double>(Cycles), benchmark::Counter::kIsRate);
}

// A memory scan: LDAA ind, INX, CPX imm, BNE (4 + 3 + 4 + 3 cycles per round).
void BM_ScanLoop(benchmark::State& State) {
    TBenchMachine m;
    m.Put(0xE000, {
                      0xCE, 0x20, 0x00, //       ldx  #$2000
                      0xA6, 0x00,       // loop: ldaa 0,x
                      0x08,             //       inx
                      0x8C, 0x3F, 0xFF, //       cpx  #$3FFF
                      0x26, 0xF8,       //       bne  loop
                      0x20, 0xF3,       //       bra  $E000
                  });
    m.Cpu.PC = 0xE000;
    m.Cpu.Running = true;
    const int64_t start = m.Cpu.CycleCount;
    for (auto _ : State)
        m.Cpu.Execute(1000000);
    ReportCycles(State, m.Cpu.CycleCount - start);
}
BENCHMARK(BM_ScanLoop)->Unit(benchmark::kMillisecond);

// The byte sieve of the examples (8191 flags, 25 passes, about 20.6 million E cycles).
void BM_Sieve(benchmark::State& State) {
    TBenchMachine m;
    m.Put(0xE000,
          {0x8E, 0x00, 0xFF, 0xCC, 0x00, 0x00, 0xDD, 0x04, 0xCE, 0x20, 0x00, 0x86, 0x01, 0xA7,
           0x00, 0x08, 0x8C, 0x3F, 0xFF, 0x26, 0xF8, 0xCC, 0x00, 0x00, 0xDD, 0x00, 0xCE, 0x20,
           0x00, 0x6D, 0x00, 0x27, 0x29, 0x3C, 0x8F, 0x83, 0x20, 0x00, 0x05, 0xC3, 0x00, 0x03,
           0xDD, 0x06, 0xDD, 0x02, 0x38, 0x3C, 0x8F, 0xD3, 0x06, 0x1A, 0x83, 0x3F, 0xFF, 0x24,
           0x08, 0x8F, 0x6F, 0x00, 0x8F, 0xD3, 0x06, 0x20, 0xF2, 0x18, 0xDE, 0x00, 0x18, 0x08,
           0x18, 0xDF, 0x00, 0x38, 0x08, 0x8C, 0x3F, 0xFF, 0x26, 0xCD, 0xDE, 0x04, 0x08, 0xDF,
           0x04, 0x8C, 0x00, 0x19, 0x25, 0xAE, 0xDC, 0x00, 0xDE, 0x02, 0x20, 0xFE});
    m.Cpu.SetBreakpoint(0xE05E, true);
    int64_t cycles = 0;
    for (auto _ : State) {
        m.Cpu.PC = 0xE000;
        const int64_t start = m.Cpu.CycleCount;
        m.Cpu.Step(11000000); // ends at the breakpoint on "done"
        cycles += m.Cpu.CycleCount - start;
    }
    if (m.Cpu.ReadWord(0x0000) != 1899) State.SkipWithError("sieve found the wrong prime count");
    ReportCycles(State, cycles);
}
BENCHMARK(BM_Sieve)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
