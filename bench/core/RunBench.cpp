// Simulated E-clock cycles per second of whole programs through the full run loop, as the main
// window runs them: CPU.Run with the on-chip environment and the 100000-cycle timer device
// attached, from the reset vector to the program's "done" line. Also the same loop with the
// runner's step-counting CPU, and with a message pump that reads the clock like the window's.

#include "runner/RunnerCPU.h"
#include "runner/SimulatedSystem.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

// Loader or program errors must not block a benchmark on a box.
class TCountingSink : public TMessageSink {
  public:
    TMsgResult Show(const QString&, const QString&, TMsgIcon, TMsgButtons) override {
        ++Count;
        return TMsgResult::Ok;
    }
    int Count = 0;
};

// The address of the listing line whose source text starts with "done:", or -1.
int32_t DoneAddress(const TKV_68HC11_ListFileLoader& Loader) {
    for (int32_t i = 0; i < Loader.LineCount(); ++i) {
        if (Loader.IsCodeLine(i) && Loader.Lines()[i].mid(40).startsWith("done:"))
            return Loader.LineAddress(i);
    }
    return -1;
}

template <class CPUType>
void RunProgram(benchmark::State& State, const std::string& Listing, bool WithPump) {
    CPUType cpu;
    TCountingSink sink;
    cpu.MessageSink = &sink;
    TSimulatedSystem system(cpu);
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
    cpu.SetBreakpoint(static_cast<uint32_t>(done), true);
    int64_t pumps = 0;
    if (WithPump) {
        // What a window's pump costs when nothing is pending: a look at the clock.
        cpu.MessagePump = [&pumps] {
            benchmark::DoNotOptimize(std::chrono::steady_clock::now());
            ++pumps;
        };
    }

    int64_t cycles = 0;
    for (auto _ : State) {
        system.RequestReset();
        const int64_t before = cpu.CycleCount;
        cpu.Run();
        cycles += cpu.CycleCount - before;
        if (cpu.PC != done || sink.Count != 0) {
            State.SkipWithError("the program did not reach its done line cleanly");
            return;
        }
    }
    State.counters["cycles/s"] =
        benchmark::Counter(static_cast<double>(cycles), benchmark::Counter::kIsRate);
    State.counters["cycles/run"] =
        benchmark::Counter(static_cast<double>(cycles) / static_cast<double>(State.iterations()));
    State.SetItemsProcessed(cycles);
}

const std::string BenchListing = TARVIK_EXAMPLES_DIR "/bench.lst";
const std::string SieveListing = TARVIK_SHARED_EXAMPLES_DIR "/sieve_bench.lst";

void BM_RunBenchProgram(benchmark::State& State) {
    RunProgram<TCPU_68HC11_>(State, BenchListing, false);
}
void BM_RunBenchProgramWithPump(benchmark::State& State) {
    RunProgram<TCPU_68HC11_>(State, BenchListing, true);
}
void BM_RunBenchProgramRunnerCPU(benchmark::State& State) {
    RunProgram<TRunnerCPU>(State, BenchListing, false);
}
void BM_RunSieveProgram(benchmark::State& State) {
    RunProgram<TCPU_68HC11_>(State, SieveListing, false);
}

BENCHMARK(BM_RunBenchProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunBenchProgramWithPump)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunBenchProgramRunnerCPU)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunSieveProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
