// Simulated E-clock cycles per second of whole programs through the full run loop, as the main
// window runs them: the machine's run with the on-chip environment and the 100000-cycle clock
// device attached, from the reset vector to the program's "done" line. Also the chunked run
// that the runner's limits take.

#include "bench/BenchSupport.h"

#include <string>

namespace {

const std::string BenchListing = TARVIK_EXAMPLES_DIR "/bench.lst";
const std::string SieveListing = TARVIK_SHARED_EXAMPLES_DIR "/sieve_bench.lst";
const std::string WaitListing = TARVIK_EXAMPLES_DIR "/wait.lst";
const std::string OcTimerListing = TARVIK_EXAMPLES_DIR "/octimer.lst";

void BM_RunBenchProgram(benchmark::State& State) {
    RunHeadless(State, BenchListing);
}
void BM_RunBenchProgramWithLimits(benchmark::State& State) {
    RunHeadless(State, BenchListing, {uint64_t{1} << 40, uint64_t{1} << 50});
}
void BM_RunSieveProgram(benchmark::State& State) {
    RunHeadless(State, SieveListing);
}

// A program that sleeps in WAI between real-time interrupts: the waits pass in steps to the next
// timer event, so simulated time runs far ahead of a busy program's.
void BM_RunWaitProgram(benchmark::State& State) {
    RunHeadless(State, WaitListing);
}

// The benchmark with the cycle profile counting every instruction.
void BM_RunBenchProgramProfiled(benchmark::State& State) {
    RunHeadless(State, BenchListing, {}, true);
}

// The demo: a real-time interrupt every 8192 cycles and port writes in its main loop, with the
// signal record taking every pin change; 20 million cycles a round.
void BM_RunDemoRecordingSignals(benchmark::State& State) {
    Machine machine;
    TCountingSink sink;
    machine.setMessageSink(&sink);
    if (!machine.load(QString::fromStdString(TARVIK_EXAMPLES_DIR "/demo.lst"))) {
        State.SkipWithError("cannot read demo.lst");
        return;
    }
    int64_t cycles = 0;
    for (auto _ : State) {
        const int64_t before = machine.cpu().CycleCount;
        machine.run({{}, 20'000'000});
        cycles += machine.cpu().CycleCount - before;
    }
    ReportCycles(State, cycles);
    State.counters["changes"] = static_cast<double>(machine.signalRecord().size());
}

// CRC work under two output-compare interrupts every 1000 cycles each and the overflow
// interrupt: the timer's events and the interrupt entries on top of a busy program.
void BM_RunOcTimerProgram(benchmark::State& State) {
    RunHeadless(State, OcTimerListing);
}

// A program that prints over the SCI without end at 9600 baud (sciloop.lst), 20 million cycles a
// round: the transmitter's frame events under a busy polling loop. Arg 1: every byte sent is
// consumed by an OnSciTransmit handler; Arg 0: no handler, the bytes are discarded.
void BM_RunSciPrinting(benchmark::State& State) {
    Machine machine;
    TCountingSink sink;
    machine.setMessageSink(&sink);
    if (!machine.load(QString::fromStdString(TARVIK_EXAMPLES_DIR "/sciloop.lst"))) {
        State.SkipWithError("cannot read sciloop.lst");
        return;
    }
    // Arg 1: PD1 follows TxD bit by bit in the signal record (the default) or not.
    machine.setSerialLineEvents(State.range(1) != 0);
    int64_t bytes = 0;
    uint32_t sum = 0;
    if (State.range(0)) {
        machine.OnSciTransmit = [&bytes, &sum](uint8_t Byte) {
            ++bytes;
            sum = sum * 31 + Byte;
        };
    }
    int64_t cycles = 0;
    for (auto _ : State) {
        const int64_t before = machine.cpu().CycleCount;
        machine.run({{}, 20'000'000});
        cycles += machine.cpu().CycleCount - before;
    }
    benchmark::DoNotOptimize(sum);
    ReportCycles(State, cycles);
    State.counters["bytes"] = static_cast<double>(bytes);
}

BENCHMARK(BM_RunBenchProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunBenchProgramWithLimits)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunSieveProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunWaitProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunBenchProgramProfiled)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunDemoRecordingSignals)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunOcTimerProgram)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RunSciPrinting)
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

} // namespace
