// What the debugger costs a run of the benchmark program (bench.lst) from its reset vector to
// its done line: a data breakpoint on a byte the program never touches (the watched address
// alone leaves the fast memory path), one on ROUNDS, which the program writes once per round
// (300 stops, each resumed at once), and the call stack recorded through its BSRs and JSRs.

#include "bench/BenchSupport.h"

#include <string>

namespace {

const std::string BenchListing = TARVIK_EXAMPLES_DIR "/bench.lst";

// Range 0: no data breakpoint; 1: on an untouched byte; 2: on ROUNDS ($0B), resumed after
// every stop. Range 1 of the second argument: call tracking on.
void BM_RunBenchProgramDebugging(benchmark::State& State) {
    Machine machine;
    TCountingSink sink;
    machine.setMessageSink(&sink);
    if (!machine.load(QString::fromStdString(BenchListing))) {
        State.SkipWithError("cannot read bench.lst");
        return;
    }
    const int32_t done = DoneAddress(machine.program());
    machine.setBreakpoint(static_cast<uint32_t>(done), true);
    if (State.range(0) == 1) machine.addDataBreakpoint(0x01F0, 1, Machine::Access::Write);
    if (State.range(0) == 2) machine.addDataBreakpoint(0x000B, 1, Machine::Access::Write);
    machine.setCallTracking(State.range(1) != 0);
    const TCPU_68HC11_& cpu = machine.cpu();
    int64_t cycles = 0;
    int64_t stops = 0;
    for (auto _ : State) {
        machine.requestReset();
        const int64_t before = cpu.CycleCount;
        StopReason reason;
        while ((reason = machine.run()) == StopReason::Watch) ++stops;
        cycles += cpu.CycleCount - before;
        if (reason != StopReason::Breakpoint || cpu.PC != done || sink.Count != 0) {
            State.SkipWithError("the program did not reach its done line cleanly");
            return;
        }
    }
    ReportCycles(State, cycles);
    State.counters["watch stops"] =
        benchmark::Counter(static_cast<double>(stops), benchmark::Counter::kAvgIterations);
}

} // namespace

BENCHMARK(BM_RunBenchProgramDebugging)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
