// Simulated E-clock cycles per second of whole programs through the full run loop, as the main
// window runs them: CPU.Run with the on-chip environment and the 100000-cycle timer device
// attached, from the reset vector to the program's "done" line. Also the same loop with the
// runner's step-counting CPU.

#include "bench/BenchSupport.h"
#include "runner/RunnerCPU.h"
#include "runner/SimulatedSystem.h"

#include <memory>
#include <string>

namespace {

template <class CPUType> void RunProgram(benchmark::State& State, const std::string& Listing) {
    auto cpu = std::make_unique<CPUType>();
    TCountingSink sink;
    cpu->MessageSink = &sink;
    TSimulatedSystem system(*cpu);
    if (!system.ListFileLoader.LoadFromFile(QString::fromStdString(Listing))) {
        State.SkipWithError(("cannot read " + Listing).c_str());
        return;
    }
    system.ListFileLoader.LoadToMemory();
    const int32_t done = DoneAddress(system.ListFileLoader);
    if (done < 0) {
        State.SkipWithError("no done: line in the listing");
        return;
    }
    cpu->SetBreakpoint(static_cast<uint32_t>(done), true);
    int64_t cycles = 0;
    for (auto _ : State) {
        system.RequestReset();
        const int64_t before = cpu->CycleCount;
        cpu->Run();
        cycles += cpu->CycleCount - before;
        if (cpu->PC != done || sink.Count != 0) {
            State.SkipWithError("the program did not reach its done line cleanly");
            return;
        }
    }
    ReportCycles(State, cycles);
}

const std::string BenchListing = TARVIK_EXAMPLES_DIR "/bench.lst";
const std::string SieveListing = TARVIK_SHARED_EXAMPLES_DIR "/sieve_bench.lst";

void BM_RunBenchProgram(benchmark::State& State) {
    RunProgram<TCPU_68HC11_>(State, BenchListing);
}
void BM_RunBenchProgramRunnerCPU(benchmark::State& State) {
    RunProgram<TRunnerCPU>(State, BenchListing);
}
void BM_RunSieveProgram(benchmark::State& State) {
    RunProgram<TCPU_68HC11_>(State, SieveListing);
}

BENCHMARK(BM_RunBenchProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunBenchProgramRunnerCPU)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunSieveProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
