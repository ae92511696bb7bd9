// Simulated cycles per second of the window against the headless system on the same program:
// the window runs with its message pump, status-bar clock and port panels wired, the headless
// system with none of them. Both run from the reset vector to the program's "done" line.

#include "bench/BenchSupport.h"
#include "hc11/C68HC11.h"
#include "hc11/ListFileLoader.h"
#include "runner/SimulatedSystem.h"
#include "ui/MainForm.h"

#include <QApplication>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

const QString BenchListing = QStringLiteral(TARVIK_EXAMPLES_DIR "/bench.lst");

void BM_WindowRun(benchmark::State& State) {
    TCountingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    QApplication::processEvents();
    if (!form.OpenListing(BenchListing)) {
        State.SkipWithError("cannot read bench.lst");
        return;
    }
    const int32_t done = DoneAddress(*form.ListFileLoader);
    form.CPU->SetBreakpoint(static_cast<uint32_t>(done), true);
    int64_t cycles = 0;
    for (auto _ : State) {
        form.MenResetClick();
        const int64_t before = form.CPU->CycleCount;
        form.MenRunClick();
        cycles += form.CPU->CycleCount - before;
        if (form.CPU->PC != done || sink.Count != 0) {
            State.SkipWithError("the program did not reach its done line cleanly");
            return;
        }
    }
    ReportCycles(State, cycles);
}

void BM_HeadlessRun(benchmark::State& State) {
    TCountingSink sink;
    auto cpu = std::make_unique<TCPU_68HC11_>();
    cpu->MessageSink = &sink;
    TSimulatedSystem system(*cpu);
    if (!system.ListFileLoader.LoadFromFile(BenchListing)) {
        State.SkipWithError("cannot read bench.lst");
        return;
    }
    system.ListFileLoader.LoadToMemory();
    const int32_t done = DoneAddress(system.ListFileLoader);
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

BENCHMARK(BM_HeadlessRun)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_WindowRun)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
