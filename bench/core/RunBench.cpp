// Simulated E-clock cycles per second of whole programs through the full run loop, as the main
// window runs them: CPU.Run with the on-chip environment and the 100000-cycle timer device
// attached, from the reset vector to the program's "done" line. Also the same loop with the
// runner's step-counting CPU.

#include "bench/BenchSupport.h"
#include "runner/RunnerCPU.h"

#include <string>

namespace {

const std::string BenchListing = TARVIK_EXAMPLES_DIR "/bench.lst";
const std::string SieveListing = TARVIK_SHARED_EXAMPLES_DIR "/sieve_bench.lst";

void BM_RunBenchProgram(benchmark::State& State) {
    RunHeadless<TCPU_68HC11_>(State, BenchListing);
}
void BM_RunBenchProgramRunnerCPU(benchmark::State& State) {
    RunHeadless<TRunnerCPU>(State, BenchListing);
}
void BM_RunSieveProgram(benchmark::State& State) {
    RunHeadless<TCPU_68HC11_>(State, SieveListing);
}

BENCHMARK(BM_RunBenchProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunBenchProgramRunnerCPU)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunSieveProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
